// The three transfer mechanisms; each page goes to the output as it arrives.
#include "tools/twscan/transfers.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "tools/twscan/bmp_image.h"
#include "tools/twscan/console.h"
#include "tools/twscan/image_output.h"
#include "tools/twscan/negotiation.h"
#include "tools/twscan/output_path.h"
#include "tools/twscan/page_rows.h"
#include "tools/twscan/pdf_writer.h"
#include "tools/twscan/twain_text.h"
#include "tools/twscan/twscan_error.h"

namespace {

constexpr TW_UINT32 DontCare32 = 0xffffffff;
// A source that keeps answering "success" with empty strips is stuck.
constexpr int MaxEmptyStrips = 1000;
// Rows converted and handed on at a time from a whole delivered image.
constexpr uint32_t RowsPerBatch = 64;

// Locks a global block for the life of the object.
class LockedBlock {
   public:
    explicit LockedBlock(HGLOBAL handle) : handle_(handle), data_(handle ? GlobalLock(handle) : nullptr) {}
    ~LockedBlock() {
        if (data_ != nullptr) GlobalUnlock(handle_);
    }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;
    const uint8_t* Bytes() const { return static_cast<const uint8_t*>(data_); }
    uint8_t* Bytes() { return static_cast<uint8_t*>(data_); }
    SIZE_T Size() const { return handle_ != nullptr ? GlobalSize(handle_) : 0; }

   private:
    HGLOBAL handle_;
    void* data_;
};

struct GlobalFreer {
    void operator()(void* handle) const { GlobalFree(static_cast<HGLOBAL>(handle)); }
};
using OwnedGlobal = std::unique_ptr<void, GlobalFreer>;

struct PageResult {
    TW_UINT16 rc;
    std::string description;  // what was received and written, on TWRC_XFERDONE
};

std::string Dimensions(int64_t width, int64_t height, int bits) {
    return std::to_string(width) + " x " + std::to_string(height) + ", " + std::to_string(bits) + " bits";
}

TW_IMAGEINFO QueryImageInfo(DsmSession& session, int page) {
    TW_IMAGEINFO info{};
    const TW_UINT16 rc = session.CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    if (rc != TWRC_SUCCESS) {
        throw TwscanError(ExitTransfer, "page " + std::to_string(page) +
                                            ": DAT_IMAGEINFO failed: " + session.DescribeSourceResult(rc));
    }
    Say("page %d: image info %d x %d, %d bits per pixel (%s), %g x %g dpi\n", page, int(info.ImageWidth),
        int(info.ImageLength), int(info.BitsPerPixel), PixelTypeName(info.PixelType).c_str(),
        FromFix32(info.XResolution), FromFix32(info.YResolution));
    return info;
}

// Reports progress on standard error in steps of a tenth, with --progress.
class Progress {
   public:
    Progress(bool on, int page, uint32_t rows) : on_(on), page_(page), rows_(rows) {}
    void Rows(uint32_t done) {
        if (!on_ || rows_ == 0) return;
        const int tenth = static_cast<int>(uint64_t{done} * 10 / rows_);
        if (tenth <= shown_) return;
        shown_ = tenth;
        std::fprintf(stderr, "page %d: %d%% (%u of %u rows)\n", page_, tenth * 10, unsigned(done),
                     unsigned(rows_));
    }

