#include "core/core_context.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {
CoreContext coreContext;

int32_t ClampTo(int32_t value, int32_t low, int32_t high) { return std::clamp(value, low, high); }

void CopyString(char* destination, size_t size, const char* source) {
    if (source == nullptr) {
        destination[0] = '\0';
        return;
    }
    size_t length = strnlen(source, size - 1);
    memcpy(destination, source, length);
    destination[length] = '\0';
}
}  // namespace

CoreContext* GetCoreContext() { return &coreContext; }

TW_UINT16 FailWith(TW_UINT16 conditionCode) {
    coreContext.conditionCode = conditionCode;
    return TWRC_FAILURE;
}

ScanSettings* GetScanSettings() { return &coreContext.scan; }
ScanWindow* GetScanWindow() { return &coreContext.scanWindow; }
FeederState* GetFeederState() { return &coreContext.feederState; }
ScanImage* GetPreviewImage() { return &coreContext.previewImage; }
int32_t* GetTransportKind() { return &coreContext.transportKindSetting; }
DeviceLink* GetDeviceLink() { return &coreContext.link; }

void InitCoreContextValues(bool usesMetric) {
    coreContext = CoreContext{};
    CoreContext& c = coreContext;
    c.xferCount = -1;
    c.pixelFlavor = TWPF_CHOCOLATE;
    c.pageIndex = 1;
    c.transportKindSetting = 0;
    c.scanWindow.previewMode = 0;
    c.scanWindow.paperSizeCode = usesMetric ? 2 : 12;  // A4 or US Letter
    c.scan.pixelType = 3;
    c.scan.uiPixelType = 3;
    c.scanWindow.resolutionIndex = 4;  // 300 dpi
    c.scanWindow.paperSource = 0;
    c.scanWindow.areaLeft = 0;
    c.scanWindow.areaTop = 0;
    c.scanWindow.areaWidth = 4960;
    c.scanWindow.areaHeight = 7015;
    c.scan.memXferRow = 0;
    c.xferFileFormat = TWFF_BMP;
    c.state = StateLoaded;
    c.conditionCode = TWCC_SUCCESS;
    c.closeRequested = 0;
}

void DSCore_UISetCoreInfo(const CoreInfo* info) {
    TW_IDENTITY& id = coreContext.dsIdentity;
    id.Id = 0;
    id.ProtocolMajor = 1;
    id.ProtocolMinor = 9;
    id.Version.MajorNum = 0;
    id.Version.MinorNum = 0;
    id.Version.Language = TWLG_ENGLISH_USA;
    id.Version.Country = TWCY_USA;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE;
    id.Manufacturer[0] = '\0';
    id.ProductFamily[0] = '\0';
    CopyString(id.ProductName, sizeof id.ProductName, info->productName);
    CopyString(id.Version.Info, sizeof id.Version.Info, info->versionInfo);
    coreContext.appIdentity.Id = 0;

    CoreInfo& kept = coreContext.coreInfo;
    kept.physicalWidth = info->physicalWidth;
    kept.physicalHeight = info->physicalHeight;
    CopyString(kept.productName, sizeof kept.productName, info->productName);
    CopyString(kept.resourcePath, sizeof kept.resourcePath, info->resourcePath);
    CopyString(kept.versionInfo, sizeof kept.versionInfo, info->versionInfo);
    coreContext.openTransport = nullptr;
    coreContext.scanThread = nullptr;
}

void ResetAdjustments(ScanSettings* scan) {
    static const int32_t curvePoints[5] = {0, 64, 128, 192, 255};
    scan->rotation = 0;
    scan->rotateBackPages = 0;
    scan->reversal = 0;
    scan->selectedAreaOnly = 0;
    scan->brightness = 0;
    scan->contrast = 0;
    std::copy(std::begin(curvePoints), std::end(curvePoints), scan->curveIn);
    std::copy(std::begin(curvePoints), std::end(curvePoints), scan->curveOut);
    scan->curveGamma = 0;
    scan->curveMode = 0;
    std::fill(std::begin(scan->balance), std::end(scan->balance), 0);
    scan->sharpness = 0;
    scan->descreen = 0;
    scan->hue = 0;
    scan->saturation = 0;
    scan->lightness = 0;
    scan->scalePercent = 100;
}

int SetPixelType(int32_t type) {
    coreContext.scan.uiPixelType = type;
    coreContext.scan.pixelType = type;
    return 1;
}

int SetBrightness(int32_t value) {
    coreContext.scan.brightness = ClampTo(value, -100, 100);
    return 1;
}

int SetContrast(int32_t value) {
    coreContext.scan.contrast = ClampTo(value, -100, 100);
    return 1;
}

int SetCurveGamma(int32_t value) {
    coreContext.scan.curveGamma = ClampTo(value, -100, 100);
    return 1;
}

int SetCurveMode(int32_t value) {
    coreContext.scan.curveMode = value;
    return 1;
}

// The clamped points are written back so the caller's controls show what took effect.
int SetToneCurve(int32_t* in, int32_t* out, int32_t count) {
    if (in == nullptr || out == nullptr) return 1;
    count = ClampTo(count, 0, 5);
    for (int32_t i = 0; i < count; ++i) {
        in[i] = ClampTo(in[i], 0, 255);
        out[i] = ClampTo(out[i], 0, 255);
        coreContext.scan.curveIn[i] = in[i];
        coreContext.scan.curveOut[i] = out[i];
    }
    return 1;
}

int SetRotation(int32_t value) {
    coreContext.scan.rotation = value;
    return 1;
}

int SetResolutionIndex(int32_t index) {
    coreContext.scanWindow.resolutionIndex = index;
    return 1;
}

int SetPaperSource(int32_t source) {
    coreContext.scanWindow.paperSource = source;
    return 1;
}

int SetPaperSizeCode(int32_t code) {
    coreContext.scanWindow.paperSizeCode = code;
    return 1;
}

int SetCustomArea(int32_t x, int32_t y, int32_t width, int32_t height) {
    coreContext.scanWindow.areaLeft = std::max(x, 0);
    coreContext.scanWindow.areaTop = std::max(y, 0);
    coreContext.scanWindow.areaWidth = width;
    coreContext.scanWindow.areaHeight = height;
    return 1;
}

int SetTransportKind(int32_t kind) {
    coreContext.transportKindSetting = kind;
    return 1;
}

int32_t GetTransportKindValue() { return coreContext.transportKindSetting; }
int32_t GetPreviewWidth() { return coreContext.previewImage.width; }
int32_t GetPreviewHeight() { return coreContext.previewImage.height; }
uint8_t* GetPreviewBase() { return coreContext.previewImage.base; }
uint8_t* GetPreviewBits() { return coreContext.previewImage.dibBits; }
