// The spool file that keeps the last preview between sessions.
#pragma once

#include <string>

// Full path of "ZOL_MF1DS.raw" in the common application-data folder.
std::string SpoolFilePath();
// Rebuilds the preview image from the spool file; a missing or damaged file leaves no preview.
void RestorePreview(const char* spoolPath);