   private:
    bool on_;
    int page_;
    uint32_t rows_;
    int shown_ = 0;
};

PageFormat FormatOf(const TW_IMAGEINFO& info) {
    PageFormat format;
    format.width = info.ImageWidth > 0 ? static_cast<uint32_t>(info.ImageWidth) : 0;
    format.height = info.ImageLength > 0 ? static_cast<uint32_t>(info.ImageLength) : 0;
    format.bits = static_cast<uint16_t>(info.BitsPerPixel);
    format.dpiX = FromFix32(info.XResolution);
    format.dpiY = FromFix32(info.YResolution);
    return format;
}

void CheckStreamable(const PageFormat& format) {
    if (format.width == 0 || format.height == 0)
        throw TwscanError(ExitTransfer,
                          "the source did not give the page's width and height before sending it");
    if (format.bits != 1 && format.bits != 8 && format.bits != 24)
        throw TwscanError(ExitTransfer, "unsupported bits per pixel " + std::to_string(format.bits));
}

// Hands a whole delivered image to the page's writer in batches of rows;
// 'rowAt' gives the delivered row of a top-down index.
template <typename RowAt>
void FeedRows(ImageOutput& output, const PageFormat& format, const RowConverter& converter, RowAt rowAt,
              Progress& progress) {
    const uint32_t stride = CanonicalRowBytes(format.width, format.bits);
    std::vector<uint8_t> batch(static_cast<size_t>(stride) * RowsPerBatch);
    std::unique_ptr<PageSink> sink = output.BeginPage(format);
    for (uint32_t row = 0; row < format.height;) {
        const uint32_t count = std::min(RowsPerBatch, format.height - row);
        for (uint32_t r = 0; r < count; ++r)
            converter.Convert(rowAt(row + r), &batch[size_t{r} * stride], format.width);
        sink->Rows(batch.data(), count, stride);
        row += count;
        progress.Rows(row);
    }
    sink->End();
}

PageResult NativePage(DsmSession& session, const ScanOptions& options, const TW_IMAGEINFO& info,
                      ImageOutput& output, int page) {
    TW_UINT32 handle = 0;
    const TW_UINT16 rc = session.CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (rc != TWRC_XFERDONE) return {rc, {}};
    session.SetState(7);
    if (handle == 0)
        throw TwscanError(ExitTransfer, "the source reported a native transfer without a bitmap");
    OwnedGlobal owned(reinterpret_cast<void*>(static_cast<uintptr_t>(handle)));
    LockedBlock dib(static_cast<HGLOBAL>(owned.get()));
    DibLayout layout;
    std::string error;
    if (dib.Bytes() == nullptr || !InspectDib(dib.Bytes(), dib.Size(), &layout, &error)) {
        throw TwscanError(ExitTransfer,
                          "the native bitmap is unusable: " + (error.empty() ? "cannot lock it" : error));
    }
    const std::string described = "native bitmap " +
                                  Dimensions(layout.width, layout.height, layout.bitCount) + ", " +
                                  std::to_string(layout.imageBytes) + " bytes of rows";
    if (output.WritesDeliveredBmp()) {
        if (!WriteDibAsBmp(output.CurrentWindowsPath(), dib.Bytes(), layout, &error))
            throw TwscanError(ExitOutput,
                              "cannot write '" + output.CurrentTyped() + "': " + FileErrorText(errno));
        return {rc, described};
    }
    PageFormat format = FormatOf(info);
    format.width = static_cast<uint32_t>(layout.width);
    format.height = static_cast<uint32_t>(layout.height);
    format.bits = layout.bitCount;
    CheckStreamable(format);
    const uint8_t* bytes = dib.Bytes();
    const uint32_t infoSize = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t{bytes[3]} << 24;
    const RowConverter converter =
        RowConverter::ForDib(layout.bitCount, bytes + infoSize, (layout.headerBytes - infoSize) / 4);
    const uint8_t* rows = bytes + layout.headerBytes;
    Progress progress(options.progress, page, format.height);
    FeedRows(
        output, format, converter,
        [&](uint32_t row) {
            const uint32_t stored = layout.bottomUp ? format.height - 1 - row : row;
            return rows + uint64_t{stored} * layout.rowBytes;
        },
        progress);
    return {rc, described};
}

// Full Windows path of the file the source is to write.
std::string FullPath(const std::string& path) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return path;
    return full;
}

