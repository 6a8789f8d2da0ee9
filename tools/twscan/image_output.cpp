// Page files and batch documents.
#include "tools/twscan/image_output.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "tools/twscan/deflate_stream.h"
#include "tools/twscan/output_path.h"
#include "tools/twscan/pdf_writer.h"
#include "tools/twscan/twscan_error.h"
#include "tools/twscan/wic_writer.h"

namespace {

constexpr size_t CopyChunk = 1 << 20;

class BmpPage : public PageSink {
   public:
    BmpPage(const std::string& path, const std::string& typed, const PageFormat& format) : typed_(typed) {
        std::string error;
        if (!writer_.Open(path, format, &error)) Fail(error);
    }
    void Rows(const uint8_t* rows, uint32_t count, uint32_t stride) override {
        std::string error;
        if (!writer_.Rows(rows, count, stride, &error)) Fail(error);
    }
    void End() override {
        std::string error;
        if (!writer_.Close(&error)) Fail(error);
    }

   private:
    // The writer names the Windows path; the user typed another.
    [[noreturn]] void Fail(const std::string& error) {
        const size_t colon = error.rfind(": ");
        throw TwscanError(ExitOutput, "cannot write '" + typed_ + "'" +
                                          (colon == std::string::npos ? "" : error.substr(colon)));
    }
    std::string typed_;
    BmpStreamWriter writer_;
};

// One page in a file of its own (PNG, JPEG) or a frame of a shared one (TIFF).
class WicPage : public PageSink {
   public:
    WicPage(WicFile* file, std::unique_ptr<WicFile> owned, const PageFormat& format)
        : file_(file), owned_(std::move(owned)) {
        file_->BeginFrame(format);
    }
    void Rows(const uint8_t* rows, uint32_t count, uint32_t stride) override {
        file_->Rows(rows, count, stride);
    }
    void End() override {
        file_->EndFrame();
        if (owned_) owned_->Commit();
    }

   private:
    WicFile* file_;
    std::unique_ptr<WicFile> owned_;
};

}  // namespace

// A file that holds the whole batch.
class ImageOutput::Document {
   public:
    virtual ~Document() = default;
    virtual std::unique_ptr<PageSink> BeginPage(const PageFormat& format) = 0;
    virtual void Finish() = 0;
    virtual int Pages() const = 0;
};

namespace {

class TiffDocument : public ImageOutput::Document {
   public:
    TiffDocument(const std::string& path, const std::string& typed)
        : file_(OutputFormat::Tiff, path, typed, 0) {}
    std::unique_ptr<PageSink> BeginPage(const PageFormat& format) override {
        ++pages_;
        return std::make_unique<WicPage>(&file_, nullptr, format);
    }
    void Finish() override { file_.Commit(); }
    int Pages() const override { return pages_; }

   private:
    WicFile file_;
    int pages_ = 0;
};

class PdfDocument;

// A PDF page is encoded into a temporary file first and added to the
// document only when it is complete, so a failed page leaves none behind.
class PdfPage : public PageSink {
   public:
    PdfPage(PdfWriter* pdf, const std::string& typed, const PageFormat& format, int quality)
        : pdf_(pdf), typed_(typed), format_(format) {
        if (format.bits == 1) {
            raw_ = std::fopen(temp_.Path().c_str(), "wb");
            if (raw_ == nullptr) Fail("cannot create a temporary file: " + FileErrorText(errno));
            deflate_ = std::make_unique<DeflateStream>([this](const uint8_t* data, size_t size) {
                return std::fwrite(data, 1, size, raw_) == size;
            });
        } else {
            jpeg_ = std::make_unique<WicFile>(OutputFormat::Jpeg, temp_.Path(), typed, quality);
            jpeg_->BeginFrame(format);
        }
    }
    ~PdfPage() override {
        if (raw_ != nullptr) std::fclose(raw_);
    }
    void Rows(const uint8_t* rows, uint32_t count, uint32_t stride) override {
        if (jpeg_) {
            jpeg_->Rows(rows, count, stride);
            return;
        }
        const uint32_t bytes = CanonicalRowBytes(format_.width, format_.bits);
        for (uint32_t r = 0; r < count; ++r) {
            if (!deflate_->Write(rows + uint64_t{r} * stride, bytes))
                Fail("temporary file: " + FileErrorText(errno));
        }
        rows_ += count;
    }
    void End() override {
        if (jpeg_) {
            jpeg_->EndFrame();
            jpeg_->Commit();
            jpeg_.reset();
        } else {
            // A page cut short is completed in white, as it is announced.
            std::vector<uint8_t> white(CanonicalRowBytes(format_.width, 1), 0xff);
            for (; rows_ < format_.height; ++rows_) deflate_->Write(white.data(), white.size());
            const bool ok = deflate_->Finish();
            const bool closed = std::fclose(raw_) == 0;
            raw_ = nullptr;
            if (!ok || !closed) Fail("temporary file: " + FileErrorText(errno));
        }
        PdfImage image;
        image.width = format_.width;
        image.height = format_.height;
        image.bitsPerComponent = format_.bits == 1 ? 1 : 8;
        image.colour = format_.bits == 24;
        image.jpeg = format_.bits != 1;
        image.dpiX = format_.dpiX;
        image.dpiY = format_.dpiY;
        std::string error;
        if (!pdf_->BeginPage(image, &error)) Fail(error);
        std::FILE* encoded = std::fopen(temp_.Path().c_str(), "rb");
        if (encoded == nullptr) Fail("temporary file: " + FileErrorText(errno));
        std::vector<uint8_t> chunk(CopyChunk);
        size_t got = 0;
        bool ok = true;
        while (ok && (got = std::fread(chunk.data(), 1, chunk.size(), encoded)) > 0)
            ok = pdf_->ImageBytes(chunk.data(), got, &error);
        std::fclose(encoded);
        if (!ok || !pdf_->EndPage(&error)) Fail(error);
    }

