// Hue, saturation and lightness in integer fixed point (10000 = 1.0, hue in
// whole degrees), so every build produces the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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

// Remembers recent results of ShiftHueSaturation for one hue and saturation:
// scanned pages repeat colours a great deal, and a hit costs a table read
// instead of two conversions. Results are the same bytes either way.
class HueSaturationCache {
   public:
    // Keeps the remembered results when the parameters are unchanged.
    void Reset(int32_t hue, int32_t saturation);
    // The shifted pixel for R | G << 8 | B << 16, in the same packing.
    uint32_t Shift(uint32_t rgb) {
        uint64_t& slot = slots_[(rgb * 2654435761u) >> (32 - kSlotBits)];
        if (static_cast<uint32_t>(slot >> 32) == rgb + 1) return static_cast<uint32_t>(slot);
        return Fill(slot, rgb);
    }

   private:
    uint32_t Fill(uint64_t& slot, uint32_t rgb);

    static constexpr int kSlotBits = 14;
    static constexpr size_t kSlots = size_t{1} << kSlotBits;
    int32_t hue_ = 0;
    int32_t saturation_ = 0;
    std::vector<uint64_t> slots_;  // (rgb + 1) << 32 | result; 0 is empty
};
