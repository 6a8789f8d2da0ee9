// Where and how the scanned pages are written: one file per page (BMP, PNG,
// JPEG) named after the output pattern, or one file for the whole batch
// (TIFF, PDF). Pages come in as canonical rows (page_rows.h).
#pragma once

#include <memory>
#include <string>

#include "tools/twscan/page_rows.h"
#include "tools/twscan/scan_options.h"

// The writer of one page. End() finishes it; a page dropped without End()
// (a failed transfer) leaves no page behind in a multi-page file.
class PageSink {
   public:
    virtual ~PageSink() = default;
    virtual void Rows(const uint8_t* rows, uint32_t count, uint32_t stride) = 0;
    virtual void End() = 0;
};

class ImageOutput {
   public:
    explicit ImageOutput(const ScanOptions& options);
    ~ImageOutput();
    ImageOutput(const ImageOutput&) = delete;
    ImageOutput& operator=(const ImageOutput&) = delete;

    // Before anything is scanned: the first file can be written.
    void CheckBeforeScan() const;
    // Starts page 'page' (1-based, in order): the file it goes to, as typed.
    // Renames the first page's file to its number when a second one comes.
    std::string StartPage(int page);
    // BMP files are written as the source delivers them (a DIB, or the
    // source's own file), without going through rows.
    bool WritesDeliveredBmp() const;
    // The current page's file: its Windows path, and as typed.
    std::string CurrentWindowsPath() const;
    const std::string& CurrentTyped() const { return current_; }
    std::unique_ptr<PageSink> BeginPage(const PageFormat& format);
    // Ends a multi-page file with the pages finished so far; nothing for
    // single-page formats. Returns the file, as typed, or empty.
    std::string Finish();
    const std::string& Renamed() const { return renamed_; }

    // A file that holds the whole batch (TIFF, PDF).
    class Document;

   private:
    std::string PageTyped(int page) const;

    const ScanOptions& options_;
    std::string current_;  // as typed
    std::string renamed_;  // the message of the last rename, once
    std::unique_ptr<Document> document_;
};
