// The simulated scanner's test chart: a pure function of the page number and
// the scan window, so tests can compute the exact bytes the device streams.
// Platform-free: no sockets, no operating system calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tarvik_sim {

// Resolution code of the window that asks for a preview.
inline constexpr uint8_t kPreviewResolutionCode = 0xFF;
// Resolution the device chooses for a preview scan.
inline constexpr uint32_t kPreviewDpi = 75;
// Largest area the device scans, in 1/600 inch (the widest and longest paper it knows).
inline constexpr uint32_t kMaxAreaWidth600 = 7020;
inline constexpr uint32_t kMaxAreaLength600 = 10200;
// Device lines are padded to a multiple of this many pixels, always beyond the image width.
inline constexpr uint32_t kLinePadPixels = 32;

enum class ChartPixelKind { BlackWhite, Grey, Colour };

// The window as the device receives it (all lengths in 1/600 inch).
struct ChartWindow {
    uint8_t resolutionCode = 0;  // 0 150 dpi, 1 300, 2 600, 3 explicit dpi, FF preview
    uint8_t scanType = 3;        // 0 and 1 black and white, 2 grey, 3 colour
    uint8_t paperCode = 0xFF;    // paper code; FF custom area
    uint16_t x = 0;
    uint16_t y = 0;
    uint16_t width = 0;
    uint16_t length = 0;
    uint16_t xResolution = 0;  // dpi when resolutionCode is 3
};

// What the device makes of a window: the numbers it reports and streams.
struct ChartGeometry {
    uint32_t dpi = 0;
    ChartPixelKind kind = ChartPixelKind::Colour;
    uint32_t left600 = 0;  // area actually scanned, after clipping and paper look-up
    uint32_t top600 = 0;
    uint32_t width600 = 0;
    uint32_t length600 = 0;
    uint32_t actualWidth = 0;   // image pixels per line
    uint32_t actualHeight = 0;  // image lines
    uint32_t logicWidth = 0;    // padded pixels per device line
    uint32_t logicHeight = 0;   // device lines sent
    uint32_t lineBytes = 0;     // bytes of one device line
    uint64_t totalBytes = 0;    // lineBytes * logicHeight
    bool adjusted = false;      // a field was out of range and replaced by the device's choice
};

struct ChartRgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// Paper sizes the device knows, in 1/600 inch; false for an unknown code.
bool LookupPaperSize600(uint8_t code, uint32_t* width600, uint32_t* length600);

// Derives resolution, clipped area and line geometry from a window. Never fails:
// out-of-range fields are replaced (and `adjusted` is set).
ChartGeometry ComputeChartGeometry(const ChartWindow& window);

// Colour of the chart at a page position in 1/600 inch.
ChartRgb ChartColourAt(uint32_t page, uint32_t x600, uint32_t y600);

// The grey value of a colour, as the device computes it for grey and black-and-white scans.
inline uint8_t ChartGrey(ChartRgb c) {
    return static_cast<uint8_t>((77u * c.r + 150u * c.g + 29u * c.b + 128u) >> 8);
}

// Writes device line `line` in the device's line format (as RenderChartLine
// below), each pixel the colour `colourAt(x600, y600)` gives its page position.
template <typename ColourAt>
void RenderDeviceLine(const ChartGeometry& g, uint32_t line, uint8_t* out, ColourAt colourAt) {
    std::memset(out, 0, g.lineBytes);
    if (line >= g.logicHeight || g.dpi == 0) return;
    const uint32_t y600 = g.top600 + static_cast<uint32_t>(static_cast<uint64_t>(line) * 600 / g.dpi);
    // x600 = left600 + i * 600 / dpi, stepped without a division per pixel.
    const uint32_t step = 600 / g.dpi, stepRemainder = 600 % g.dpi;
    uint32_t x600 = g.left600, remainder = 0;
    for (uint32_t i = 0; i < g.actualWidth; ++i) {
        const ChartRgb c = colourAt(x600, y600);
        x600 += step;
        remainder += stepRemainder;
        if (remainder >= g.dpi) {
            remainder -= g.dpi;
            ++x600;
        }
        switch (g.kind) {
            case ChartPixelKind::Colour:
                out[i] = c.r;
                out[g.logicWidth + i] = c.g;
                out[2 * g.logicWidth + i] = c.b;
                break;
            case ChartPixelKind::Grey:
                out[i] = ChartGrey(c);
                break;
            case ChartPixelKind::BlackWhite:
                // The device marks ink: a set bit is black. The source complements
                // the rows into the bitmap's own order, where 1 is white.
                if (ChartGrey(c) < 128) out[i / 8] |= static_cast<uint8_t>(0x80u >> (i % 8));
                break;
        }
    }
}

// Writes device line `line` (0-based, below logicHeight) in the device's line format:
// three planes R, G, B of logicWidth bytes; grey bytes; or packed bits, most
// significant bit first, 1 = black (ink). Pixels beyond actualWidth are 0.
// `out` must hold geometry.lineBytes bytes; lines past the end are all 0.
void RenderChartLine(const ChartGeometry& geometry, uint32_t page, uint32_t line, uint8_t* out);

// The whole device image (logicHeight lines of lineBytes). Owned by the caller.
std::vector<uint8_t> RenderChartDeviceImage(const ChartWindow& window, uint32_t page);

// The image as the source keeps it: actualHeight rows of 3 * actualWidth bytes
// (R, G, B interleaved), actualWidth bytes or (actualWidth + 7) / 8 bytes, no padding.
std::vector<uint8_t> RenderChartRows(const ChartWindow& window, uint32_t page);

}  // namespace tarvik_sim
