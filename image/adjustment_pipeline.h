// The adjustment pipeline: filters, tone tables, hue/saturation/lightness,
// negative and the preview's look, applied to scanned rows while the scan
// runs, two rows behind the data.
#pragma once

#include <cstdint>

#include "scan/scan_settings.h"

// Result of AdjustRows when the record, its buffers or its sizes cannot be
// used at all; 1..7 are the codes of ValidateAdjustments.
constexpr int kAdjustUnusableInput = -1;

// 0 when every adjustment value lies in its range, else the code of the first
// failing group: 1 brightness, 2 contrast, 4 curve, 5 balance, 6 sharpness,
// 7 hue/saturation/lightness. Null settings give kAdjustUnusableInput.
int ValidateAdjustments(const ScanSettings* settings);

// Adjusts the rows whose neighbourhood is complete after rows
// firstRow..firstRow+rowCount-1 have arrived; firstRow 0 starts a new image.
// Returns 0, a ValidateAdjustments code (nothing written), or
// kAdjustUnusableInput. Not re-entrant: one image at a time.
int AdjustRows(ScanSettings* settings, int32_t firstRow, int32_t rowCount);

// True when adjusting a row costs more than a table lookup per byte: a
// filter or the hue/saturation/lightness step runs on it.
bool AdjustmentIsHeavy(const ScanSettings* settings);

// The row adjusters behind AdjustRows, one per kind of data (pixelType 3, 2,
// anything else). They assume validated settings and usable buffers.
void AdjustColourRows(ScanSettings* settings, int32_t firstRow, int32_t rowCount);
void AdjustGreyRows(ScanSettings* settings, int32_t firstRow, int32_t rowCount);
void AdjustBilevelRows(ScanSettings* settings, int32_t firstRow, int32_t rowCount);
