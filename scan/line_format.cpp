#include "scan/line_format.h"

#include <cstring>

namespace {
uint64_t BytesFor(int32_t pixelType, int64_t pixels) {
    if (pixelType == 3) return 3 * static_cast<uint64_t>(pixels);
    if (pixelType == 2) return static_cast<uint64_t>(pixels);
    return (static_cast<uint64_t>(pixels) + 7) / 8;
}
}  // namespace

ScanJobSizes ComputeScanJobSizes(int32_t pixelType, int32_t deviceLineWidth, int32_t deviceLineCount,
                                 int32_t imageWidth, int32_t transportKind) {
    ScanJobSizes sizes{};
    if (deviceLineWidth <= 0 || deviceLineCount <= 0 || imageWidth <= 0 || imageWidth > deviceLineWidth) {
        return sizes;
    }
    sizes.deviceLineBytes = BytesFor(pixelType, deviceLineWidth);
    sizes.rowBytes = BytesFor(pixelType, imageWidth);
    sizes.deviceBytes = sizes.deviceLineBytes * static_cast<uint64_t>(deviceLineCount);
    const uint64_t limit = transportKind == 0 ? UsbReadLimit : NetworkReadLimit;
    sizes.readSize = limit / sizes.deviceLineBytes * sizes.deviceLineBytes;
    // A line longer than one read could never be fetched whole.
    sizes.usable = sizes.readSize > 0 && sizes.deviceBytes <= MaxJobBytes;
    return sizes;
}

void RepackDeviceLines(const uint8_t* source, uint8_t* dest, uint32_t lines, int32_t pixelType,
                       const ScanJobSizes& sizes, int32_t deviceLineWidth, int32_t imageWidth) {
    for (uint32_t line = 0; line < lines; ++line) {
        const uint8_t* in = source + line * sizes.deviceLineBytes;
        uint8_t* out = dest + line * sizes.rowBytes;
        if (pixelType != 3) {
            memcpy(out, in, sizes.rowBytes);
            continue;
        }
        const uint8_t* red = in;
        const uint8_t* green = in + deviceLineWidth;
        const uint8_t* blue = in + 2 * static_cast<uint64_t>(deviceLineWidth);
        for (int32_t i = 0; i < imageWidth; ++i) {
            out[3 * i] = red[i];
            out[3 * i + 1] = green[i];
            out[3 * i + 2] = blue[i];
        }
    }
}
