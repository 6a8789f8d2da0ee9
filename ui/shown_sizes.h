// Lengths in 1/6000 inch as the registration dialogs show them in the main
// dialog's unit: inch with two decimals, whole millimetres or whole pixels,
// with the left/top fix-up that keeps a flush area looking flush.
#pragma once

#include <cstdint>
#include <string>

constexpr int UnitInch = 0;
constexpr int UnitMillimetre = 1;
constexpr int UnitPixel = 2;

// Dots per inch of a resolution index 0..6 (100..1200); 0 for other indices.
int DpiOfResolutionIndex(int index);
// One value as text in unit; pixels at dpi.
std::string SizeText(int32_t value, int unit, int dpi);

struct ShownSizes {
    std::string width, length, left, top, areaWidth, areaLength;
};
// Document width a and length b and, when withArea, the area x, y, h, v. With
// atEdgesOnly the left (top) fix-up is made only for an area that reaches the
// right (bottom) edge, as the main dialog's fields do; without it whenever
// the rounding pattern calls for it.
ShownSizes ShowSizes(int32_t a, int32_t b, int32_t x, int32_t y, int32_t h, int32_t v, bool withArea,
                     int unit, int dpi, bool atEdgesOnly);
