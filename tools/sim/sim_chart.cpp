#include "tools/sim/sim_chart.h"

#include <algorithm>
#include <cstring>

namespace tarvik_sim {
namespace {

struct PaperSize {
    uint8_t code;
    uint16_t width600;
    uint16_t length600;
};

// The device's own paper table; FF (custom) carries A4 for windows without an area.
constexpr PaperSize kPaperSizes[] = {
    {0, 7020, 9924},  {1, 6072, 8598},  {2, 4960, 7015},   {3, 4302, 6072},  {4, 3495, 4960},
    {5, 4960, 7795},  {6, 7015, 4960},  {7, 6072, 4302},   {8, 4960, 3495},  {9, 6600, 10200},
    {10, 6600, 8400}, {11, 5100, 8400}, {12, 5100, 6600},  {13, 3300, 5100}, {14, 6600, 5100},
    {15, 5100, 3300}, {16, 6378, 9216}, {17, 4608, 6378},  {18, 6378, 4608}, {21, 4350, 6300},
    {27, 2478, 3495}, {28, 3498, 2478}, {29, 5100, 3300},  {30, 5100, 7795}, {31, 6078, 8400},
    {32, 4960, 7795}, {33, 5100, 5100}, {255, 4960, 7015},
};

// Chart layout in 1/600 inch (rows of the page from the top).
constexpr uint32_t kFrame = 12;
constexpr uint32_t kRampEnd = 1800;  // three colour ramps of 600 each
constexpr uint32_t kGreyRampEnd = 2400;
constexpr uint32_t kGreyStepsEnd = 2800;
constexpr uint32_t kLinesEnd = 3600;
constexpr uint32_t kEdgesEnd = 4800;
constexpr uint32_t kNumberEnd = 6000;
constexpr uint32_t kRampWidth = 5100;

constexpr ChartRgb kBlack{0, 0, 0};
constexpr ChartRgb kWhite{255, 255, 255};

// 0..255 across the width of a letter page, 255 beyond it.
uint8_t Ramp(uint32_t x600) { return static_cast<uint8_t>(std::min<uint32_t>(255, x600 * 256 / kRampWidth)); }

// Fine lines: six groups of vertical stripes with periods 2, 4, ... 64 (1/600 inch).
ChartRgb FineLines(uint32_t x600) {
    const uint32_t group = std::min<uint32_t>(x600 / 850, 5);
    const uint32_t period = 2u << group;
    return (x600 % period) < period / 2 ? kBlack : kWhite;
}

// Edges: a checkerboard on the left half, a diagonal red/yellow edge on the right.
ChartRgb Edges(uint32_t x600, uint32_t y600) {
    const uint32_t dy = y600 - kLinesEnd;
    if (x600 < 2550) return ((x600 / 300) + (dy / 300)) % 2 == 0 ? kBlack : kWhite;
    return (x600 - 2550) > dy ? ChartRgb{255, 0, 0} : ChartRgb{255, 255, 0};
}

// Seven-segment bits of the decimal digits: a b c d e f g (top, upper right, lower right,
// bottom, lower left, upper left, middle).
constexpr uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

// Whether a point of one digit cell (500 wide, 900 high, strokes 100) is inked.
bool DigitInk(uint32_t digit, uint32_t cx, uint32_t cy) {
    const uint8_t s = kSegments[digit % 10];
    const bool top = cy < 100, middle = cy >= 400 && cy < 500, bottom = cy >= 800;
    const bool left = cx < 100, right = cx >= 400;
    const bool upper = cy < 450;
    if (top && (s & 0x01)) return true;
    if (middle && (s & 0x40)) return true;
    if (bottom && (s & 0x08)) return true;
    if (right && upper && (s & 0x02)) return true;
    if (right && !upper && (s & 0x04)) return true;
    if (left && !upper && (s & 0x10)) return true;
    if (left && upper && (s & 0x20)) return true;
    return false;
}

// The page number in big digits from x 600, y 4950; nothing for page 0 (flatbed).
ChartRgb PageNumber(uint32_t page, uint32_t x600, uint32_t y600) {
    if (page == 0 || y600 < 4950 || y600 >= 5850 || x600 < 600) return kWhite;
    char digits[12];
    uint32_t count = 0;
    for (uint32_t p = page; p != 0 && count < sizeof(digits); p /= 10)
        digits[count++] = static_cast<char>(p % 10);
    const uint32_t cell = (x600 - 600) / 600;
    const uint32_t cx = (x600 - 600) % 600;
    if (cell >= count || cx >= 500) return kWhite;
    return DigitInk(static_cast<uint32_t>(digits[count - 1 - cell]), cx, y600 - 4950) ? kBlack : kWhite;
}

// Scan resolution of a window; unknown codes and explicit values outside 25..600 are replaced.
uint32_t DpiOf(const ChartWindow& w, bool* adjusted) {
    switch (w.resolutionCode) {
        case 0:
            return 150;
        case 1:
            return 300;
        case 2:
            return 600;
        case 3:
            if (w.xResolution >= 25 && w.xResolution <= 600) return w.xResolution;
            *adjusted = true;
            return w.xResolution > 600 ? 600 : 150;
        case kPreviewResolutionCode:
            return kPreviewDpi;
        default:
            *adjusted = true;
            return 150;
    }
}

// Pixel kind of a scan type; unknown types scan in colour.
ChartPixelKind KindOf(uint8_t scanType, bool* adjusted) {
    switch (scanType) {
        case 0:
        case 1:
            return ChartPixelKind::BlackWhite;
        case 2:
            return ChartPixelKind::Grey;
        case 3:
            return ChartPixelKind::Colour;
        default:
            *adjusted = true;
            return ChartPixelKind::Colour;
    }
}

}  // namespace

bool LookupPaperSize600(uint8_t code, uint32_t* width600, uint32_t* length600) {
    for (const PaperSize& p : kPaperSizes) {
        if (p.code != code) continue;
        if (width600) *width600 = p.width600;
        if (length600) *length600 = p.length600;
        return true;
    }
    return false;
}

ChartGeometry ComputeChartGeometry(const ChartWindow& window) {
    ChartGeometry g;
    g.dpi = DpiOf(window, &g.adjusted);
    g.kind = KindOf(window.scanType, &g.adjusted);
    uint32_t width = window.width, length = window.length;
    if (width == 0 || length == 0) {
        // No area given: the paper code decides, unknown codes scan A4.
        if (!LookupPaperSize600(window.paperCode, &width, &length)) LookupPaperSize600(0xFF, &width, &length);
        g.adjusted = true;
    }
    g.left600 = std::min<uint32_t>(window.x, kMaxAreaWidth600 - 1);
    g.top600 = std::min<uint32_t>(window.y, kMaxAreaLength600 - 1);
    g.width600 = std::min(width, kMaxAreaWidth600 - g.left600);
    g.length600 = std::min(length, kMaxAreaLength600 - g.top600);
    if (g.left600 != window.x || g.top600 != window.y || g.width600 != width || g.length600 != length)
        g.adjusted = true;
    g.actualWidth = std::max<uint32_t>(1, g.width600 * g.dpi / 600);
    g.actualHeight = std::max<uint32_t>(1, g.length600 * g.dpi / 600);
    g.logicWidth = (g.actualWidth / kLinePadPixels + 1) * kLinePadPixels;
    g.logicHeight = g.actualHeight;
    switch (g.kind) {
        case ChartPixelKind::Colour:
            g.lineBytes = 3 * g.logicWidth;
            break;
        case ChartPixelKind::Grey:
            g.lineBytes = g.logicWidth;
            break;
        case ChartPixelKind::BlackWhite:
            g.lineBytes = (g.logicWidth + 7) / 8;
            break;
    }
    g.totalBytes = static_cast<uint64_t>(g.lineBytes) * g.logicHeight;
    return g;
}

namespace {

// The chart's colour at a page position; inlined into the line loop, where a
// call returning the three-byte colour costs more than the colour itself.
[[gnu::always_inline]] inline ChartRgb ColourAt(uint32_t page, uint32_t x600, uint32_t y600) {
    if (x600 < kFrame || y600 < kFrame) return kBlack;
    if (y600 < kRampEnd) {
        const uint8_t v = Ramp(x600);
        if (y600 < 600) return {v, 0, 0};
        if (y600 < 1200) return {0, v, 0};
        return {0, 0, v};
    }
    if (y600 < kGreyRampEnd) {
        const uint8_t v = Ramp(x600);
        return {v, v, v};
    }
    if (y600 < kGreyStepsEnd) {
        const uint8_t v = static_cast<uint8_t>(std::min<uint32_t>(15, x600 * 16 / kRampWidth) * 17);
        return {v, v, v};
    }
    if (y600 < kLinesEnd) return FineLines(x600);
    if (y600 < kEdgesEnd) return Edges(x600, y600);
    if (y600 < kNumberEnd) return PageNumber(page, x600, y600);
    // Below: a pattern that moves with every row, column and page, so shifts and mix-ups show.
    return {static_cast<uint8_t>(x600 / 8), static_cast<uint8_t>(y600 / 8),
            static_cast<uint8_t>((x600 + y600) / 16 + page * 40)};
}

}  // namespace

ChartRgb ChartColourAt(uint32_t page, uint32_t x600, uint32_t y600) { return ColourAt(page, x600, y600); }

void RenderChartLine(const ChartGeometry& g, uint32_t page, uint32_t line, uint8_t* out) {
    RenderDeviceLine(g, line, out,
                     [page](uint32_t x600, uint32_t y600) { return ColourAt(page, x600, y600); });
}

std::vector<uint8_t> RenderChartDeviceImage(const ChartWindow& window, uint32_t page) {
    const ChartGeometry g = ComputeChartGeometry(window);
    std::vector<uint8_t> image(static_cast<size_t>(g.totalBytes));
    for (uint32_t line = 0; line < g.logicHeight; ++line)
        RenderChartLine(g, page, line, image.data() + static_cast<size_t>(line) * g.lineBytes);
    return image;
}

std::vector<uint8_t> RenderChartRows(const ChartWindow& window, uint32_t page) {
    const ChartGeometry g = ComputeChartGeometry(window);
    const uint32_t w = g.actualWidth;
    const size_t rowBytes = g.kind == ChartPixelKind::Colour ? 3u * w
                            : g.kind == ChartPixelKind::Grey ? w
                                                             : (w + 7u) / 8u;
    std::vector<uint8_t> rows(rowBytes * g.actualHeight);
    std::vector<uint8_t> line(g.lineBytes);
    for (uint32_t y = 0; y < g.actualHeight; ++y) {
        RenderChartLine(g, page, y, line.data());
        uint8_t* row = rows.data() + rowBytes * y;
        if (g.kind != ChartPixelKind::Colour) {
            std::memcpy(row, line.data(), rowBytes);
            continue;
        }
        for (uint32_t i = 0; i < w; ++i) {
            row[3 * i] = line[i];
            row[3 * i + 1] = line[g.logicWidth + i];
            row[3 * i + 2] = line[2 * g.logicWidth + i];
        }
    }
    return rows;
}

}  // namespace tarvik_sim
