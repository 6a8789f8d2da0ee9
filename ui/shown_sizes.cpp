#include "ui/shown_sizes.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr int DpiTable[] = {100, 150, 200, 300, 400, 600, 1200};

// Rounding remainder 0..99 of a value in the unit: 50 and above rounded up.
int64_t Remainder(int32_t v, int unit, int dpi) {
    switch (unit) {
        case UnitInch:
            return (static_cast<int64_t>(v) * 10000 / 6000) % 100;
        case UnitMillimetre:
            return (static_cast<int64_t>(v) * 2540 / 6000) % 100;
        default:
            return (static_cast<int64_t>(v) * dpi * 100 / 6000) % 100;
    }
}

// The shown value in hundredths of an inch, or whole mm or pixels.
int64_t Steps(int32_t v, int unit, int dpi) {
    switch (unit) {
        case UnitInch:
            return static_cast<int64_t>(std::floor(v / 60.0 + 0.5));
        case UnitMillimetre:
            return static_cast<int64_t>(std::floor(v * 25.4 / 6000.0 + 0.5));
        default:
            return static_cast<int64_t>(std::floor(static_cast<double>(dpi) * v / 6000.0 + 0.5));
    }
}

std::string StepsText(int64_t steps, int unit) {
    char text[32];
    if (unit == UnitInch) {
        snprintf(text, sizeof text, "%0.2f", steps / 100.0);
    } else {
        snprintf(text, sizeof text, "%lld", static_cast<long long>(steps));
    }
    return text;
}

// -1, 0 or +1 step for the offset o of an area of size s in a side of d.
int OffsetFix(int32_t d, int32_t o, int32_t s, int unit, int dpi) {
    const int64_t rd = Remainder(d, unit, dpi), ro = Remainder(o, unit, dpi), rs = Remainder(s, unit, dpi);
    if (ro == 0) return 0;
    if (rd >= 50 && ro < 50 && rs < 50) return 1;
    if (rd < 50 && ro >= 50 && rs >= 50) return -1;
    return 0;
}

}  // namespace

int DpiOfResolutionIndex(int index) { return index >= 0 && index < 7 ? DpiTable[index] : 0; }

std::string SizeText(int32_t value, int unit, int dpi) { return StepsText(Steps(value, unit, dpi), unit); }

ShownSizes ShowSizes(int32_t a, int32_t b, int32_t x, int32_t y, int32_t h, int32_t v, bool withArea,
                     int unit, int dpi, bool atEdgesOnly) {
    ShownSizes shown;
    shown.width = SizeText(a, unit, dpi);
    shown.length = SizeText(b, unit, dpi);
    if (!withArea) return shown;
    const int32_t edge = unit == UnitInch ? 38 : 200;
    const bool right = unit == UnitPixel || a - (x + h) <= edge;
    const bool bottom = unit == UnitPixel || b - (y + v) <= edge;
    const int64_t left = Steps(x, unit, dpi) + ((right || !atEdgesOnly) ? OffsetFix(a, x, h, unit, dpi) : 0);
    const int64_t top = Steps(y, unit, dpi) + ((bottom || !atEdgesOnly) ? OffsetFix(b, y, v, unit, dpi) : 0);
    shown.left = StepsText(left, unit);
    shown.top = StepsText(top, unit);
    shown.areaWidth = SizeText(h, unit, dpi);
    shown.areaLength = SizeText(v, unit, dpi);
    return shown;
}
