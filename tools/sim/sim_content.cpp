#include "tools/sim/sim_content.h"

#include <algorithm>
#include <cmath>

namespace tarvik_sim {
namespace {

// A well-mixed 32-bit value of a position: noise that is the same for the
// same pixel in every scan, whatever the window.
uint32_t Mix(uint32_t page, uint32_t x, uint32_t y, uint32_t channel) {
    uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ channel * 0xC2B2AE3Du ^ page * 0x27D4EB2Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    return h ^ (h >> 15);
}

uint8_t ToByte(double value) { return static_cast<uint8_t>(std::clamp(static_cast<int>(value), 0, 255)); }

}  // namespace

ChartRgb PhotoColourAt(uint32_t page, uint32_t x600, uint32_t y600) {
    const double u = x600 / 5100.0, v = y600 / 7015.0;
    // Three discs and a band with hard edges over a smooth sky-to-ground shading.
    const double d1 = (u - 0.3) * (u - 0.3) + (v - 0.3) * (v - 0.3);
    const double d2 = (u - 0.7) * (u - 0.7) + (v - 0.55) * (v - 0.55);
    const double d3 = (u - 0.45) * (u - 0.45) + (v - 0.8) * (v - 0.8);
    const bool band = v > 0.62 && v < 0.66;
    const uint32_t levels[3] = {2, 6, 12};  // sensor noise of a few levels, varying by pixel
    const uint32_t amplitude = levels[Mix(page, x600, y600, 3) % 3];
    uint8_t channel[3];
    for (int c = 0; c < 3; ++c) {
        double value = 40 + 150 * v + 40 * std::sin(6.0 * u + 2.0 * c) + 25 * std::cos(9.0 * v * (c + 1));
        if (d1 < 0.02) value = 200 - 60 * c + 300 * d1;
        if (d2 < 0.03) value = 60 + 70 * c - 900 * d2;
        if (d3 < 0.01) value = 230 - 3000 * d3 * (c + 1);
        if (band) value = 30 + 90 * c;
        const auto grain =
            static_cast<int>(Mix(page, x600, y600, c) % (2 * amplitude + 1)) - static_cast<int>(amplitude);
        channel[c] = ToByte(value + grain);
    }
    return {channel[0], channel[1], channel[2]};
}

ChartRgb NoiseColourAt(uint32_t page, uint32_t x600, uint32_t y600) {
    const uint32_t h = Mix(page, x600, y600, 0);
    return {static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8), static_cast<uint8_t>(h >> 16)};
}

void RenderContentLine(const ChartGeometry& g, PageContent content, uint32_t page, uint32_t line,
                       uint8_t* out) {
    switch (content) {
        case PageContent::Photo:
            RenderDeviceLine(g, line, out,
                             [page](uint32_t x, uint32_t y) { return PhotoColourAt(page, x, y); });
            return;
        case PageContent::Noise:
            RenderDeviceLine(g, line, out,
                             [page](uint32_t x, uint32_t y) { return NoiseColourAt(page, x, y); });
            return;
        case PageContent::Chart:
            RenderChartLine(g, page, line, out);
            return;
    }
}

}  // namespace tarvik_sim
