#include "scan/transfers.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "core/handlers.h"
#include "core/serving_wait.h"
#include "core/trace.h"
#include "core/ui_callbacks.h"
#include "device/device_link.h"
#include "device/device_ops.h"
#include "device/device_status.h"
#include "image/raster_geometry.h"
#include "image/row_bytes.h"
#include "scan/announced_image.h"
#include "scan/dib_header.h"
#include "scan/global_buffer.h"
#include "scan/image_info.h"
#include "scan/scan_job.h"
#include "scan/spool_file.h"
#include "scan/transfer_file.h"

namespace {

constexpr uint64_t NativeStripLimit = 1048320;
constexpr uint64_t HeaderReserve = 2048;
constexpr DeviceStatus StatusNoDevice = 1;
constexpr DeviceStatus StatusOutOfMemory = 8;

CoreContext& Core() { return *GetCoreContext(); }

// Where a memory transfer stands between calls.
struct MemoryTransfer {
    bool active;  // a job was started for it and has not been delivered or ended
    uint64_t deliveredBytes;
    uint64_t deliveredRows;
    uint64_t remainingBytes;
    uint64_t outputRowLength;
    uint64_t sourceRowLength;
    HGLOBAL lastBlock;  // the source-owned block handed out last
};
MemoryTransfer memory;

// Fills rowCount delivered rows from firstRow on, by the job's pixel type.
void TransformStrip(uint8_t* dest, int32_t firstRow, int32_t rowCount) {
    ScanSettings* s = &Core().scan;
    if (s->pixelType == 3) {
        TransformColorStrip(s, Core().pageIndex, dest, firstRow, rowCount);
    } else if (s->pixelType == 2) {
        TransformGrayStrip(s, Core().pageIndex, dest, firstRow, rowCount);
    } else {
        TransformBitStrip(s, Core().pageIndex, dest, firstRow, rowCount);
    }
}

uint64_t DeliveredRowLength() {
    return static_cast<uint64_t>(AlignedRowBytes(Core().scan.pixelType, Core().scan.outputWidth));
}

// The scan thread may report to a window of this thread while we wait, and
// ends by itself within the device's time-outs or at a cancel.
void WaitForJob() { WaitServingMessages(static_cast<HANDLE>(Core().scan.scanDoneEvent), INFINITE); }

// True when the job ended before it produced an image (it could not start, or
// was cancelled or failed at once); its end has then been waited for.
bool JobEndedWithoutImage() {
    const int32_t status = Core().scan.scanStatus;
    if (status != SCANSTATUS_CANCELLED && status != SCANSTATUS_FAILED) return false;
    WaitForJob();
    return true;
}

// Ends a job that did not deliver: cancelled by the user or the device's key
// (TWRC_CANCEL), or failed (TWCC_OPERATIONERROR, TWCC_LOWMEMORY when its buffers
// could not be had).
TW_UINT16 EndUndeliveredJob() {
    FreeFinalImage();
    UiCloseProgress(0);
    if (Core().scan.scanStatus == SCANSTATUS_CANCELLED) return TWRC_CANCEL;
    UiShowMainWindows();
    return FailWith(LastJobRanOutOfMemory() ? TWCC_LOWMEMORY : TWCC_OPERATIONERROR);
}

// Stops a running job whose result can no longer be delivered and waits for it.
TW_UINT16 AbandonJob(TW_UINT16 conditionCode) {
    if (Core().scan.scanStatus == SCANSTATUS_SCANNING) Core().scan.scanStatus = SCANSTATUS_CANCELLED;
    WaitForJob();
    FreeFinalImage();
    UiCloseProgress(0);
    UiShowMainWindows();
    return FailWith(conditionCode);
}

// The device may answer the transfer's own geometry question otherwise than
// it answered DAT_IMAGEINFO; an image other than the announced one is never
// handed over.
bool ScansAnnouncedImage() { return MatchesAnnouncedImage(Core().scan, Core().scanWindow.resolutionIndex); }

// Stops the job of an image that is not the announced one and waits until its
// thread has let go of the device (for a memory transfer the done event may
// mean "rows ready" rather than "job over").
TW_UINT16 RefuseOtherImage() {
    UiReportDeviceStatus(DEVSTATUS_DATA_ERROR);
    const TW_UINT16 rc = AbandonJob(TWCC_OPERATIONERROR);
    if (Core().scanThread != nullptr) WaitServingMessages(static_cast<HANDLE>(Core().scanThread), INFINITE);
    Core().scan.scanStatus = SCANSTATUS_FAILED;
    return rc;
}

void FinishDelivery() {
    Core().scan.scanStatus = SCANSTATUS_DELIVERED;
    FreeFinalImage();
    UiCloseProgress(200);
    UiShowMainWindows();
}

// The native transfer's checks before the job: the device answers and the
// window is set, and the plainly scaled image fits in memory.
TW_UINT16 CheckBeforeNativeJob() {
    if (OpenDevice(1) != 0) {
        UiReportDeviceStatus(StatusNoDevice);
        return FailWith(TWCC_CHECKDEVICEONLINE);
    }
    if (PrepareScan() != 0) {
        CloseDevice();
        UiReportDeviceStatus(StatusNoDevice);
        return FailWith(TWCC_CHECKDEVICEONLINE);
    }
    int32_t width = 0, height = 0;
    PlainOutputSize(Core().scan, Core().scanWindow.resolutionIndex, &width, &height);
    const uint64_t trial = static_cast<uint64_t>(AlignedRowBytes(Core().scan.pixelType, width)) *
                               static_cast<uint32_t>(std::max(height, 0)) + HeaderReserve;
    uint8_t* block = AllocateFixedBlock(trial, nullptr);
    // Nobody cancelled: the page is too large, which the application must
    // hear as a failure so it can offer a smaller scan.
    if (block == nullptr) {
        CloseDevice();
        UiReportDeviceStatus(StatusOutOfMemory);
        return FailWith(TWCC_LOWMEMORY);
    }
    FreeFixedBlock(block);
    return TWRC_SUCCESS;
}

// Hands the bitmap to the application at the end of a native transfer.
TW_UINT16 DeliverBitmap(HGLOBAL handle, TW_UINT32* handleOut) {
    GlobalUnlock(handle);
    *handleOut = static_cast<TW_UINT32>(reinterpret_cast<uintptr_t>(handle));
    Core().conditionCode = TWCC_BUMMER;  // applications have always seen 1 after a native transfer
    FinishDelivery();
    return TWRC_XFERDONE;
}

// Whether the bitmap of the running job, `rowBytes` of rows, can take the
// place of its image: an image at its own size, unturned, whose block holds
// the bitmap's header and aligned rows.
bool InPlaceBitmapFits(uint64_t rowBytes) {
    const auto headerBytes = static_cast<uint64_t>(DibInfoHeaderSize + DibPaletteSize(Core().scan.pixelType));
    return BitmapKeepsImageRows(&Core().scan, Core().pageIndex) &&
           headerBytes + rowBytes <= FinalImageBlockBytes();
}

// A native transfer whose bitmap is laid out in the image's own block, which
// then goes to the application: the page is held once, not twice.
TW_UINT16 NativeTransferInPlace(TW_UINT32* handleOut) {
    ScanSettings& s = Core().scan;
    WaitForJob();
    if (s.scanStatus != SCANSTATUS_SCANNED) return EndUndeliveredJob();
    uint8_t header[DibHeaderMaxSize];
    const int32_t headerBytes = BuildDibHeader(header, s.outputWidth, s.outputHeight);
    void* handle = nullptr;
    uint64_t blockBytes = 0;
    uint8_t* block = TakeFinalImage(&handle, &blockBytes);
    if (block == nullptr || !LayOutBitmapInPlace(&s, block, blockBytes, static_cast<uint32_t>(headerBytes))) {
        FreeFixedBlock(block);
        s.scanStatus = SCANSTATUS_FAILED;
        return EndUndeliveredJob();
    }
    memcpy(block, header, static_cast<size_t>(headerBytes));
    s.rowsDelivered = s.outputHeight;
    return DeliverBitmap(static_cast<HGLOBAL>(handle), handleOut);
}

TW_UINT16 NativeTransfer(TW_UINT32* handleOut) {
    Core().scan.rowsDelivered = 0;
    TW_UINT16 rc = CheckBeforeNativeJob();
    if (rc != TWRC_SUCCESS) return rc;
    StartScanJob(SCANPURPOSE_NATIVE_OR_FILE);
    ScanSettings& s = Core().scan;
    if (JobEndedWithoutImage()) return EndUndeliveredJob();
    ComputeOutputSize(&s, Core().scanWindow.resolutionIndex);
    if (!ScansAnnouncedImage()) return RefuseOtherImage();
    const uint64_t rowLength = DeliveredRowLength();
    const uint64_t height = static_cast<uint32_t>(std::max(s.outputHeight, 0));
    if (InPlaceBitmapFits(rowLength * height)) return NativeTransferInPlace(handleOut);
    void* handle = nullptr;
    uint8_t* bitmap = AllocateFixedBlock(rowLength * height + HeaderReserve, &handle);
    if (bitmap == nullptr) {
        UiReportDeviceStatus(StatusOutOfMemory);
        return AbandonJob(TWCC_LOWMEMORY);
    }
    uint8_t* rows = bitmap + BuildDibHeader(bitmap, s.outputWidth, s.outputHeight);
    WaitForJob();
    if (s.scanStatus != SCANSTATUS_SCANNED) {
        FreeFixedBlock(bitmap);
        return EndUndeliveredJob();
    }
    const uint64_t stripRows = std::max<uint64_t>(1, NativeStripLimit / std::max<uint64_t>(rowLength, 1));
    for (uint64_t row = 0; row < height; row += stripRows) {
        const uint64_t count = std::min(stripRows, height - row);
        TransformStrip(rows + row * rowLength, static_cast<int32_t>(row), static_cast<int32_t>(count));
    }
    return DeliverBitmap(static_cast<HGLOBAL>(handle), handleOut);
}

// The file is the transfer's to remove from the moment it has been created anew.
bool WriteBmpHeaders(const char* path, PartialTransferFile& file) {
    const ScanSettings& s = Core().scan;
    uint8_t fileHeader[BmpFileHeaderSize];
    uint8_t infoHeader[DibHeaderMaxSize];
    BuildBmpFileHeader(fileHeader, s.outputWidth, s.outputHeight, s.pixelType);
    const int32_t infoSize = BuildDibHeader(infoHeader, s.outputWidth, s.outputHeight);
    if (!WriteWholeFile(path, GENERIC_WRITE, fileHeader, sizeof fileHeader)) return false;
    file.Created();
    return WriteWholeFile(path, FILE_APPEND_DATA, infoHeader, static_cast<uint64_t>(infoSize));
}

TW_UINT16 FileTransfer() {
    ScanSettings& s = Core().scan;
    s.rowsDelivered = 0;
    StartScanJob(SCANPURPOSE_NATIVE_OR_FILE);
    if (JobEndedWithoutImage()) return EndUndeliveredJob();
    ComputeOutputSize(&s, Core().scanWindow.resolutionIndex);
    if (!ScansAnnouncedImage()) return RefuseOtherImage();
    const uint64_t rowLength = DeliveredRowLength();
    const uint64_t height = static_cast<uint32_t>(std::max(s.outputHeight, 0));
    const uint64_t stripBytes = std::max(rowLength * height / 10, rowLength);
    uint8_t* strip = AllocateFixedBlock(stripBytes, nullptr);
    if (strip == nullptr) return AbandonJob(TWCC_LOWMEMORY);
    const char* path = TransferFileName();
    PartialTransferFile file(path);
    // A file that cannot be written must not end in a reported success.
    if (!WriteBmpHeaders(path, file)) {
        FreeFixedBlock(strip);
        return AbandonJob(TWCC_OPERATIONERROR);
    }
    WaitForJob();
    if (s.scanStatus != SCANSTATUS_SCANNED) {
        FreeFixedBlock(strip);
        return EndUndeliveredJob();
    }
    if (Core().xferFileFormat != TWFF_BMP) {
        FreeFixedBlock(strip);
        FreeFinalImage();
        UiCloseProgress(0);
        UiShowMainWindows();
        return FailWith(TWCC_BADCAP);
    }
    const uint64_t stripRows = std::max<uint64_t>(1, stripBytes / std::max<uint64_t>(rowLength, 1));
    bool written = true;
    for (uint64_t row = 0; row < height && written; row += stripRows) {
        const uint64_t count = std::min(stripRows, height - row);
        memset(strip, 0, stripBytes);
        TransformStrip(strip, static_cast<int32_t>(row), static_cast<int32_t>(count));
        written = WriteWholeFile(path, FILE_APPEND_DATA, strip, count * rowLength);
    }
    FreeFixedBlock(strip);
    if (!written) {
        FreeFinalImage();
        UiCloseProgress(0);
        UiShowMainWindows();
        return FailWith(TWCC_OPERATIONERROR);
    }
    file.Complete();
    FinishDelivery();
    return TWRC_XFERDONE;
}

// The descreen rule halves the delivered size, so twice the source is needed per row.
bool HalvedByDescreen() {
    const ScanSettings& s = Core().scan;
    return s.descreen != 0 && Core().scanWindow.resolutionIndex < 6 && (s.pixelType == 2 || s.pixelType == 3);
}

// Starts the job of a new memory transfer; false when it could not start.
bool BeginMemoryTransfer() {
    ScanSettings& s = Core().scan;
    memory.active = true;
    memory.deliveredBytes = 0;
    memory.deliveredRows = 0;
    s.memXferRow = 0;
    s.rowsDelivered = 0;
    StartScanJob(SCANPURPOSE_MEMORY);
    if (s.scanStatus == SCANSTATUS_CANCELLED || s.scanStatus == SCANSTATUS_FAILED) return false;
    ComputeOutputSize(&s, Core().scanWindow.resolutionIndex);
    memory.outputRowLength = DeliveredRowLength();
    memory.remainingBytes = static_cast<uint64_t>(std::max(s.outputHeight, 0)) * memory.outputRowLength;
    memory.sourceRowLength = static_cast<uint64_t>(PackedRowBytes(s.pixelType, s.imageWidth));
    return memory.outputRowLength > 0;
}

// Waits until the pipeline has processed the source rows this call needs, or
// the job ended. The call that delivers the last rows waits for the job's end,
// so that it can report the transfer done.
void WaitForRows(bool lastStrip) {
    ScanSettings& s = Core().scan;
    while (s.scanStatus == SCANSTATUS_SCANNING) {
        WaitForJob();
        const uint64_t processed = static_cast<uint64_t>(s.rowsScanned) * memory.sourceRowLength;
        if (!lastStrip && processed >= s.memXferRow) break;
    }
}

TW_UINT16 EndMemoryTransferUndelivered() {
    memory.active = false;
    memory.deliveredBytes = 0;
    return EndUndeliveredJob();
}

// The block the strip goes to, by the ownership flags; null when the flags
// name no destination the source can use.
uint8_t* LockDestination(TW_MEMORY& mem, HGLOBAL* locked) {
    *locked = nullptr;
    const TW_UINT32 flags = mem.Flags;
    if (flags & (TWMF_APPOWNS | TWMF_DSMOWNS)) {
        if (flags & TWMF_POINTER) return static_cast<uint8_t*>(mem.TheMem);
        if ((flags & TWMF_HANDLE) && mem.TheMem != nullptr) {
            if (GlobalSize(static_cast<HGLOBAL>(mem.TheMem)) < mem.Length) return nullptr;
            *locked = static_cast<HGLOBAL>(mem.TheMem);
            return static_cast<uint8_t*>(GlobalLock(*locked));
        }
        return nullptr;
    }
    if (flags & TWMF_DSOWNS) {
        if ((flags & (TWMF_POINTER | TWMF_HANDLE)) == 0) return nullptr;
        if (memory.lastBlock != nullptr) GlobalFree(memory.lastBlock);
        memory.lastBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(mem.Length) + 10);
        Core().scanBlock = memory.lastBlock;
        if (memory.lastBlock == nullptr) return nullptr;
        *locked = memory.lastBlock;
        auto* base = static_cast<uint8_t*>(GlobalLock(*locked));
        mem.TheMem = (flags & TWMF_POINTER) ? static_cast<TW_MEMREF>(base) : static_cast<TW_MEMREF>(memory.lastBlock);
        return base;
    }
    return nullptr;
}