PageResult FilePage(DsmSession& session, const ScanOptions& options, const TW_IMAGEINFO& info,
                    ImageOutput& output, int page) {
    // BMP output is the file the source writes; any other format is made
    // from a BMP the source writes to a temporary file.
    std::unique_ptr<TempFile> temp;
    if (!output.WritesDeliveredBmp()) temp = std::make_unique<TempFile>();
    const std::string target = temp ? temp->Path() : FullPath(output.CurrentWindowsPath());
    TW_SETUPFILEXFER setup{};
    if (target.size() >= sizeof setup.FileName)
        throw TwscanError(ExitOutput, "output path too long: " + target);
    std::memcpy(setup.FileName, target.c_str(), target.size() + 1);
    setup.Format = TWFF_BMP;
    TW_UINT16 rc = session.CallSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
    if (rc != TWRC_SUCCESS && rc != TWRC_CHECKSTATUS) {
        throw TwscanError(ExitTransfer, "the source refused the file " + target +
                                            " (DAT_SETUPFILEXFER): " + session.DescribeSourceResult(rc));
    }
    DeleteFileA(target.c_str());
    rc = session.CallSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
    if (rc != TWRC_XFERDONE) return {rc, {}};
    session.SetState(7);
    DibLayout layout;
    std::string error;
    if (!InspectBmpFile(target, &layout, &error)) {
        throw TwscanError(ExitTransfer, "the source's file is unusable: " + error);
    }
    const std::string described =
        "BMP file " + Dimensions(layout.width, layout.height, layout.bitCount) + " written by the source";
    if (!temp) return {rc, described};
    BmpRowReader reader;
    if (!reader.Open(target, &error))
        throw TwscanError(ExitTransfer, "the source's file is unusable: " + error);
    PageFormat format = reader.Format();
    // The file holds the resolution in whole pixels per metre; the source's own figure is exact.
    if (FromFix32(info.XResolution) > 0) {
        format.dpiX = FromFix32(info.XResolution);
        format.dpiY = FromFix32(info.YResolution);
    }
    CheckStreamable(format);
    std::vector<uint8_t> row(reader.FileRowBytes());
    Progress progress(options.progress, page, format.height);
    FeedRows(
        output, format, reader.Converter(),
        [&](uint32_t index) {
            if (!reader.Read(index, 1, row.data(), &error))
                throw TwscanError(ExitTransfer, "the source's file is unusable: " + error);
            return static_cast<const uint8_t*>(row.data());
        },
        progress);
    return {rc, described};
}

TW_UINT32 MemoryFlags(MemoryBufferKind kind) {
    switch (kind) {
        case MemoryBufferKind::AppPointer:
            return TWMF_APPOWNS | TWMF_POINTER;
        case MemoryBufferKind::AppHandle:
            return TWMF_APPOWNS | TWMF_HANDLE;
        case MemoryBufferKind::SourcePointer:
            return TWMF_DSOWNS | TWMF_POINTER;
        case MemoryBufferKind::SourceHandle:
            return TWMF_DSOWNS | TWMF_HANDLE;
    }
    return TWMF_APPOWNS | TWMF_POINTER;
}

TW_UINT32 MemoryBufferSize(DsmSession& session, const ScanOptions& options) {
    TW_SETUPMEMXFER setup{};
    const TW_UINT16 rc = session.CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    if (options.bufferSize) {
        if (rc == TWRC_SUCCESS &&
            (*options.bufferSize < setup.MinBufSize || *options.bufferSize > setup.MaxBufSize)) {
            Say("note: buffer size %u is outside the source's %u..%u\n", unsigned(*options.bufferSize),
                unsigned(setup.MinBufSize), unsigned(setup.MaxBufSize));
        }
        return *options.bufferSize;
    }
    if (rc != TWRC_SUCCESS) {
        throw TwscanError(ExitTransfer, "DAT_SETUPMEMXFER failed: " + session.DescribeSourceResult(rc));
    }
    TW_UINT32 size = setup.Preferred;
    if (size == 0 || size == DontCare32) size = setup.MaxBufSize;
    if (size == 0 || size == DontCare32 || size > 0x40000000u) size = 1u << 20;
    return size;
}

