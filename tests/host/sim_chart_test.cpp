// The simulator's test chart: geometry derived from the window, the device line
// format and determinism. Platform-free, so it also runs in the Windows build.
#include "tools/sim/sim_chart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tools/sim/sim_content.h"

namespace {

using tarvik_sim::ChartGeometry;
using tarvik_sim::ChartPixelKind;
using tarvik_sim::ChartWindow;
using tarvik_sim::ComputeChartGeometry;

ChartWindow Window(uint8_t reso, uint8_t type, uint16_t x, uint16_t y, uint16_t w, uint16_t l,
                   uint16_t xres = 0) {
    ChartWindow window;
    window.resolutionCode = reso;
    window.scanType = type;
    window.x = x;
    window.y = y;
    window.width = w;
    window.length = l;
    window.xResolution = xres;
    return window;
}

TEST(SimChartTest, GeometryFollowsTheWindow) {
    struct Case {
        ChartWindow window;
        uint32_t dpi, width, height, logicWidth, lineBytes;
        bool adjusted;
    };
    const Case cases[] = {
        {Window(0, 3, 0, 0, 4960, 7015), 150, 1240, 1753, 1248, 3 * 1248, false},
        {Window(1, 2, 0, 0, 5100, 6600), 300, 2550, 3300, 2560, 2560, false},
        {Window(2, 0, 60, 120, 1200, 1500), 600, 1200, 1500, 1216, 152, false},
        {Window(3, 1, 0, 0, 5100, 6600, 200), 200, 1700, 2200, 1728, 216, false},
        {Window(0xFF, 3, 0, 0, 5100, 7014), 75, 637, 876, 640, 1920, false},
        // Explicit resolution missing: the device scans at 150 dpi and says so.
        {Window(3, 2, 0, 0, 600, 600, 0), 150, 150, 150, 160, 160, true},
        // Area beyond the device's largest paper is clipped.
        {Window(2, 2, 7000, 0, 1000, 20000), 600, 20, 10200, 32, 32, true},
        // A one-pixel area still yields a padded line.
        {Window(0, 3, 0, 0, 4, 4), 150, 1, 1, 32, 96, false},
    };
    for (const Case& c : cases) {
        const ChartGeometry g = ComputeChartGeometry(c.window);
        EXPECT_EQ(g.dpi, c.dpi) << "reso " << int(c.window.resolutionCode);
        EXPECT_EQ(g.actualWidth, c.width) << "width600 " << c.window.width;
        EXPECT_EQ(g.actualHeight, c.height) << "length600 " << c.window.length;
        EXPECT_EQ(g.logicWidth, c.logicWidth) << "width600 " << c.window.width;
        EXPECT_GT(g.logicWidth, g.actualWidth);
        EXPECT_EQ(g.logicHeight, g.actualHeight);
        EXPECT_EQ(g.lineBytes, c.lineBytes);
        EXPECT_EQ(g.totalBytes, uint64_t{g.lineBytes} * g.logicHeight);
        EXPECT_EQ(g.adjusted, c.adjusted) << "width600 " << c.window.width;
    }
}

TEST(SimChartTest, MissingAreaTakesThePaperCode) {
    ChartWindow window = Window(2, 2, 0, 0, 0, 0);
    window.paperCode = 12;  // US letter
    const ChartGeometry letter = ComputeChartGeometry(window);
    EXPECT_EQ(letter.actualWidth, 5100u);
    EXPECT_EQ(letter.actualHeight, 6600u);
    window.paperCode = 200;  // unknown: A4
    const ChartGeometry unknown = ComputeChartGeometry(window);
    EXPECT_EQ(unknown.actualWidth, 4960u);
    EXPECT_EQ(unknown.actualHeight, 7015u);
}

TEST(SimChartTest, SameInputsGiveSameBytesAndPagesDiffer) {
    const ChartWindow window = Window(0, 3, 0, 0, 5100, 7014);
    const auto page1 = tarvik_sim::RenderChartDeviceImage(window, 1);
    EXPECT_EQ(page1, tarvik_sim::RenderChartDeviceImage(window, 1));
    EXPECT_NE(page1, tarvik_sim::RenderChartDeviceImage(window, 2));
    EXPECT_NE(page1, tarvik_sim::RenderChartDeviceImage(window, 0));
    EXPECT_NE(tarvik_sim::RenderChartDeviceImage(window, 12), tarvik_sim::RenderChartDeviceImage(window, 21));
    // Only the page number band and the pattern below it depend on the page.
    const ChartWindow ramps = Window(0, 3, 0, 0, 5100, 1800);
    EXPECT_EQ(tarvik_sim::RenderChartDeviceImage(ramps, 1), tarvik_sim::RenderChartDeviceImage(ramps, 7));
}

TEST(SimChartTest, DeviceLinesHoldPlanesAndZeroPadding) {
    const ChartWindow window = Window(1, 3, 300, 0, 2000, 2000);
    const ChartGeometry g = ComputeChartGeometry(window);
    const auto image = tarvik_sim::RenderChartDeviceImage(window, 3);
    ASSERT_EQ(image.size(), g.totalBytes);
    for (uint32_t line : {0u, 1u, 500u, g.logicHeight - 1}) {
        const uint8_t* p = image.data() + size_t{line} * g.lineBytes;
        for (uint32_t i : {0u, 17u, g.actualWidth - 1}) {
            const auto c = tarvik_sim::ChartColourAt(3, 300 + i * 2, line * 2);
            EXPECT_EQ(p[i], c.r) << "line " << line << " pixel " << i;
            EXPECT_EQ(p[g.logicWidth + i], c.g) << "line " << line << " pixel " << i;
            EXPECT_EQ(p[2 * g.logicWidth + i], c.b) << "line " << line << " pixel " << i;
        }
        for (uint32_t plane = 0; plane < 3; ++plane)
            for (uint32_t i = g.actualWidth; i < g.logicWidth; ++i)
                ASSERT_EQ(p[plane * g.logicWidth + i], 0) << "padding plane " << plane << " pixel " << i;
    }
}

TEST(SimChartTest, RowsAreDeviceLinesWithoutPadding) {
    for (uint8_t type : {0, 2, 3}) {
        const ChartWindow window = Window(0, type, 0, 3000, 2000, 1200);
        const ChartGeometry g = ComputeChartGeometry(window);
        const auto device = tarvik_sim::RenderChartDeviceImage(window, 5);
        const auto rows = tarvik_sim::RenderChartRows(window, 5);
        const size_t rowBytes = type == 3   ? 3u * g.actualWidth
                                : type == 2 ? g.actualWidth
                                            : (g.actualWidth + 7) / 8;
        ASSERT_EQ(rows.size(), rowBytes * g.actualHeight) << "type " << int(type);
        for (uint32_t y = 0; y < g.actualHeight; y += 37) {
            const uint8_t* line = device.data() + size_t{y} * g.lineBytes;
            const uint8_t* row = rows.data() + rowBytes * y;
            for (uint32_t i = 0; i < g.actualWidth; i += 13) {
                if (type == 3) {
                    ASSERT_EQ(row[3 * i + 1], line[g.logicWidth + i]) << "row " << y << " pixel " << i;
                } else if (type == 2) {
                    ASSERT_EQ(row[i], line[i]) << "row " << y << " pixel " << i;
                } else {
                    ASSERT_EQ(row[i / 8] & (0x80 >> (i % 8)), line[i / 8] & (0x80 >> (i % 8))) << "row " << y;
                }
            }
        }
    }
}

TEST(SimChartTest, BlackAndWhiteIsPackedMostSignificantBitFirstWithInkAsOne) {
    // The top frame rows are black, the grey ramp band turns white on its right half.
    const ChartWindow frame = Window(2, 0, 0, 0, 64, 1);
    const ChartGeometry fg = ComputeChartGeometry(frame);
    const auto black = tarvik_sim::RenderChartDeviceImage(frame, 0);
    ASSERT_EQ(black.size(), fg.lineBytes);
    EXPECT_EQ(black[0], 0xFF);
    EXPECT_EQ(black[7], 0xFF);
    EXPECT_EQ(black[8], 0x00);  // padding carries no ink
    const ChartWindow ramp = Window(2, 0, 4000, 2000, 64, 1);
    const auto white = tarvik_sim::RenderChartDeviceImage(ramp, 0);
    EXPECT_TRUE(std::all_of(white.begin(), white.end(), [](uint8_t b) { return b == 0; }));
}

TEST(SimChartTest, AnOffsetAreaShowsTheSameChartShifted) {
    const auto whole = tarvik_sim::RenderChartRows(Window(2, 2, 0, 0, 1200, 1200), 4);
    const auto part = tarvik_sim::RenderChartRows(Window(2, 2, 600, 300, 600, 900), 4);
    for (uint32_t y = 0; y < 900; y += 7)
        for (uint32_t x = 0; x < 600; x += 11)
            ASSERT_EQ(part[y * 600 + x], whole[(y + 300) * 1200 + x + 600]) << "at " << x << "," << y;
}

TEST(SimChartTest, PageNumberDigitsAreDrawn) {
    // The first digit cell of page 8 has every segment inked: its middle bar is black.
    EXPECT_EQ(tarvik_sim::ChartColourAt(8, 850, 4950 + 450).r, 0);
    EXPECT_EQ(tarvik_sim::ChartColourAt(1, 850, 4950 + 450).r, 255);
    EXPECT_EQ(tarvik_sim::ChartColourAt(0, 1050, 5000).r, 255);
}

}  // namespace

