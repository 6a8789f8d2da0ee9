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

// Fills `out` from the inputs; false (out untouched) when the resolution index
// lies outside the table, so nothing is divided by a made-up resolution.
bool FillWindowDescriptor(const WindowInputs& in, WindowDescriptor* out);
