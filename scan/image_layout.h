// The layout frame of the scan area in inches and its conversion to and from
// the scan window's custom area in pixels. Platform-free.
#pragma once

#include <cstdint>

#include "core/twain.h"
#include "scan/scan_settings.h"

// Inches to FIX32 the way the layout answers have always been rounded:
// (inches + bias) * 65536 + 0.5, truncated.
TW_FIX32 LayoutFix32(double inches, double bias);

// The frame of the selected paper size, or of the custom area at 'dpi' when the
// paper code has no TWSS value. False when the custom area is selected but the
// resolution is unknown (dpi 0).
bool CurrentLayoutFrame(const ScanWindow& window, int32_t dpi, TW_FRAME* frame);

// The frame of the whole platen (physical size in hundredths of an inch).
TW_FRAME PlatenFrame(int32_t physicalWidth, int32_t physicalHeight);

// Stores a frame as the custom area at 'dpi'. Pixel values outside 0..65535
// are clamped rather than wrapped; returns false when anything was clamped.
bool StoreLayoutFrame(const TW_FRAME& frame, int32_t dpi, ScanWindow* window);
