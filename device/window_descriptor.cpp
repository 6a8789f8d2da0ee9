#include "device/window_descriptor.h"

#include "scan/paper_tables.h"

namespace {

constexpr int32_t DeviceBaseDpi = 600;

constexpr uint8_t ResoPreview = 0xFF;
constexpr uint8_t ResoExplicit = 3;
constexpr uint8_t Reso600 = 2;

uint16_t Low16(int64_t value) { return static_cast<uint16_t>(value & 0xFFFF); }
uint8_t Low8(int32_t value) { return static_cast<uint8_t>(value & 0xFF); }

// The device knows 150, 300 and 600 dpi by code; lower resolutions are asked for
// explicitly and higher ones are scanned at 600 and enlarged by the source.
void ChooseResolution(int32_t index, WindowDescriptor* out) {
    int32_t dpi = ResolutionDpi(index);
    out->xResolution = 0;
    if (index == 2) {
        out->reso = 0;
    } else if (index == 4) {
        out->reso = 1;
    } else if (index == 6 || dpi >= DeviceBaseDpi) {
        out->reso = Reso600;
    } else {
        out->reso = ResoExplicit;
        out->xResolution = Low16(dpi);
    }
    out->yResolution = out->xResolution;
}

// A preview always covers the whole platen in colour at the device's own resolution.
void FillPreview(const WindowInputs& in, WindowDescriptor* out) {
    out->reso = ResoPreview;
    out->scanType = 3;
    out->origSize = 0xFF;
    out->x = 0;
    out->y = 0;
    out->width = Low16(int64_t{in.physicalWidth} * DeviceBaseDpi / 100);
    out->length = Low16(int64_t{in.physicalHeight} * DeviceBaseDpi / 100);
    out->paperSource = 0;
    out->xResolution = 0;
    out->yResolution = 0;
}

// Custom areas are kept in pixels of the selected resolution; the device wants 1/600 inch.
void FillArea(const WindowInputs& in, WindowDescriptor* out) {
    if (in.paperSizeCode == PaperCodeCustomArea) {
        int64_t dpi = ResolutionDpi(in.resolutionIndex);
        out->x = Low16(int64_t{in.areaLeft} * DeviceBaseDpi / dpi);
        out->y = Low16(int64_t{in.areaTop} * DeviceBaseDpi / dpi);
        out->width = Low16(int64_t{in.areaWidth} * DeviceBaseDpi / dpi);
        out->length = Low16(int64_t{in.areaHeight} * DeviceBaseDpi / dpi);
    } else {
        out->x = 0;
        out->y = 0;
        out->width = Low16(in.paperWidth600);
        out->length = Low16(in.paperLength600);
    }
}

}  // namespace

bool FillWindowDescriptor(const WindowInputs& in, WindowDescriptor* out) {
    if (out == nullptr) return false;
    WindowDescriptor window{};
    window.brightness = Low8(in.brightness + 101);
    if (in.previewMode == 1) {
        FillPreview(in, &window);
    } else {
        if (ResolutionDpi(in.resolutionIndex) == 0) return false;
        ChooseResolution(in.resolutionIndex, &window);
        window.scanType = Low8(in.pixelType);
        window.origSize = Low8(in.paperSizeCode);
        window.paperSource = Low8(in.paperSource);
        FillArea(in, &window);
    }
    *out = window;
    return true;
}