// Where this call's strip is: in our buffer, or in the one the source handed
// back (locked while the strip is read).
class StripBytes {
   public:
    StripBytes(const TW_IMAGEMEMXFER& xfer, TW_UINT32 flags, void* appMemory) {
        TW_MEMORY memory;
        std::memcpy(&memory, &xfer.Memory, sizeof memory);
        void* block = (flags & TWMF_APPOWNS) != 0 ? appMemory : memory.TheMem;
        if (block == nullptr) return;
        if ((flags & TWMF_HANDLE) != 0) {
            locked_ = std::make_unique<LockedBlock>(static_cast<HGLOBAL>(block));
            data_ = locked_->Bytes();
            size_ = locked_->Size();
        } else {
            data_ = static_cast<const uint8_t*>(block);
            size_ = memory.Length;
        }
    }
    const uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }

   private:
    std::unique_ptr<LockedBlock> locked_;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// Checks one strip against the page: whole rows, in order, inside its buffer.
void CheckStrip(const TW_IMAGEMEMXFER& xfer, const PageFormat& format, uint32_t rowsDone, size_t bufferBytes,
                int strip) {
    const std::string where = "strip " + std::to_string(strip) + ": ";
    if (xfer.Rows == 0) return;
    if (xfer.XOffset != 0 || xfer.Columns != format.width) {
        throw TwscanError(ExitTransfer, where + "the source sent " + std::to_string(xfer.Columns) +
                                            " columns at x " + std::to_string(xfer.XOffset) +
                                            "; twscan takes whole rows of " + std::to_string(format.width));
    }
    if (xfer.YOffset != rowsDone) {
        throw TwscanError(ExitTransfer, where + "the source sent rows from " + std::to_string(xfer.YOffset) +
                                            " where row " + std::to_string(rowsDone) + " was due");
    }
    if (uint64_t{xfer.YOffset} + xfer.Rows > format.height)
        throw TwscanError(ExitTransfer,
                          where + "rows beyond the page height " + std::to_string(format.height));
    const uint64_t rowBytes = CanonicalRowBytes(format.width, format.bits);
    const uint64_t needed = uint64_t{xfer.BytesPerRow} * (xfer.Rows - 1) + rowBytes;
    if (xfer.BytesPerRow < rowBytes || needed > bufferBytes || needed > xfer.BytesWritten) {
        throw TwscanError(ExitTransfer, where + std::to_string(xfer.Rows) + " rows are larger than the " +
                                            std::to_string(bufferBytes) + "-byte buffer or the " +
                                            std::to_string(xfer.BytesWritten) + " bytes written");
    }
}

PageResult MemoryPage(DsmSession& session, const ScanOptions& options, const TW_IMAGEINFO& info,
                      ImageOutput& output, int page) {
    const TW_UINT32 size = MemoryBufferSize(session, options);
    const TW_UINT32 flags = MemoryFlags(options.memoryBuffer);
    OwnedGlobal appBlock;
    void* appMemory = nullptr;
    if ((flags & TWMF_APPOWNS) != 0) {
        appBlock.reset(GlobalAlloc((flags & TWMF_HANDLE) != 0 ? GHND : GPTR, size));
        if (!appBlock)
            throw TwscanError(ExitTransfer, "cannot allocate a " + std::to_string(size) + "-byte buffer");
        appMemory = appBlock.get();
    }
    TW_UINT32 flavor = TWPF_CHOCOLATE;
    GetCurrentItem(session, ICAP_PIXELFLAVOR, &flavor);
    const PageFormat format = FormatOf(info);
    CheckStreamable(format);
    const RowConverter converter = RowConverter::ForMemory(format.bits, flavor == TWPF_VANILLA);
    const uint32_t stride = CanonicalRowBytes(format.width, format.bits);
    std::vector<uint8_t> rows;
    std::unique_ptr<PageSink> sink;
    Progress progress(options.progress, page, format.height);
    uint32_t rowsDone = 0;
    int strips = 0;
    int emptyStrips = 0;
    for (;;) {
        TW_IMAGEMEMXFER xfer{TWON_DONTCARE16, DontCare32, DontCare32, DontCare32,
                             DontCare32,      DontCare32, DontCare32, TW_MEMORY{flags, size, appMemory}};
        const TW_UINT16 rc = session.CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) {
            if (strips > 0) session.SetState(7);
            return {rc, {}};
        }
        session.SetState(7);
        ++strips;
        const StripBytes bytes(xfer, flags, appMemory);
        if (xfer.Rows > 0 && bytes.Data() == nullptr) {
            throw TwscanError(ExitTransfer,
                              "strip " + std::to_string(strips) + ": the source handed back no buffer");
        }
        CheckStrip(xfer, format, rowsDone, bytes.Size(), strips);
        if (xfer.Rows > 0) {
            // The page's file is created with its first rows, not before.
            if (!sink) sink = output.BeginPage(format);
            rows.resize(size_t{stride} * xfer.Rows);
            for (uint32_t r = 0; r < xfer.Rows; ++r) {
                converter.Convert(bytes.Data() + uint64_t{r} * xfer.BytesPerRow, &rows[size_t{r} * stride],
                                  format.width);
            }
            sink->Rows(rows.data(), xfer.Rows, stride);
            rowsDone += xfer.Rows;
            progress.Rows(rowsDone);
        }
        emptyStrips = xfer.Rows == 0 ? emptyStrips + 1 : 0;
        if (rc == TWRC_XFERDONE) break;
        if (emptyStrips >= MaxEmptyStrips)
            throw TwscanError(ExitTransfer, "the source sends only empty strips");
    }
    if (!sink) throw TwscanError(ExitTransfer, "the source ended the page without sending a row");
    sink->End();
    return {TWRC_XFERDONE, std::to_string(strips) + " strips of up to " + std::to_string(size) + " bytes, " +
                               Dimensions(format.width, rowsDone, info.BitsPerPixel)};
}

