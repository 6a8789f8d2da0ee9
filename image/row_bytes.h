// Row lengths of the three pixel layouts the image code handles. Kept apart
// from the transfers so the geometry, the pipeline and the transfer set-up
// agree on one definition.
#pragma once

#include <cstdint>

// Bytes of one unpadded row: 3 per pixel for colour (3), 1 for grey (2), one
// bit per pixel rounded up to whole bytes for every other pixel type.
// Widths below 1 give 0.
inline int32_t PackedRowBytes(int32_t pixelType, int32_t width) {
    if (width <= 0) return 0;
    if (pixelType == 3) return 3 * width;
    if (pixelType == 2) return width;
    return (width + 7) / 8;
}

// The packed length raised to the next multiple of 4: the row stride of a
// device-independent bitmap.
inline int32_t AlignedRowBytes(int32_t pixelType, int32_t width) {
    return (PackedRowBytes(pixelType, width) + 3) / 4 * 4;
}

// Row length as delivered by a transfer: bitmaps and files (purpose 1) and the
// preview (purpose 2) use aligned rows, memory transfers (0) packed rows.
inline int32_t RowBytesForPurpose(int32_t pixelType, int32_t width, int32_t scanPurpose) {
    return scanPurpose == 0 ? PackedRowBytes(pixelType, width) : AlignedRowBytes(pixelType, width);
}