   private:
    [[noreturn]] void Fail(const std::string& error) {
        const size_t colon = error.rfind(": ");
        throw TwscanError(ExitOutput, "cannot write '" + typed_ + "'" +
                                          (colon == std::string::npos ? ": " + error : error.substr(colon)));
    }
    PdfWriter* pdf_;
    std::string typed_;
    PageFormat format_;
    TempFile temp_;
    std::FILE* raw_ = nullptr;
    std::unique_ptr<DeflateStream> deflate_;
    std::unique_ptr<WicFile> jpeg_;
    uint32_t rows_ = 0;
};

class PdfDocument : public ImageOutput::Document {
   public:
    PdfDocument(const std::string& path, const std::string& typed, int quality)
        : typed_(typed), quality_(quality) {
        std::string error;
        if (!pdf_.Open(path, &error))
            throw TwscanError(ExitOutput, "cannot write '" + typed + "': " + FileErrorText(errno));
    }
    std::unique_ptr<PageSink> BeginPage(const PageFormat& format) override {
        return std::make_unique<PdfPage>(&pdf_, typed_, format, quality_);
    }
    void Finish() override {
        std::string error;
        if (!pdf_.Finish(&error))
            throw TwscanError(ExitOutput, "cannot write '" + typed_ + "': " + FileErrorText(errno));
    }
    int Pages() const override { return pdf_.Pages(); }

   private:
    PdfWriter pdf_;
    std::string typed_;
    int quality_;
};

}  // namespace

ImageOutput::ImageOutput(const ScanOptions& options) : options_(options) {}

ImageOutput::~ImageOutput() = default;

std::string ImageOutput::PageTyped(int page) const {
    const std::string& pattern = options_.output;
    if (pattern == StandardOutputPath) return pattern;
    const int first = options_.batchStart.value_or(1);
    if (HoldsManyPages(options_.format))
        return HasNumberField(pattern) ? NumberedPagePath(pattern, first) : LiteralPath(pattern);
    if (HasNumberField(pattern) || options_.batchStart) return NumberedPagePath(pattern, first + page - 1);
    return page == 1 ? LiteralPath(pattern) : NumberedPagePath(pattern, page);
}

void ImageOutput::CheckBeforeScan() const {
    if (options_.output != StandardOutputPath) CheckWritable(PageTyped(1));
}

std::string ImageOutput::StartPage(int page) {
    renamed_.clear();
    current_ = PageTyped(page);
    const bool numberedLater = !HoldsManyPages(options_.format) && options_.output != StandardOutputPath &&
                               !HasNumberField(options_.output) && !options_.batchStart;
    if (numberedLater && page == 2) {
        // Now a batch: the first page takes its number too, so the files sort in order.
        const std::string first = PageTyped(1);
        const std::string numbered = NumberedPagePath(options_.output, 1);
        if (!MoveFileExA(WindowsPath(first).c_str(), WindowsPath(numbered).c_str(),
                         MOVEFILE_REPLACE_EXISTING)) {
            throw TwscanError(ExitOutput, "cannot rename '" + first + "' to '" + numbered +
                                              "': " + WindowsErrorText(GetLastError()));
        }
        renamed_ = "renamed " + first + " to " + numbered;
    }
    return current_;
}

bool ImageOutput::WritesDeliveredBmp() const {
    return options_.format == OutputFormat::Bmp && options_.output != StandardOutputPath;
}

std::string ImageOutput::CurrentWindowsPath() const { return WindowsPath(current_); }

std::unique_ptr<PageSink> ImageOutput::BeginPage(const PageFormat& format) {
    const std::string path = current_ == StandardOutputPath ? current_ : WindowsPath(current_);
    switch (options_.format) {
        case OutputFormat::Bmp:
            return std::make_unique<BmpPage>(path, current_, format);
        case OutputFormat::Png:
        case OutputFormat::Jpeg: {
            auto file = std::make_unique<WicFile>(options_.format, path, current_, options_.quality);
            WicFile* raw = file.get();
            return std::make_unique<WicPage>(raw, std::move(file), format);
        }
        case OutputFormat::Tiff:
            if (!document_) document_ = std::make_unique<TiffDocument>(path, current_);
            return document_->BeginPage(format);
        case OutputFormat::Pdf:
            if (!document_) document_ = std::make_unique<PdfDocument>(path, current_, options_.quality);
            return document_->BeginPage(format);
    }
    throw TwscanError(ExitOutput, "unknown output format");
}

std::string ImageOutput::Finish() {
    if (!document_) return {};
    std::unique_ptr<Document> document = std::move(document_);
    if (document->Pages() == 0) {
        // Not one page was finished: no empty document is left behind.
        document.reset();
        DeleteFileA(WindowsPath(current_).c_str());
        return {};
    }
    document->Finish();
    return current_;
}
