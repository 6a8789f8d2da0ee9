#include "image/colour_adjust.h"

#include <algorithm>
#include <array>

#include "image/exact_divide.h"

namespace {

constexpr int32_t kOne = 10000;

// Divisors of RgbToHsl: d (1..255), sum and 510 - sum (1..510); built at
// compile time.
constexpr std::array<ExactDivider, 511> kDividers = [] {
    std::array<ExactDivider, 511> t{};
    for (uint32_t d = 1; d < t.size(); ++d) t[d] = ExactDivider(d, 255 * kOne);
    return t;
}();

// Numerators here are never negative, so the exact unsigned quotient equals
// the truncated one.
int32_t DivideSmall(int32_t n, int32_t d) { return static_cast<int32_t>(kDividers[d].Divide(n)); }

// One channel of the HSL-to-RGB ramp for hue angle a.
int32_t HueRamp(int32_t m1, int32_t m2, int32_t a) {
    if (a < 0) {
        a += 360;
    } else if (a > 360) {
        a -= 360;
    }
    if (a < 60) return ((m2 - m1) * a + 60 * m1) / 60;
    if (a < 180) return m2;
    if (a >= 240) return m1;
    return (60 * m1 + (m2 - m1) * (240 - a)) / 60;
}

uint8_t ToByte(int32_t fixed) { return static_cast<uint8_t>(std::clamp((fixed * 255) / kOne, 0, 255)); }

}  // namespace

uint8_t LightnessOfChannel(uint8_t v, int32_t lightness) {
    int32_t r = v;
    if (lightness > 0) {
        r = (100 * v + (255 - v) * lightness) / 100;
    } else if (lightness < 0) {
        r = ((lightness + 100) * v) / 100;
    }
    return static_cast<uint8_t>(std::clamp(r, 0, 255));
}

Pixel ApplyLightness(Pixel pixel, int32_t lightness) {
    for (uint8_t& c : pixel.c) c = LightnessOfChannel(c, lightness);
    return pixel;
}

Hsl RgbToHsl(Pixel pixel) {
    const int32_t r = pixel.c[0], g = pixel.c[1], b = pixel.c[2];
    const int32_t mx = std::max({r, g, b});
    const int32_t mn = std::min({r, g, b});
    const int32_t sum = mx + mn;
    const int32_t d = mx - mn;
    Hsl hsl{0, 0, (sum * kOne) / 510};
    if (d == 0 || hsl.lightness == 0) return hsl;
    // Every hue numerator below is >= 0: the subtracted channel is never the
    // larger one in its case.
    hsl.saturation = DivideSmall(d * kOne, hsl.lightness <= 5000 ? sum : 510 - sum);
    if (mx == r && mn == b) {
        hsl.hue = DivideSmall((g - b) * 60, d);
    } else if (mx == g && mn == b) {
        hsl.hue = DivideSmall((g - r) * 60, d) + 60;
    } else if (mx == g && mn == r) {
        hsl.hue = DivideSmall((b - r) * 60, d) + 120;
    } else if (mx == b && mn == r) {
        hsl.hue = DivideSmall((b - g) * 60, d) + 180;
    } else if (mx == b && mn == g) {
        hsl.hue = DivideSmall((r - g) * 60, d) + 240;
    } else {
        hsl.hue = DivideSmall((r - b) * 60, d) + 300;
    }
    return hsl;
}

Pixel HslToRgb(Hsl hsl) {
    const int32_t s = std::min(hsl.saturation, kOne);
    const int32_t l = hsl.lightness;
    if (s == 0) {
        const uint8_t v = static_cast<uint8_t>(std::clamp((l * 255) / kOne, 0, 255));
        return Pixel{{v, v, v}};
    }
    const int32_t m2 = l <= 4999 ? (l * (kOne + s)) / kOne : (s * kOne + (kOne - s) * l) / kOne;
    const int32_t m1 = 2 * l - m2;
    return Pixel{{ToByte(HueRamp(m1, m2, hsl.hue + 120)), ToByte(HueRamp(m1, m2, hsl.hue)),
                  ToByte(HueRamp(m1, m2, hsl.hue - 120))}};
}

Pixel ShiftHueSaturation(Pixel pixel, int32_t hue, int32_t saturation) {
    Hsl hsl = RgbToHsl(pixel);
    hsl.hue += hue;
    hsl.saturation = ((saturation + 100) * hsl.saturation) / 100;
    return HslToRgb(hsl);
}

void HueSaturationCache::Reset(int32_t hue, int32_t saturation) {
    if (hue == hue_ && saturation == saturation_ && !slots_.empty()) return;
    hue_ = hue;
    saturation_ = saturation;
    slots_.assign(kSlots, 0);
}

uint32_t HueSaturationCache::Fill(uint64_t& slot, uint32_t rgb) {
    const Pixel in{
        {static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb >> 16)}};
    const Pixel out = ShiftHueSaturation(in, hue_, saturation_);
    const uint32_t value = uint32_t{out.c[0]} | uint32_t{out.c[1]} << 8 | uint32_t{out.c[2]} << 16;
    slot = uint64_t{rgb + 1} << 32 | value;
    return value;
}
