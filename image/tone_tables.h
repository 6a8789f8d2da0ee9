// Tone tables: brightness/contrast, the tone curve and colour balance folded
// into four 256-entry tables once per image (red, green, blue, grey).
#pragma once

#include <cstdint>

#include "scan/scan_settings.h"

struct ToneTables {
    uint8_t red[256];
    uint8_t green[256];
    uint8_t blue[256];
    uint8_t grey[256];
};

// The module-wide tables the pipeline maps rows through.
ToneTables& GetToneTables();

// Rebuilds the tables from the settings: identity, then each enabled and
// non-neutral step in order. Which steps are enabled follows pixelType and,
// for colour data, uiPixelType. Returns true when some step changed the
// tables. Null settings leave identity tables.
bool BuildToneTables(const ScanSettings* settings);
