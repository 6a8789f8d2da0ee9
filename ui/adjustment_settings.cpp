#include "ui/adjustment_settings.h"

#include <climits>
#include <cstring>

#include "core/core_context.h"

namespace {

UiGlobals uiGlobals;

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : value > high ? high : value;
}

// Truncation toward zero, as the preview and scan areas are whole pixels. A
// hand-edited file may hold "nan" or huge numbers: those give 0 or saturate
// instead of an undefined conversion.
int32_t Truncate(float value) {
    if (!(value == value)) return 0;
    if (value >= 2147483520.0f) return INT32_MAX;
    if (value <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

const AdjustmentPaperRow adjustmentPaperTable[AdjustmentPaperRows] = {
    {11.693f, 16.535f, 29.7f, 42.0f},  // A3
    {10.118f, 14.331f, 25.7f, 36.4f},  // B4 (JIS)
    {8.267f, 11.693f, 21.0f, 29.7f},   // A4
    {7.165f, 10.118f, 18.2f, 25.7f},   // B5 (JIS)
    {5.826f, 8.267f, 14.8f, 21.0f},    // A5
    {8.267f, 12.992f, 21.0f, 33.0f},   // 210 x 330 mm
    {11.693f, 8.267f, 29.7f, 21.0f},   // A4, long edge across
    {10.118f, 7.165f, 25.7f, 18.2f},   // B5 (JIS), long edge across
    {8.267f, 5.826f, 21.0f, 14.8f},    // A5, long edge across
    {11.0f, 17.0f, 27.94f, 43.18f},    // 11 x 17 in
    {11.0f, 14.0f, 27.94f, 35.56f},    // 11 x 14 in
    {8.5f, 14.0f, 21.59f, 35.56f},     // Legal
    {8.5f, 11.0f, 21.59f, 27.94f},     // Letter
    {5.5f, 8.5f, 13.97f, 21.59f},      // Statement
    {11.0f, 8.5f, 27.94f, 21.59f},     // Letter, long edge across
    {8.5f, 5.5f, 21.59f, 13.97f},      // Statement, long edge across
    {10.623f, 15.354f, 27.0f, 39.0f},  // 270 x 390 mm
    {7.677f, 10.629f, 19.5f, 27.0f},   // 195 x 270 mm
    {10.629f, 7.677f, 27.0f, 19.5f},   // 195 x 270 mm, long edge across
};

UiGlobals* GetUiGlobals() { return &uiGlobals; }

void SetAdjustmentDefaultsFor(bool usesMetric) {
    memset(&uiGlobals, 0, sizeof uiGlobals);
    AdjustmentSettings& s = uiGlobals.settings;
    s.scanMode = 2;
    s.paperSize = usesMetric ? 2 : 12;
    s.resolutionId = 4;
    s.scale = 100;
    const int32_t curve[5] = {0, 64, 128, 192, 255};
    for (int i = 0; i < 5; ++i) s.curveIn[i] = s.curveOut[i] = curve[i];
}

int32_t ResolutionIdDpi(int32_t resolutionId) {
    static const int32_t dpi[] = {75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800, 9600};
    if (resolutionId < 0 || resolutionId >= static_cast<int32_t>(sizeof dpi / sizeof dpi[0])) return 0;
    return dpi[resolutionId];
}

void ComputeDefaultScanArea() {
    const AdjustmentSettings& s = uiGlobals.settings;
    float x = 0, y = 0, w, h;
    if (s.paperSize == CustomPaperSize) {
        x = s.customStartInchX;
        y = s.customStartInchY;
        w = s.customInchWidth;
        h = s.customInchHeight;
    } else if (s.paperSize >= 0 && s.paperSize < AdjustmentPaperRows) {
        w = adjustmentPaperTable[s.paperSize].widthInch;
        h = adjustmentPaperTable[s.paperSize].heightInch;
    } else {
        return;  // another device paper code: the core's own area stays
    }
    ScanImage& preview = *GetPreviewImage();
    preview.left = Truncate(x * 75);
    preview.top = Truncate(y * 75);
    preview.right = Truncate((x + w) * 75);
    preview.bottom = Truncate((y + h) * 75);

    int32_t d = ResolutionIdDpi(s.resolutionId);
    if (d == 0) return;  // no resolution to measure in: the core's own area stays
    ScanWindow& window = *GetScanWindow();
    window.areaLeft = Truncate(x * d);
    window.areaTop = Truncate(y * d);
    window.areaWidth = Truncate(w * d);
    window.areaHeight = Truncate(h * d);
}

void ApplyAdjustmentSettings() {
    const AdjustmentSettings& s = uiGlobals.settings;
    CoreContext& core = *GetCoreContext();
    ScanSettings& scan = core.scan;
    core.transportKindSetting = s.ioTypeSelect;
    scan.uiPixelType = scan.pixelType = s.scanMode;
    core.scanWindow.resolutionIndex = s.resolutionId;
    core.scanWindow.paperSizeCode = s.paperSize;
    core.scanWindow.paperSource = s.adfDuplex;
    scan.selectedAreaOnly = s.selectAreaImgProcess;
    scan.imageWidth = core.previewImage.width;
    scan.imageHeight = core.previewImage.height;
    scan.scalePercent = s.scale;
    scan.rotation = s.rotate;
    scan.rotateBackPages = s.rotateBackPages;
    scan.reversal = s.reversal;
    ComputeDefaultScanArea();
    scan.brightness = Clamp(s.bright, -100, 100);
    scan.contrast = Clamp(s.contrast, -100, 100);
    scan.sharpness = Clamp(s.sharp, -2, 3);
    scan.descreen = s.descreen;
    for (int i = 0; i < 9; ++i) scan.balance[i] = Clamp(s.balance[i], -100, 100);
    // The curve goes through unchecked: the pipeline itself refuses a curve
    // that is not increasing, and the main dialog can replace it.
    scan.curveMode = s.curveMode;
    for (int i = 0; i < 5; ++i) {
        scan.curveIn[i] = s.curveIn[i];
        scan.curveOut[i] = s.curveOut[i];
    }
    scan.hue = Clamp(s.hue, -180, 180);
    scan.saturation = Clamp(s.saturation, -100, 100);
    scan.lightness = Clamp(s.lightness, -100, 100);
}

int32_t ParseProfileInt(const char* text) {
    if (text == nullptr) return 0;
    while (*text == ' ' || *text == '\t') ++text;
    bool negative = *text == '-';
    if (negative || *text == '+') ++text;
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<int32_t>(value);
}
