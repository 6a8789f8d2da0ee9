// The preview image reduced to the size it is shown at: every shown pixel is
// the average of the source pixels it covers, as a half-tone stretch does,
// computed here because the platform's half-tone stretch is slow under Wine.
// Platform-free.
#pragma once

#include <cstdint>
#include <vector>

// A 24-bit image: rows of 3 bytes per pixel, `stride` bytes apart.
struct BgrImage {
    const uint8_t* bits;
    int32_t width, height, stride;
};

// Rows of 3 * width bytes padded to four, in the source's row order; empty
// when either image has no pixels. A side larger than the source repeats
// source pixels.
std::vector<uint8_t> ShrinkBgrImage(const BgrImage& source, int32_t width, int32_t height);

// Bytes of one padded row of a 24-bit image.
inline int32_t BgrStride(int32_t width) { return (width * 3 + 3) & ~3; }
