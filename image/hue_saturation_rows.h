// The hue and saturation step over whole rows, four pixels at a time with
// SSE2. It gives exactly the bytes of ShiftHueSaturation: every integer
// division is done either as a single-precision division whose operands are
// small enough for the truncated quotient to be exact, or as an exact
// multiply-and-shift.
#pragma once

#include <cstdint>

// For `pixels` packed R, G, B pixels in place: each channel through its own
// table (tables[0] red, [1] green, [2] blue), then hue shifted by `hue`
// degrees and saturation scaled by (saturation + 100) percent, then, when
// `invert` is set, every byte v becomes 255 - v.
void ShiftHueSaturationRow(const uint8_t (*tables)[256], int32_t hue, int32_t saturation, bool invert,
                           uint8_t* rgb, int32_t pixels);
