// The spool file that keeps the raw rows of the last preview between
// sessions, and the preview image rebuilt from it.
#pragma once

#include <cstdint>
#include <string>

// Full path of "ZOL_MF1DS.raw" in the common application-data folder.
std::string SpoolFilePath();
// Rebuilds the preview from the spool file: 1 when a preview was restored, 0
// when the device or the file is not there (nothing visible changes then).
int RestorePreview(const char* spoolPath);
// Runs the adjustments again over the kept raw preview rows.
void RestorePreviewImage();
// Blanks the preview's bitmap header and deletes the spool file.
void ClearPreview();
// Writes 'size' bytes in one go: mode GENERIC_WRITE creates or truncates the
// file, FILE_APPEND_DATA appends to it; any other mode fails. True on success.
bool WriteWholeFile(const char* path, uint32_t mode, const void* data, uint64_t size);
