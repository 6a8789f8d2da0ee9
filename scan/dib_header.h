// The header and palette of a device-independent bitmap, as the preview, the
// native transfer and the BMP file carry them. Platform-free: written byte by
// byte in the little-endian layout Windows defines.
#pragma once

#include <cstdint>

constexpr int32_t DibInfoHeaderSize = 40;
// The largest header plus palette BuildDibHeader writes (grey: 40 + 1024).
constexpr int32_t DibHeaderMaxSize = DibInfoHeaderSize + 1024;

// Writes the header and palette for a bottom-up bitmap of the given pixel type
// (0/1 bilevel, 2 grey, 3 colour) and resolution; returns the bytes written
// (48, 1064 or 40).
int32_t BuildDibHeaderFor(uint8_t* dest, int32_t width, int32_t height, int32_t pixelType, int32_t dpi);
// The same for the current pixel type and resolution of the core context.
int32_t BuildDibHeader(uint8_t* dest, int32_t width, int32_t height);
// Bytes of palette that follow the header for a pixel type.
int32_t DibPaletteSize(int32_t pixelType);
