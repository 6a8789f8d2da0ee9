// The main settings file KTX_TWAIN.ini: defaults, loading and saving of the
// settings part of MainUiState (Windows only: private-profile files and the
// resource module's strings).
#pragma once

#include "ui/main_ui_state.h"

// Fills the settings, the paper size table and mode records 0..3; the user's
// locale ("intl", "iMeasure") chooses inch/Letter or millimetre/A4.
void SetMainDefaults();
// Same with the measurement system given: true for inch, false for metric.
void SetMainDefaultsFor(bool inchSystem);
// Reads the file into the settings and both tables; nothing when no file
// exists at path. Counts outside 0..100 are clamped into it. Run after
// SetMainDefaults: a missing "Scan_Size", "Unit", "Custom_A" or "Custom_B"
// keeps its default, and a missing "Scan_A" or "Scan_B" takes the size of the
// paper (or custom size or area) that the size index names.
void LoadMainSettings(const char* path);
// Writes the whole store; write failures are ignored.
void SaveMainSettings(const char* path);
