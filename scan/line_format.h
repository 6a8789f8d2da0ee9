// The sizes of one scan job and the conversion of the device's line format
// into packed image rows. Platform-free; every size that multiplies
// device-given numbers is computed in 64 bits.
#pragma once

#include <cstdint>

struct ScanJobSizes {
    uint64_t deviceLineBytes;  // L: one line as the device sends it
    uint64_t rowBytes;         // R: one packed image row
    uint64_t deviceBytes;      // E: the whole image as the device sends it
    uint64_t readSize;         // whole lines per read: up to 64 KB over USB, 512 KB over the network
    bool usable;               // false when the device's geometry cannot be scanned
};

constexpr uint64_t UsbReadLimit = 65535;
constexpr uint64_t NetworkReadLimit = 524287;
// Larger jobs than this are refused: no 32-bit process can hold their buffers.
constexpr uint64_t MaxJobBytes = 0x7FFF0000ull;

// Sizes for a job of the given pixel type (0/1 bilevel, 2 grey, 3 colour) and
// device geometry; transportKind 0 is USB, anything else the network.
ScanJobSizes ComputeScanJobSizes(int32_t pixelType, int32_t deviceLineWidth, int32_t deviceLineCount,
                                 int32_t imageWidth, int32_t transportKind);

// Converts 'lines' device lines at 'source' into packed rows at 'dest': colour
// planes are interleaved into RGB triplets, grey and bilevel rows keep their
// first R bytes.
void RepackDeviceLines(const uint8_t* source, uint8_t* dest, uint32_t lines, int32_t pixelType,
                       const ScanJobSizes& sizes, int32_t deviceLineWidth, int32_t imageWidth);
