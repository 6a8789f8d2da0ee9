// The image DAT_IMAGEINFO described to the application. The device is asked
// for the geometry again when the transfer starts; whatever it says then, the
// application must receive the image it was told about, or a failure.
// Platform-free.
#pragma once

#include <cstdint>

#include "core/twain.h"
#include "scan/scan_settings.h"

// Keeps the size and depth of `info` for the coming transfer.
void AnnounceImage(const TW_IMAGEINFO& info);
// The coming transfer has been told nothing (yet); its image is whatever it scans.
void ForgetAnnouncedImage();
// True when nothing was announced, or when the output the settings describe
// (ComputeOutputSize must have run) has the announced width, length and bits
// per pixel.
bool MatchesAnnouncedImage(const ScanSettings& scan, int32_t resolutionIndex);
