#include "scan/dib_header.h"

#include <cstring>

#include "core/core_context.h"
#include "image/row_bytes.h"
#include "scan/paper_tables.h"

namespace {

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

int32_t BitsPerPixel(int32_t pixelType) { return pixelType == 3 ? 24 : pixelType == 2 ? 8 : 1; }

}  // namespace

int32_t DibPaletteSize(int32_t pixelType) { return pixelType == 3 ? 0 : pixelType == 2 ? 1024 : 8; }

int32_t BuildDibHeaderFor(uint8_t* dest, int32_t width, int32_t height, int32_t pixelType, int32_t dpi) {
    const int32_t bits = BitsPerPixel(pixelType);
    const uint32_t pelsPerMeter = static_cast<uint32_t>(dpi) * 10000u / 254u;
    const uint64_t imageSize = static_cast<uint64_t>(AlignedRowBytes(pixelType, width)) * static_cast<uint32_t>(height);
    memset(dest, 0, DibInfoHeaderSize);
    Put32(dest + 0, DibInfoHeaderSize);
    Put32(dest + 4, static_cast<uint32_t>(width));
    Put32(dest + 8, static_cast<uint32_t>(height));  // positive: rows bottom-up
    Put16(dest + 12, 1);
    Put16(dest + 14, static_cast<uint32_t>(bits));
    Put32(dest + 16, 0);  // BI_RGB
    Put32(dest + 20, static_cast<uint32_t>(imageSize));
    Put32(dest + 24, pelsPerMeter);
    Put32(dest + 28, pelsPerMeter);
    Put32(dest + 32, pixelType == 3 ? 0 : pixelType == 2 ? 256 : 2);
    Put32(dest + 36, 0);

    uint8_t* palette = dest + DibInfoHeaderSize;
    if (pixelType == 2) {
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<uint8_t>(i);
            uint8_t entry[4] = {v, v, v, 0};
            memcpy(palette + 4 * i, entry, 4);
        }
    } else if (pixelType != 3) {
        const uint8_t entries[8] = {0, 0, 0, 0, 255, 255, 255, 0};
        memcpy(palette, entries, sizeof entries);
    }
    return DibInfoHeaderSize + DibPaletteSize(pixelType);
}

int32_t BuildDibHeader(uint8_t* dest, int32_t width, int32_t height) {
    return BuildDibHeaderFor(dest, width, height, GetScanSettings()->pixelType,
                             ResolutionDpi(GetScanWindow()->resolutionIndex));
}
