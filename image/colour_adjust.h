// Hue, saturation and lightness in integer fixed point (10000 = 1.0, hue in
// whole degrees), so every build produces the same bytes.
#pragma once

#include <cstdint>

#include "image/filters.h"

struct Hsl {
    int32_t hue;         // degrees, 0..360
    int32_t saturation;  // 0..10000
    int32_t lightness;   // 0..10000
};

// Moves each channel toward white (lightness > 0) or black (< 0) by
// lightness percent; 0 leaves the pixel as it is.
Pixel ApplyLightness(Pixel pixel, int32_t lightness);
// One channel of ApplyLightness, for building per-channel tables.
uint8_t LightnessOfChannel(uint8_t v, int32_t lightness);

Hsl RgbToHsl(Pixel pixel);
// Saturation is limited to 10000; hue may lie one turn outside 0..360.
Pixel HslToRgb(Hsl hsl);

// The hue and saturation step: hue shifted by `hue` degrees and saturation
// scaled by (saturation + 100) percent.
Pixel ShiftHueSaturation(Pixel pixel, int32_t hue, int32_t saturation);