// Ends the page in state 7; returns the source's count of pages still waiting.
TW_UINT16 EndPage(DsmSession& session) {
    TW_PENDINGXFERS pending{};
    const TW_UINT16 rc = session.CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    if (rc != TWRC_SUCCESS) {
        throw TwscanError(ExitTransfer, "MSG_ENDXFER failed: " + session.DescribeSourceResult(rc));
    }
    session.SetState(pending.Count == 0 ? 5 : 6);
    return pending.Count;
}

void ResetPending(DsmSession& session) {
    TW_PENDINGXFERS pending{};
    session.CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    session.SetState(5);
}

}  // namespace

int TransferPages(DsmSession& session, const ScanOptions& options, ImageOutput& output, int pagesBefore) {
    session.SetState(6);
    int written = 0;
    for (int page = pagesBefore + 1;; ++page) {
        const TW_IMAGEINFO info = QueryImageInfo(session, page);
        const std::string path = output.StartPage(page);
        if (!output.Renamed().empty()) Say("%s\n", output.Renamed().c_str());
        if (options.progress) std::fprintf(stderr, "page %d: scanning\n", page);
        PageResult result;
        switch (options.transfer) {
            case TransferKind::Native:
                result = NativePage(session, options, info, output, page);
                break;
            case TransferKind::File:
                result = FilePage(session, options, info, output, page);
                break;
            case TransferKind::Memory:
                result = MemoryPage(session, options, info, output, page);
                break;
        }
        if (result.rc == TWRC_CANCEL) {
            session.SetState(7);
            throw TwscanError(ExitCancelled,
                              "page " + std::to_string(page) + ": the scan was cancelled (TWRC_CANCEL)");
        }
        if (result.rc != TWRC_XFERDONE) {
            throw TwscanError(ExitTransfer, "page " + std::to_string(page) + ": the transfer failed: " +
                                                session.DescribeSourceResult(result.rc));
        }
        ++written;
        if (options.progress) std::fprintf(stderr, "page %d: done\n", page);
        Say("page %d: received %s -> %s\n", page, result.description.c_str(), path.c_str());
        const TW_UINT16 waiting = EndPage(session);
        Say("page %d: source has %d more page(s) waiting\n", page, static_cast<TW_INT16>(waiting));
        if (waiting == 0) break;
        if (options.count && *options.count > 0 && pagesBefore + written >= *options.count) {
            ResetPending(session);
            break;
        }
    }
    return written;
}