TW_UINT16 MemoryTransferStep(TW_IMAGEMEMXFER* xfer) {
    ScanSettings& s = Core().scan;
    // A job that failed to start has no row length to divide by: its failure is the answer.
    if (!memory.active && !BeginMemoryTransfer()) {
        if (s.scanStatus == SCANSTATUS_SCANNING || s.scanStatus == SCANSTATUS_SCANNED) {
            memory.active = false;
            return AbandonJob(TWCC_OPERATIONERROR);
        }
        WaitForJob();
        return EndMemoryTransferUndelivered();
    }
    // Checked before the first strip (again after a refused buffer: same answer).
    if (memory.deliveredRows == 0 && !ScansAnnouncedImage()) {
        memory.active = false;
        return RefuseOtherImage();
    }
    // A buffer shorter than one row could never make progress.
    const uint64_t length = xfer->Memory.Length;
    if (length < memory.outputRowLength) return FailWith(TWCC_BADVALUE);

    const uint64_t fit = length / memory.outputRowLength;
    const uint64_t percent = HalvedByDescreen() ? 200 : 100;
    const uint64_t scale = static_cast<uint64_t>(std::max(s.scalePercent, 1));
    s.memXferRow += static_cast<uint32_t>((fit * percent / scale + 1) * memory.sourceRowLength);
    WaitForRows(fit * memory.outputRowLength >= memory.remainingBytes);
    if (s.scanStatus == SCANSTATUS_CANCELLED || s.scanStatus == SCANSTATUS_FAILED) {
        return EndMemoryTransferUndelivered();
    }

    HGLOBAL locked = nullptr;
    uint8_t* dest = LockDestination(xfer->Memory, &locked);
    if (dest == nullptr) return FailWith(TWCC_BADVALUE);

    const uint64_t bytes = std::min(fit * memory.outputRowLength, memory.remainingBytes);
    const uint64_t rows = bytes / memory.outputRowLength;
    xfer->Compression = TWCP_NONE;
    xfer->BytesPerRow = static_cast<TW_UINT32>(memory.outputRowLength);
    xfer->Columns = static_cast<TW_UINT32>(s.outputWidth);
    xfer->Rows = static_cast<TW_UINT32>(rows);
    xfer->XOffset = 0;
    xfer->YOffset = static_cast<TW_UINT32>(memory.deliveredBytes / memory.outputRowLength);
    xfer->BytesWritten = static_cast<TW_UINT32>(bytes);
    if (s.pixelType != 2 && s.pixelType != 3) memset(dest, 0, bytes);
    TransformStrip(dest, static_cast<int32_t>(memory.deliveredRows), static_cast<int32_t>(rows));
    memory.deliveredBytes += bytes;
    memory.deliveredRows += rows;
    memory.remainingBytes -= bytes;

    if (memory.remainingBytes == 0 && s.scanStatus == SCANSTATUS_SCANNED) {
        memory.active = false;
        memory.deliveredBytes = 0;
        if (locked != nullptr) GlobalUnlock(locked);
        FinishDelivery();
        return TWRC_XFERDONE;
    }
    if (locked != nullptr) GlobalUnlock(locked);
    return TWRC_SUCCESS;
}

}  // namespace

