// Pages other than the test chart, for benchmarks: a scanned photo's smooth
// shading and hard edges under sensor noise, where nearly every pixel's colour
// is new, and pure noise. Pure functions of the page position, like the chart.
#pragma once

#include <cstdint>

#include "tools/sim/sim_chart.h"

namespace tarvik_sim {

enum class PageContent { Chart, Photo, Noise };

// Colour of a photo-like or noise page at a page position in 1/600 inch.
ChartRgb PhotoColourAt(uint32_t page, uint32_t x600, uint32_t y600);
ChartRgb NoiseColourAt(uint32_t page, uint32_t x600, uint32_t y600);

// Device line `line` of a page with the given content, in the format
// RenderChartLine writes.
void RenderContentLine(const ChartGeometry& geometry, PageContent content, uint32_t page, uint32_t line,
                       uint8_t* out);

}  // namespace tarvik_sim
