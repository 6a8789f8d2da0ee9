// Image files through the Windows Imaging Component: PNG, TIFF (one frame
// per page) and JPEG, to a file or to standard output. Rows are handed to the
// encoder as they arrive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/twscan/output_format.h"
#include "tools/twscan/page_rows.h"

struct IWICBitmapEncoder;
struct IWICBitmapFrameEncode;
struct IWICImagingFactory;
struct IStream;

// Initialises COM for the thread for the object's life.
class ComScope {
   public:
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

   private:
    bool initialised_;
};

class WicFile {
   public:
    // 'path' is the Windows path, or "-" for standard output; 'typed' names
    // the file in messages. Throws a TwscanError when it cannot be created.
    WicFile(OutputFormat format, const std::string& path, const std::string& typed, int quality);
    ~WicFile();
    WicFile(const WicFile&) = delete;
    WicFile& operator=(const WicFile&) = delete;

    void BeginFrame(const PageFormat& format);
    // 'count' canonical rows 'stride' bytes apart.
    void Rows(const uint8_t* rows, uint32_t count, uint32_t stride);
    void EndFrame();
    // Ends the file; frames after this are refused.
    void Commit();

   private:
    void Check(long result, const char* what) const;

    OutputFormat format_;
    std::string typed_;
    int quality_;
    PageFormat page_;
    bool expandBits_ = false;  // JPEG takes no bilevel pixels: they go in as grey
    uint32_t rowsWritten_ = 0;
    std::unique_ptr<uint8_t[]> expanded_;
    IWICImagingFactory* factory_ = nullptr;
    IStream* stream_ = nullptr;
    IWICBitmapEncoder* encoder_ = nullptr;
    IWICBitmapFrameEncode* frame_ = nullptr;
};
