// What a transfer delivers: the output size of the image, the length of its
// rows, the TW_IMAGEINFO that describes it and the layout frame of the scan
// area. Platform-free arithmetic shared by the handlers, the scan job and the
// transfers.
#pragma once

#include <cstdint>

#include "core/twain.h"
#include "scan/scan_settings.h"

// Bytes of one image row of 'width' pixels for the settings' pixel type: 3 per
// pixel for colour, 1 for grey, one bit for black and white; rounded up to a
// multiple of 4 for bitmaps and the preview (scanPurpose 1 and 2), unpadded for
// memory transfers. A width below 1 gives 0. 64-bit, so products of device
// sizes never wrap.
int64_t RowBytes(const ScanSettings& scan, int64_t width);

// Sets outputWidth and outputHeight from the scanned size, scale, rotation,
// descreen, pixel type and resolution index. Sizes beyond what 32 bits hold
// are capped at INT32_MAX and negative ones (a negative scale) become 0.
void ComputeOutputSize(ScanSettings* scan, int32_t resolutionIndex);

// The output size by the general rule alone (interpolation and scale, no
// rotation or descreen), as the native transfer's trial allocation uses it.
void PlainOutputSize(const ScanSettings& scan, int32_t resolutionIndex, int32_t* width, int32_t* height);

// Whether the image a final scan would deliver, as a bitmap with the room for
// its header, stays within what one job may allocate (MaxJobBytes). Larger
// images cannot be held by a 32-bit process in any transfer mechanism.
bool DeliveredImageFits(const ScanSettings& scan, int32_t resolutionIndex);

// Fills the TW_IMAGEINFO of the output image (ComputeOutputSize must have run).
void FillImageInfo(const ScanSettings& scan, int32_t resolutionIndex, TW_IMAGEINFO* info);
