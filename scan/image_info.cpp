// Output size, row length and image information of the delivered image.
#include "scan/image_info.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <utility>

#include "scan/line_format.h"
#include "scan/paper_tables.h"

namespace {

// Descreening halves grey and colour images below 600 dpi.
bool HalvesForDescreen(const ScanSettings& scan, int32_t resolutionIndex) {
    return scan.descreen != 0 && resolutionIndex < 6 && (scan.pixelType == 2 || scan.pixelType == 3);
}

// A size computed in 64 bits or double, brought into what the record holds.
int32_t Saturate(double value) {
    if (!(value > 0)) return 0;
    if (value >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    return static_cast<int32_t>(value);
}

int32_t ScaledSize(int32_t factor, int32_t size, int32_t scalePercent) {
    // Truncated like the double expression f * size * scale / 100.
    return Saturate(std::trunc(static_cast<double>(factor) * size * scalePercent / 100.0));
}

TW_FIX32 WholeFix32(int32_t value) {
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(value);
    fix.Frac = 0;
    return fix;
}

}  // namespace

int64_t RowBytes(const ScanSettings& scan, int64_t width) {
    if (width <= 0) return 0;
    int64_t bytes;
    if (scan.pixelType == 3) {
        bytes = 3 * width;
    } else if (scan.pixelType == 2) {
        bytes = width;
    } else {
        bytes = (width + 7) / 8;
    }
    if (scan.scanPurpose == SCANPURPOSE_NATIVE_OR_FILE || scan.scanPurpose == SCANPURPOSE_PREVIEW) {
        bytes = (bytes + 3) / 4 * 4;
    }
    return bytes;
}

void PlainOutputSize(const ScanSettings& scan, int32_t resolutionIndex, int32_t* width, int32_t* height) {
    const int32_t factor = InterpolationFactor(resolutionIndex);
    *width = ScaledSize(factor, scan.imageWidth, scan.scalePercent);
    *height = ScaledSize(factor, scan.imageHeight, scan.scalePercent);
}

void ComputeOutputSize(ScanSettings* scan, int32_t resolutionIndex) {
    int32_t w = scan->imageWidth;
    int32_t h = scan->imageHeight;
    if (scan->rotation == 1 || scan->rotation == 3) std::swap(w, h);
    if (HalvesForDescreen(*scan, resolutionIndex)) {
        scan->outputWidth = Saturate(static_cast<double>(int64_t{scan->scalePercent} * w / 200));
        scan->outputHeight = Saturate(static_cast<double>(int64_t{scan->scalePercent} * h / 200));
        return;
    }
    const int32_t factor = InterpolationFactor(resolutionIndex);
    scan->outputWidth = ScaledSize(factor, w, scan->scalePercent);
    scan->outputHeight = ScaledSize(factor, h, scan->scalePercent);
}

bool DeliveredImageFits(const ScanSettings& scan, int32_t resolutionIndex) {
    constexpr int64_t HeaderReserve = 2048;
    ScanSettings bitmap = scan;
    bitmap.scanPurpose = SCANPURPOSE_NATIVE_OR_FILE;
    ComputeOutputSize(&bitmap, resolutionIndex);
    const int64_t rowBytes = RowBytes(bitmap, bitmap.outputWidth);
    const int64_t limit = static_cast<int64_t>(MaxJobBytes) - HeaderReserve;
    return rowBytes == 0 || bitmap.outputHeight <= limit / rowBytes;
}

void FillImageInfo(const ScanSettings& scan, int32_t resolutionIndex, TW_IMAGEINFO* info) {
    TW_IMAGEINFO out;
    std::memset(&out, 0, sizeof out);
    out.XResolution = WholeFix32(ResolutionDpi(resolutionIndex));
    out.YResolution = out.XResolution;
    out.ImageWidth = scan.outputWidth;
    out.ImageLength = scan.outputHeight;
    out.Planar = 0;
    out.Compression = TWCP_NONE;
    if (scan.pixelType == 3) {
        out.SamplesPerPixel = 3;
        out.BitsPerSample[0] = out.BitsPerSample[1] = out.BitsPerSample[2] = 8;
        out.BitsPerPixel = 24;
        out.PixelType = TWPT_RGB;
    } else if (scan.pixelType == 2) {
        out.SamplesPerPixel = 1;
        out.BitsPerSample[0] = 8;
        out.BitsPerPixel = 8;
        out.PixelType = TWPT_GRAY;
    } else {
        out.SamplesPerPixel = 1;
        out.BitsPerSample[0] = 1;
        out.BitsPerPixel = 1;
        out.PixelType = TWPT_BW;
    }
    std::memcpy(info, &out, sizeof out);
}
