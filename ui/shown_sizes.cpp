#include "ui/shown_sizes.h"

#include "ui/size_fields.h"

namespace {

constexpr int DpiTable[] = {100, 150, 200, 300, 400, 600, 1200};

}  // namespace

int DpiOfResolutionIndex(int index) { return index >= 0 && index < 7 ? DpiTable[index] : 0; }

std::string SizeText(int32_t value, int unit, int dpi) { return FormatSizeValue(value, unit, dpi); }

ShownSizes ShowSizes(int32_t a, int32_t b, int32_t x, int32_t y, int32_t h, int32_t v, bool withArea,
                     int unit, int dpi, bool atEdgesOnly) {
    ShownSizes shown;
    shown.width = SizeText(a, unit, dpi);
    shown.length = SizeText(b, unit, dpi);
    if (!withArea) return shown;
    const int32_t edge = unit == UnitInch ? 38 : 200;
    // In 64 bits: values from a settings file may be anything.
    const bool right = unit == UnitPixel || int64_t{a} - x - h <= edge;
    const bool bottom = unit == UnitPixel || int64_t{b} - y - v <= edge;
    shown.left = FormatSizeValue(x, unit, dpi, (right || !atEdgesOnly) ? EdgeStep(a, x, h, unit, dpi) : 0);
    shown.top = FormatSizeValue(y, unit, dpi, (bottom || !atEdgesOnly) ? EdgeStep(b, y, v, unit, dpi) : 0);
    shown.areaWidth = SizeText(h, unit, dpi);
    shown.areaLength = SizeText(v, unit, dpi);
    return shown;
}
