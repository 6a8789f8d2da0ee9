// The three transfer mechanisms, each page written as a BMP file.
#include "tools/twscan/transfers.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "tools/twscan/bmp_image.h"
#include "tools/twscan/negotiation.h"
#include "tools/twscan/twain_text.h"
#include "tools/twscan/twscan_error.h"

namespace {

constexpr TW_UINT32 DontCare32 = 0xffffffff;
// A source that keeps answering "success" with empty strips is stuck.
constexpr int MaxEmptyStrips = 1000;

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
    std::printf("page %d: image info %d x %d, %d bits per pixel (%s), %g x %g dpi\n", page,
                int(info.ImageWidth), int(info.ImageLength), int(info.BitsPerPixel),
                PixelTypeName(info.PixelType).c_str(), FromFix32(info.XResolution),
                FromFix32(info.YResolution));
    return info;
}

PageResult NativePage(DsmSession& session, const std::string& path) {
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
    if (!WriteDibAsBmp(path, dib.Bytes(), layout, &error)) throw TwscanError(ExitOutput, error);
    return {rc, "native bitmap " + Dimensions(layout.width, layout.height, layout.bitCount) + ", " +
                    std::to_string(layout.imageBytes) + " bytes of rows"};
}

// Full Windows path of the file the source is to write.
std::string FullPath(const std::string& path) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return path;
    return full;
}

PageResult FilePage(DsmSession& session, const std::string& path) {
    TW_SETUPFILEXFER setup{};
    const std::string full = FullPath(path);
    if (full.size() >= sizeof setup.FileName) throw TwscanError(ExitOutput, "output path too long: " + full);
    std::memcpy(setup.FileName, full.c_str(), full.size() + 1);
    setup.Format = TWFF_BMP;
    TW_UINT16 rc = session.CallSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
    if (rc != TWRC_SUCCESS && rc != TWRC_CHECKSTATUS) {
        throw TwscanError(ExitTransfer, "the source refused the file " + full +
                                            " (DAT_SETUPFILEXFER): " + session.DescribeSourceResult(rc));
    }
    DeleteFileA(full.c_str());
    rc = session.CallSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
    if (rc != TWRC_XFERDONE) return {rc, {}};
    session.SetState(7);
    DibLayout layout;
    std::string error;
    if (!InspectBmpFile(path, &layout, &error)) {
        throw TwscanError(ExitTransfer, "the source's file is unusable: " + error);
    }
    return {rc, "BMP file " + Dimensions(layout.width, layout.height, layout.bitCount) +
                    " written by the source"};
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
            std::printf("note: buffer size %u is outside the source's %u..%u\n",
                        unsigned(*options.bufferSize), unsigned(setup.MinBufSize),
                        unsigned(setup.MaxBufSize));
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

MemoryImageFormat MemoryFormat(DsmSession& session, const TW_IMAGEINFO& info) {
    TW_UINT32 flavor = TWPF_CHOCOLATE;
    GetCurrentItem(session, ICAP_PIXELFLAVOR, &flavor);
    MemoryImageFormat format;
    format.width = info.ImageWidth;
    format.height = info.ImageLength;
    format.bitsPerPixel = static_cast<uint16_t>(info.BitsPerPixel);
    format.zeroIsWhite = flavor == TWPF_VANILLA;
    format.dotsPerInch = static_cast<int32_t>(FromFix32(info.XResolution) + 0.5);
    return format;
}

// The strip's bytes for this call: in our buffer, or in the one the source
// handed back (locked while the strip is copied).
bool CopyStrip(StripAssembler& image, const TW_IMAGEMEMXFER& xfer, TW_UINT32 flags, void* appMemory,
               std::string* error) {
    const MemoryStrip strip{xfer.BytesPerRow, xfer.Columns, xfer.Rows,
                            xfer.XOffset,     xfer.YOffset, xfer.BytesWritten};
    TW_MEMORY memory;
    std::memcpy(&memory, &xfer.Memory, sizeof memory);
    if ((flags & TWMF_APPOWNS) != 0) {
        if ((flags & TWMF_HANDLE) != 0) {
            LockedBlock block(static_cast<HGLOBAL>(appMemory));
            return image.AddStrip(strip, block.Bytes(), block.Size(), error);
        }
        return image.AddStrip(strip, static_cast<const uint8_t*>(appMemory), memory.Length, error);
    }
    if (memory.TheMem == nullptr) {
        *error = "the source handed back no buffer";
        return false;
    }
    if ((flags & TWMF_HANDLE) != 0) {
        LockedBlock block(static_cast<HGLOBAL>(memory.TheMem));
        if (block.Bytes() == nullptr) {
            *error = "the source's buffer handle cannot be locked";
            return false;
        }
        return image.AddStrip(strip, block.Bytes(), block.Size(), error);
    }
    return image.AddStrip(strip, static_cast<const uint8_t*>(memory.TheMem), memory.Length, error);
}

PageResult MemoryPage(DsmSession& session, const ScanOptions& options, const TW_IMAGEINFO& info,
                      const std::string& path) {
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
    StripAssembler image(MemoryFormat(session, info));
    std::string error;
    if (!image.Valid(&error)) throw TwscanError(ExitTransfer, "the image info is unusable: " + error);
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
        if (!CopyStrip(image, xfer, flags, appMemory, &error)) {
            throw TwscanError(ExitTransfer, "strip " + std::to_string(strips + 1) + " is unusable: " + error);
        }
        ++strips;
        emptyStrips = xfer.Rows == 0 ? emptyStrips + 1 : 0;
        if (rc == TWRC_XFERDONE) break;
        if (emptyStrips >= MaxEmptyStrips)
            throw TwscanError(ExitTransfer, "the source sends only empty strips");
    }
    if (!image.WriteBmp(path, &error)) throw TwscanError(ExitOutput, error);
    return {TWRC_XFERDONE, std::to_string(strips) + " strips of up to " + std::to_string(size) + " bytes, " +
                               Dimensions(image.Width(), image.RowsReceived(), info.BitsPerPixel) +
                               " assembled"};
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

int TransferPages(DsmSession& session, const ScanOptions& options) {
    session.SetState(6);
    int written = 0;
    for (int page = 1;; ++page) {
        const TW_IMAGEINFO info = QueryImageInfo(session, page);
        const std::string path = PagePath(options.output, page);
        PageResult result;
        switch (options.transfer) {
            case TransferKind::Native:
                result = NativePage(session, path);
                break;
            case TransferKind::File:
                result = FilePage(session, path);
                break;
            case TransferKind::Memory:
                result = MemoryPage(session, options, info, path);
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
        std::printf("page %d: received %s -> %s\n", page, result.description.c_str(), path.c_str());
        const TW_UINT16 waiting = EndPage(session);
        std::printf("page %d: source has %d more page(s) waiting\n", page, static_cast<TW_INT16>(waiting));
        if (waiting == 0) break;
        if (options.count && *options.count > 0 && written >= *options.count) {
            ResetPending(session);
            break;
        }
    }
    return written;
}