namespace {

// The benchmark pages: the same bytes for the same window in every scan, and
// the look they are there for: a photo is smooth under a few levels of noise,
// noise repeats almost no colour.
TEST(SimChartTest, PhotoAndNoisePagesAreStableAndLookTheirPart) {
    using tarvik_sim::PageContent;
    const ChartGeometry g = ComputeChartGeometry(Window(1, 3, 600, 600, 1200, 1200));
    for (PageContent content : {PageContent::Photo, PageContent::Noise}) {
        std::vector<uint8_t> line(g.lineBytes), again(g.lineBytes), chart(g.lineBytes);
        tarvik_sim::RenderContentLine(g, content, 0, 100, line.data());
        tarvik_sim::RenderContentLine(g, content, 0, 100, again.data());
        tarvik_sim::RenderChartLine(g, 0, 100, chart.data());
        EXPECT_EQ(line, again);
        EXPECT_NE(line, chart);
        std::set<uint32_t> colours;
        std::vector<int> steps;
        for (uint32_t i = 0; i < g.actualWidth; ++i) {
            colours.insert(line[i] << 16 | line[g.logicWidth + i] << 8 | line[2 * g.logicWidth + i]);
            if (i > 0) steps.push_back(std::abs(line[i] - line[i - 1]));
        }
        std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
        const int medianStep = steps[steps.size() / 2];
        const bool photo = content == PageContent::Photo;
        EXPECT_GT(colours.size(), g.actualWidth * (photo ? 8 : 9) / 10) << colours.size() << " colours";
        EXPECT_EQ(photo, medianStep <= 12) << "median step " << medianStep;
    }
}

}  // namespace
