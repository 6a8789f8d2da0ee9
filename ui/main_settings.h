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
// exists at path. Counts outside 0..100 are clamped into it.
void LoadMainSettings(const char* path);
// Writes the whole store; write failures are ignored.
void SaveMainSettings(const char* path);
