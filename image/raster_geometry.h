// Raster geometry: turns the scanned image by quarter turns, scales it to the
// output size and lays it out in the row order, row alignment and byte order
// of the transfer, one strip of output rows at a time.
#pragma once

#include <cstdint>

#include "scan/scan_settings.h"

// Fill output rows firstRow..firstRow+rowCount-1 (storage order) into dest,
// rows 4-byte aligned. firstRow 0 starts a new image; later calls must
// continue where the previous one stopped, otherwise they write nothing.
// Rows past the output height are never written. Not re-entrant: one image
// per transform at a time.
void TransformColorStrip(ScanSettings* settings, int32_t pageIndex, uint8_t* dest, int32_t firstRow,
                         int32_t rowCount);
void TransformGrayStrip(ScanSettings* settings, int32_t pageIndex, uint8_t* dest, int32_t firstRow,
                        int32_t rowCount);
// The 1-bit transform only sets bits: dest must arrive zero-filled.
void TransformBitStrip(ScanSettings* settings, int32_t pageIndex, uint8_t* dest, int32_t firstRow,
                       int32_t rowCount);

// The bit (0 or 1) of the 1-bit source pixel seen at logical position (u, v)
// for the given quarter turns and scan purpose; positions beyond the image
// repeat its edge. An empty or missing image gives 0.
int ReadSourceBit(int32_t turn, int32_t scanPurpose, int32_t srcStride, const uint8_t* image, int32_t width,
                  int32_t height, int32_t u, int32_t v);

// Sets (never clears) the bit of pixel (column, row), most significant bit
// first within each byte.
void SetOutputBit(uint8_t* dest, int32_t stride, int32_t column, int32_t row);

// Effective quarter turns: back sides (even pageIndex) get two more when
// rotateBackPages is set.
int32_t EffectiveTurns(const ScanSettings* settings, int32_t pageIndex);

// Whether the bitmap of a native or file transfer is the image's own rows,
// only bottom-up and in the bitmap's byte order: grey or colour at its own
// size, unturned and unsampled. Such a bitmap can be laid out where the image is.
bool BitmapKeepsImageRows(const ScanSettings* settings, int32_t pageIndex);

// Turns the image of such a transfer, whose packed rows start `block`, into
// the rows of its bitmap behind a header of `headerBytes` (written by the
// caller): bottom-up, red and blue exchanged, rows 4-byte aligned, padding
// and the rest of the block zero. False, with nothing touched, when the
// block's `blockBytes` cannot hold the header and the aligned rows.
bool LayOutBitmapInPlace(const ScanSettings* settings, uint8_t* block, uint64_t blockBytes,
                         uint32_t headerBytes);
