// The device's paper codes with their sizes at 600 dpi, as the scan window needs them.
#pragma once

#include <cstdint>

// Width and length in 1/600 inch of paper code `code`; false (both 0) for a
// code the device does not know.
bool PaperSize600(int32_t code, int32_t* width, int32_t* length);
