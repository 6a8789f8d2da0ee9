// The resolution table and the device's paper size table, shared by the
// capability answers, image info and layout, and the scan window. Platform-free.
#pragma once

#include <cstdint>
#include <span>

// One row of the paper size table: the device's paper code (also what
// `paperSizeCode` holds), the matching TWSS value, the size in hundredths of an
// inch and in pixels at 600 dpi.
struct PaperCodeEntry {
    uint16_t code;
    uint16_t twss;
    int32_t widthHundredths;
    int32_t heightHundredths;
    int32_t width600;
    int32_t height600;
};

constexpr uint16_t PaperCodeCustomArea = 255;
constexpr int32_t ResolutionCount = 10;

// All rows, in the order the lookup searches them.
std::span<const PaperCodeEntry> PaperCodeTable();

// Copy of the first row with this code; a row of zeros when none has it.
PaperCodeEntry LookupPaperCode(int32_t code);

// Dots per inch at a resolution index (0..9); 0 for any index outside the table.
int32_t ResolutionDpi(int32_t index);

// Index of a resolution in dots per inch, or -1 when the table does not hold it.
int32_t ResolutionIndexOf(int32_t dpi);

// Enlargement after a 600 dpi scan: 2, 4 and 8 for indexes 7, 8 and 9, else 1.
int32_t InterpolationFactor(int32_t index);