TW_UINT16 ImageNativeXferMsg(const DsRequest& request) {
    DsTrace("ImageNativeXferMsg IN");
    if (request.msg != MSG_GET) return FailWith(TWCC_BADPROTOCOL);
    if (request.data == nullptr) return FailWith(TWCC_BADVALUE);
    TW_UINT16 rc = NativeTransfer(static_cast<TW_UINT32*>(request.data));
    ForgetAnnouncedImage();
    DsTrace("ImageNativeXferMsg OUT");
    return rc;
}

TW_UINT16 ImageFileXferMsg(const DsRequest& request) {
    DsTrace("ImageFileXferMsg IN");
    if (request.msg != MSG_GET) return FailWith(TWCC_BADPROTOCOL);
    TW_UINT16 rc = FileTransfer();
    ForgetAnnouncedImage();
    DsTrace("ImageFileXferMsg OUT");
    return rc;
}

TW_UINT16 ImageMemXferMsg(const DsRequest& request) {
    DsTrace("ImageMemXferMsg IN");
    Core().conditionCode = TWCC_BUMMER;
    if (request.msg != MSG_GET) return FailWith(TWCC_BADPROTOCOL);
    if (request.data == nullptr) return FailWith(TWCC_BADVALUE);
    TW_UINT16 rc = MemoryTransferStep(static_cast<TW_IMAGEMEMXFER*>(request.data));
    if (!memory.active) ForgetAnnouncedImage();
    DsTrace("ImageMemXferMsg OUT");
    return rc;
}
