#include "scan/spool_file.h"

#include <windows.h>

#include <cstring>

#include "core/app_data_path.h"
#include "core/core_context.h"
#include "core/win_handles.h"
#include "device/device_link.h"
#include "device/device_ops.h"
#include "image/adjustment_pipeline.h"
#include "scan/dib_header.h"
#include "scan/global_buffer.h"

namespace {
CoreContext& Core() { return *GetCoreContext(); }
constexpr uint64_t HeaderReserve = 2048;

// Asks the device for the size of the preview window; false when it cannot be reached.
bool FetchPreviewGeometry() {
    if (OpenDevice(1) != 0) return false;
    if (Core().scanWindow.previewMode == 1) {
        DeviceStatus status = SCAN_SETWINDOW();
        Core().scanWindow.previewMode = 0;
        if (status != 0) {
            CloseDevice();
            return false;
        }
    }
    if (SCAN_GETDATABUFFERSTATE() != 0) {
        CloseDevice();
        return false;
    }
    CloseDevice();
    return true;
}
}  // namespace

std::string SpoolFilePath() { return CommonAppDataFile("ZOL_MF1DS.raw"); }

bool WriteWholeFile(const char* path, uint32_t mode, const void* data, uint64_t size) {
    DWORD disposition;
    if (mode == GENERIC_WRITE) {
        disposition = CREATE_ALWAYS;
    } else if (mode == FILE_APPEND_DATA) {
        disposition = OPEN_ALWAYS;
    } else {
        return false;
    }
    if (path == nullptr || (data == nullptr && size > 0) || size > 0xFFFFFFFFull) return false;
    FileHandle file(CreateFileA(path, mode, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    if (mode == FILE_APPEND_DATA) SetFilePointer(file.get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    BOOL ok = size == 0 || WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr);
    return ok && written == size;
}

int RestorePreview(const char* spoolPath) {
    if (spoolPath == nullptr || !FetchPreviewGeometry()) return 0;
    ScanImage& preview = Core().previewImage;
    ScanSettings& s = Core().scan;
    FileHandle file(CreateFileA(spoolPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;

    const int32_t width = s.imageWidth;
    const int32_t height = s.imageHeight;
    const uint64_t raw = (3ull * static_cast<uint32_t>(width) + 3) / 4 * 4 * static_cast<uint32_t>(height);
    FreeFixedBlock(preview.base);
    preview.width = width;
    preview.height = height;
    uint8_t* base =
        width > 0 && height > 0 ? AllocateFixedBlock(2 * raw + HeaderReserve, &Core().scanBlock) : nullptr;
    if (base == nullptr) {
        preview.width = 0;
        preview.height = 0;
        return 0;
    }
    memset(base, 0xFF, 2 * raw + HeaderReserve);
    preview.base = base;
    s.imageBase = base;
    preview.rows = base + raw + HeaderReserve;
    // The preview is always shown in colour, so its bitmap always gets a colour
    // header; without it the restored rows would have nowhere to go.
    preview.dibBits = base + BuildDibHeaderFor(base, width, height, 3, 0);
    Core().scanWindow.previewMode = 0;

    DWORD read = 0;
    ReadFile(file.get(), preview.rows, static_cast<DWORD>(raw), &read, nullptr);
    RestorePreviewImage();
    return 1;
}

void RestorePreviewImage() {
    ScanImage& preview = Core().previewImage;
    if (preview.base == nullptr) return;
    ScanSettings& s = Core().scan;
    s.pixelType = 3;
    s.scanStatus = SCANSTATUS_SCANNING;
    s.imageBase = preview.base;
    s.dibBits = preview.dibBits;
    s.rows = preview.rows;
    s.imageWidth = preview.width;
    s.imageHeight = preview.height;
    s.scanPurpose = SCANPURPOSE_PREVIEW;
    preview.left = 0;
    preview.top = 0;
    preview.right = preview.width;
    preview.bottom = preview.height;
    s.selLeft = 0;
    s.selTop = 0;
    s.selRight = preview.width;
    s.selBottom = preview.height;
    AdjustRows(&s, 0, preview.height);
    s.scanStatus = SCANSTATUS_SCANNED;
}

void ClearPreview() {
    ScanImage& preview = Core().previewImage;
    if (preview.width > 0 && preview.height > 0 && preview.base != nullptr) memset(preview.base, 0xFF, 40);
    DeleteFileA(SpoolFilePath().c_str());
}
