// How the scan window and settings become the descriptor SCAN_SETWINDOW sends.
#pragma once

#include <cstdint>

#include "device/command_block.h"

// Everything the descriptor depends on, gathered by the caller from the core.
struct WindowInputs {
    int32_t previewMode;
    int32_t physicalWidth;   // platen, 1/100 inch
    int32_t physicalHeight;  // platen, 1/100 inch
    int32_t brightness;      // -100..100
    int32_t pixelType;
    int32_t paperSizeCode;  // 255 = custom area
    int32_t resolutionIndex;
    int32_t areaLeft;  // custom area, pixels at the selected resolution
    int32_t areaTop;
    int32_t areaWidth;
    int32_t areaHeight;
    int32_t paperSource;
    int32_t paperWidth600;  // standard paper size in 1/600 inch
    int32_t paperLength600;
};

constexpr int32_t CustomPaperSizeCode = 255;
constexpr int32_t ResolutionCount = 10;

// Dots per inch of a resolution index, 0 for an index outside 0..9.
int32_t ResolutionAtIndex(int32_t index);

// Fills `out` from the inputs; false (out untouched) when the resolution index
// lies outside the table, so nothing is divided by a made-up resolution.
bool FillWindowDescriptor(const WindowInputs& in, WindowDescriptor* out);
