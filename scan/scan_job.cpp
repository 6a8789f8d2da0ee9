#include "scan/scan_job.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "core/core_context.h"
#include "core/serving_wait.h"
#include "core/trace.h"
#include "core/ui_callbacks.h"
#include "device/device_link.h"
#include "device/device_ops.h"
#include "device/device_status.h"
#include "image/adjustment_pipeline.h"
#include "image/row_bytes.h"
#include "scan/chunk_worker.h"
#include "scan/dib_header.h"
#include "scan/global_buffer.h"
#include "scan/image_info.h"
#include "scan/line_format.h"
#include "scan/spool_file.h"

namespace {

constexpr uint64_t KeyPollBytes = 524288;
constexpr uint64_t SensePollBytes = 5242880;
constexpr uint64_t HeaderReserve = 2048;
constexpr DeviceStatus StatusOutOfMemory = 8;

bool outOfMemory;

CoreContext& Core() { return *GetCoreContext(); }

// Auto-reset and unsignalled; a new job starts from the unsignalled state
// rather than replacing the handle, so a waiter never holds a closed handle.
HANDLE ScanFinishedEvent() {
    static HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return event;
}

void FailJob() {
    Core().scan.scanStatus = SCANSTATUS_FAILED;
    SetEvent(static_cast<HANDLE>(Core().scan.scanDoneEvent));
}

// Sets the selection of the job: the custom area when it is in force, else the whole image.
void SelectArea(ScanImage& image, bool customArea) {
    const ScanWindow& w = Core().scanWindow;
    ScanSettings& s = Core().scan;
    if (customArea) {
        image.left = w.areaLeft;
        image.top = w.areaTop;
        image.right = w.areaLeft + w.areaWidth;
        image.bottom = w.areaTop + w.areaHeight;
    } else {
        image.left = 0;
        image.top = 0;
        image.right = image.width;
        image.bottom = image.height;
    }
    s.selLeft = image.left;
    s.selTop = image.top;
    s.selRight = image.right;
    s.selBottom = image.bottom;
}

// Room in front of the final image's raw rows: the adjusted rows are written
// from the block's start on, trailing the raw rows they come from.
uint64_t FinalHeadBytes(const ScanJobSizes& sizes) { return 10 * sizes.deviceLineBytes + HeaderReserve; }

ScanJobSizes CurrentJobSizes() {
    const ScanSettings& s = Core().scan;
    return ComputeScanJobSizes(s.pixelType, Core().deviceLineWidth, Core().deviceLineCount, s.imageWidth,
                               Core().transportKindSetting);
}

// Gives `image` a new block for this job: `headBytes` in front of the raw
// rows, all of it white, the job's rows pointing into it. Null when the block
// cannot be allocated.
uint8_t* PlaceImage(ScanImage& image, uint64_t headBytes, const ScanJobSizes& sizes) {
    ScanSettings& s = Core().scan;
    FreeFixedBlock(image.base);
    image.width = s.imageWidth;
    image.height = s.imageHeight;
    uint8_t* base = AllocateFixedBlock(headBytes + sizes.deviceBytes, &Core().scanBlock);
    if (base == nullptr) return nullptr;
    memset(base, 0xFF, headBytes + sizes.deviceBytes);
    image.base = base;
    image.rows = base + headBytes;
    s.imageBase = base;
    s.rows = image.rows;
    return base;
}

// Lays out the preview or final buffer of this job; false when it cannot be allocated.
bool SetUpJobBuffer(const ScanJobSizes& sizes) {
    ScanSettings& s = Core().scan;
    if (Core().scanWindow.previewMode == 1) {
        ScanImage& preview = Core().previewImage;
        // The bitmap's padded rows can be longer than the device's lines
        // (an image as wide as the line): its part holds whichever is larger,
        // so it never runs into the raw rows behind it.
        const uint64_t bitmapRows =
            static_cast<uint64_t>(AlignedRowBytes(3, s.imageWidth)) * static_cast<uint64_t>(s.imageHeight);
        const uint64_t bitmapPart = std::max(sizes.deviceBytes, bitmapRows) + HeaderReserve;
        uint8_t* base = PlaceImage(preview, bitmapPart, sizes);
        if (base == nullptr) return false;
        if (s.scanPurpose == SCANPURPOSE_PREVIEW) {
            preview.dibBits = base + BuildDibHeader(base, preview.width, preview.height);
            s.dibBits = preview.dibBits;
        }
        SelectArea(preview, Core().scanWindow.paperSizeCode == 255);
        return true;
    }
    ScanImage& final = Core().finalImage;
    if (PlaceImage(final, FinalHeadBytes(sizes), sizes) == nullptr) return false;
    SelectArea(final, false);
    return true;
}

// Reads the image chunk by chunk, polling the stop key and the device state,
// and hands each chunk of rows to the adjustment pipeline (on a second core
// while the next chunk is read, where that pays). Returns when every chunk
// read has been adjusted.
void ReadImage(const ScanJobSizes& sizes, uint8_t* readBuffer) {
    ScanSettings& s = Core().scan;
    ChunkWorker adjuster(&s);
    const int32_t pixelType = s.pixelType;
    uint64_t remaining = sizes.deviceBytes;
    uint64_t keyCounter = 0;
    uint64_t senseCounter = 0;
    int32_t rowsSoFar = 0;
    while (remaining > 0 && s.scanStatus == SCANSTATUS_SCANNING) {
        const uint64_t chunk = std::min(sizes.readSize, remaining);
        const auto lines = static_cast<uint32_t>(chunk / sizes.deviceLineBytes);
        keyCounter += chunk;
        if (keyCounter > KeyPollBytes) {
            keyCounter = 0;
            if (const DeviceStatus key = SCAN_STARTKEYSTATUS(ReportAll); key != DEVSTATUS_OK) {
                s.scanStatus = IsDeviceKeyPress(key) ? SCANSTATUS_CANCELLED : SCANSTATUS_FAILED;
                break;
            }
        }
        if (SCAN_READDATA(readBuffer, static_cast<uint32_t>(chunk)) != 0) {
            s.scanStatus = SCANSTATUS_FAILED;
            break;
        }
        // Rows beyond the image height the device announced have no room in the buffer.
        const uint32_t usable = static_cast<uint32_t>(std::min<int64_t>(lines, s.imageHeight - rowsSoFar));
        RepackDeviceLines(readBuffer, s.rows + static_cast<uint64_t>(rowsSoFar) * sizes.rowBytes, usable,
                          pixelType, sizes, Core().deviceLineWidth, s.imageWidth);
        if (usable > 0) adjuster.Adjust(rowsSoFar, static_cast<int32_t>(usable));
        rowsSoFar += static_cast<int32_t>(usable);
        remaining -= chunk;
        senseCounter += chunk;
        if (senseCounter > SensePollBytes) {
            senseCounter = 0;
            if (SCAN_SENSE(ReportAll) != 0) {
                s.scanStatus = SCANSTATUS_FAILED;
                break;
            }
        }
    }
}

void WritePreviewSpool(const ScanJobSizes& sizes) {
    const ScanImage& preview = Core().previewImage;
    if (preview.base == nullptr) return;
    const uint64_t bytes = static_cast<uint64_t>(Core().scan.imageHeight) * sizes.rowBytes;
    WriteWholeFile(SpoolFilePath().c_str(), GENERIC_WRITE, preview.rows, bytes);
}

DWORD WINAPI ScanThread(void*) {
    DsTrace("ScanThread IN");
    ResetEvent(ScanFinishedEvent());
    ScanSettings& s = Core().scan;
    const ScanJobSizes sizes = CurrentJobSizes();
    bool feederReady = true;
    if (Core().scanWindow.paperSource != 0) {
        feederReady = SCAN_GETMACHINESTATE() == 0 && Core().feederState.adfLoaded != 0;
    }
    if (!sizes.usable || !feederReady || SCAN_STARTSCAN(static_cast<uint32_t>(sizes.deviceBytes)) != 0) {
        CloseDevice();
        FailJob();
        return 0;
    }

    void* readHandle = nullptr;
    uint8_t* readBuffer = AllocateFixedBlock(sizes.readSize, &readHandle);
    if (readBuffer == nullptr || !SetUpJobBuffer(sizes)) {
        outOfMemory = true;
        UiReportDeviceStatus(StatusOutOfMemory);
        s.scanStatus = SCANSTATUS_CANCELLED;  // makes the device stop below
    } else {
        ReadImage(sizes, readBuffer);
    }
    if (s.scanStatus == SCANSTATUS_SCANNING && SCAN_SENSE(ReportAll) != 0) s.scanStatus = SCANSTATUS_FAILED;
    if (s.scanStatus == SCANSTATUS_CANCELLED) SCAN_ABORT();
    if (outOfMemory) s.scanStatus = SCANSTATUS_FAILED;
    FreeFixedBlock(readBuffer);
    CloseDevice();

    if (Core().scanWindow.previewMode == 1) {
        WritePreviewSpool(sizes);
        UiCloseProgress(0);
        UiShowMainWindows();
    }
    if (s.scanStatus == SCANSTATUS_SCANNING) s.scanStatus = SCANSTATUS_SCANNED;
    SetEvent(static_cast<HANDLE>(s.scanDoneEvent));
    SetEvent(ScanFinishedEvent());
    DsTrace("ScanThread OUT");
    return 0;
}

// Each job gets a fresh done event; the previous job's is closed once no
// thread of that job can still set it.
void ReplaceDoneEvent() {
    ScanSettings& s = Core().scan;
    if (Core().scanThread != nullptr) {
        WaitServingMessages(static_cast<HANDLE>(Core().scanThread), INFINITE);
        CloseHandle(static_cast<HANDLE>(Core().scanThread));
        Core().scanThread = nullptr;
    }
    if (s.scanDoneEvent != nullptr) CloseHandle(static_cast<HANDLE>(s.scanDoneEvent));
    s.scanDoneEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

}  // namespace

int CheckReadyToScan(int senseReportMode, bool reportEmptyFeeder) {
    int result = 0;
    if (SCAN_SENSE(senseReportMode) != 0) {
        result = 1;
    } else if (Core().scanWindow.paperSource != 0) {
        if (SCAN_GETMACHINESTATE() != 0) {
            result = 1;
        } else if (Core().feederState.adfLoaded == 0) {
            result = 5;
        }
    }
    if (result == 0) return 0;
    CloseDevice();
    if (result == 5 && reportEmptyFeeder) UiReportDeviceStatus(5);
    return result;
}

int PrepareScan() {
    DsTrace("PrepareScan IN");
    if (const int notReady = CheckReadyToScan(ReportNothing, true); notReady != 0) return notReady;
    if (SCAN_SETWINDOW() != 0) return 1;
    if (SCAN_GETDATABUFFERSTATE() != 0) return 1;
    DsTrace("PrepareScan OUT");
    return 0;
}

void StartScanJob(int32_t purpose) {
    DsTrace("StartScanJob IN");
    ScanSettings& s = Core().scan;
    s.scanPurpose = purpose;
    s.scanStatus = SCANSTATUS_SCANNING;
    outOfMemory = false;
    ReplaceDoneEvent();
    if (OpenDevice(1) != 0) {
        FailJob();
        return;
    }
    if (PrepareScan() != 0) {
        CloseDevice();
        FailJob();
        return;
    }
    // An image no transfer could hold is refused before the device starts.
    if (purpose != SCANPURPOSE_PREVIEW && !DeliveredImageFits(s, Core().scanWindow.resolutionIndex)) {
        CloseDevice();
        outOfMemory = true;
        UiReportDeviceStatus(StatusOutOfMemory);
        FailJob();
        return;
    }
    UiHideMainWindows();
    s.rowsScanned = 0;
    UiStartProgress(0);
    HANDLE thread = CreateThread(nullptr, 0, ScanThread, nullptr, 0, nullptr);
    if (thread == nullptr) {
        CloseDevice();
        FailJob();
        return;
    }
    Core().scanThread = thread;
}

void FreeFinalImage() {
    ScanImage& final = Core().finalImage;
    if (final.base != nullptr && GlobalHandle(final.base) == Core().scanBlock) Core().scanBlock = nullptr;
    FreeFixedBlock(final.base);
    final.rows = nullptr;
}

uint64_t FinalImageBlockBytes() {
    const ScanJobSizes sizes = CurrentJobSizes();
    return sizes.usable ? FinalHeadBytes(sizes) + sizes.deviceBytes : 0;
}

uint8_t* TakeFinalImage(void** handle, uint64_t* bytes) {
    ScanImage& final = Core().finalImage;
    *handle = final.base != nullptr ? GlobalHandle(final.base) : nullptr;
    if (*handle == nullptr) return nullptr;
    if (Core().scanBlock == *handle) Core().scanBlock = nullptr;
    *bytes = GlobalSize(static_cast<HGLOBAL>(*handle));
    uint8_t* base = final.base;
    final.base = nullptr;
    final.rows = nullptr;
    return base;
}

bool LastJobRanOutOfMemory() { return outOfMemory; }

void SignalScanFinished() { SetEvent(ScanFinishedEvent()); }

void WaitForScanFinished() {
    // A thread that ended early never sets the event; its own end ends the wait.
    HANDLE waits[] = {ScanFinishedEvent(), static_cast<HANDLE>(Core().scanThread)};
    if (waits[0] == nullptr || waits[1] == nullptr) return;
    WaitServingMessages(waits, 2, INFINITE);
}
