#include "ui/preview_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A frame of 340 x 468 pixels, about what the window shows at 96 dpi.
constexpr PreviewRect Frame{50, 30, 390, 498};
constexpr int32_t A4Width = 49606, A4Length = 70157;

MainUiState A4WithArea(int32_t x, int32_t y, int32_t h, int32_t v) {
    MainUiState ui{};
    ui.scanA = A4Width;
    ui.scanB = A4Length;
    ui.scanX = x;
    ui.scanY = y;
    ui.scanH = h;
    ui.scanV = v;
    ui.scanAreaCheck = 1;
    return ui;
}

TEST(PreviewGeometryTest, ScalesAndDocumentOutline) {
    const PreviewScales s = ComputePreviewScales(Frame);
    EXPECT_DOUBLE_EQ(8.5 / 340, s.sx);
    EXPECT_DOUBLE_EQ(11.693 / 468, s.sy);
    EXPECT_EQ(15, s.minSide) << "10 mm at 40 pixels per inch";
    const PreviewRect a4 = DocumentRectFor(Frame, s, A4Width, A4Length);
    EXPECT_EQ(Frame.left, a4.left);
    EXPECT_EQ(Frame.top, a4.top);
    EXPECT_LT(a4.right, Frame.right) << "A4 is narrower than the glass";
    EXPECT_EQ(Frame.bottom - 1, a4.bottom) << "297 mm is a hair shorter than the glass";
    const PreviewRect glass = DocumentRectFor(Frame, s, GlassWidthUnits, GlassLengthUnits);
    EXPECT_EQ(Frame.right, glass.right) << "the whole glass fills the frame, no pixel lost to rounding";
    EXPECT_EQ(Frame.bottom - 1, glass.bottom);
    EXPECT_EQ(0, ComputePreviewScales({10, 10, 10, 40}).minSide);
}

TEST(PreviewGeometryTest, HitZonesOnAndAroundEachEdgeAndCorner) {
    const PreviewRect r{100, 100, 200, 250};
    const PreviewRect bounds{50, 30, 376, 498};
    struct Case {
        int32_t x, y, zone;
    };
    const Case cases[] = {
        {100, 100, ZoneMove},      {150, 175, ZoneMove},        {199, 249, ZoneMove},
        {94, 175, ZoneLeft},       {100, 101, ZoneMove},        {93, 175, ZoneNew},
        {200, 175, ZoneRight},     {206, 175, ZoneRight},       {207, 175, ZoneNew},
        {150, 95, ZoneTop},        {150, 94, ZoneNone},         {150, 99, ZoneTop},
        {150, 251, ZoneBottom},    {150, 255, ZoneBottom},      {150, 256, ZoneNone},
        {94, 95, ZoneTopLeft},     {100, 99, ZoneTopLeft},      {206, 95, ZoneTopRight},
        {200, 99, ZoneTopRight},   {206, 255, ZoneBottomRight}, {200, 251, ZoneBottomRight},
        {94, 255, ZoneBottomLeft}, {100, 251, ZoneBottomLeft},  {150, 300, ZoneNew},
        {300, 175, ZoneNew},       {60, 60, ZoneNew},           {51, 31, ZoneNew},
        {50, 60, ZoneNone},        {375, 60, ZoneNew},          {376, 60, ZoneNone},
        {150, 250, ZoneBottom},    {200, 250, ZoneBottomRight}, {150, 497, ZoneNew},
        {150, 498, ZoneNone},      {150, 257, ZoneNew},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.zone, HitZone(r, bounds, {c.x, c.y}, true)) << "at " << c.x << "," << c.y;
    }
    // Outside area mode only the edges away from the anchoring corner answer.
    for (const Case& c : cases) {
        const bool free = c.zone == ZoneRight || c.zone == ZoneBottom || c.zone == ZoneBottomRight;
        EXPECT_EQ(free ? c.zone : ZoneNone, HitZone(r, bounds, {c.x, c.y}, false))
            << "at " << c.x << "," << c.y;
    }
}

TEST(PreviewGeometryTest, DragsStayInsideTheBoundsAndAboveTheSmallestSide) {
    const PreviewRect bounds{50, 30, 376, 498};  // inside: 51..375 x 31..497
    const PreviewRect r{100, 100, 200, 250};
    const int32_t min = 15;
    struct Case {
        const char* what;
        int32_t zone;
        PreviewPoint down, to;
        PreviewRect expected;
        ChangeMarkers changed;
    };
    const Case cases[] = {
        {"move right", ZoneMove, {150, 150}, {170, 140}, {120, 90, 220, 240}, {false, false, true, true}},
        {"move past the right bound",
         ZoneMove,
         {150, 150},
         {900, 150},
         {275, 100, 375, 250},
         {false, false, true, false}},
        {"move past the top-left",
         ZoneMove,
         {150, 150},
         {-50, -50},
         {51, 31, 151, 181},
         {false, false, true, true}},
        {"left edge past the right edge",
         ZoneLeft,
         {100, 150},
         {260, 150},
         {185, 100, 200, 250},
         {true, false, true, false}},
        {"left edge past the bound",
         ZoneLeft,
         {100, 150},
         {0, 150},
         {51, 100, 200, 250},
         {true, false, true, false}},
        {"right edge over the left",
         ZoneRight,
         {200, 150},
         {20, 150},
         {100, 100, 115, 250},
         {true, false, false, false}},
        {"top edge down under the bottom",
         ZoneTop,
         {150, 100},
         {150, 400},
         {100, 235, 200, 250},
         {false, true, false, true}},
        {"bottom edge off the glass",
         ZoneBottom,
         {150, 250},
         {150, 900},
         {100, 100, 200, 497},
         {false, true, false, false}},
        {"bottom-left corner",
         ZoneBottomLeft,
         {100, 250},
         {80, 300},
         {80, 100, 200, 300},
         {true, true, true, false}},
        {"top-right corner inwards",
         ZoneTopRight,
         {200, 100},
         {0, 1000},
         {100, 235, 115, 250},
         {true, true, false, true}},
        {"corner not moved marks nothing",
         ZoneBottomRight,
         {200, 250},
         {200, 250},
         {100, 100, 200, 250},
         {false, false, false, false}},
        {"new rectangle down-right",
         ZoneNew,
         {300, 300},
         {340, 380},
         {300, 300, 340, 380},
         {true, true, true, true}},
        {"new rectangle up-left",
         ZoneNew,
         {300, 300},
         {260, 280},
         {260, 280, 300, 300},
         {true, true, true, true}},
        {"new rectangle too small",
         ZoneNew,
         {300, 300},
         {302, 301},
         {300, 300, 315, 315},
         {true, true, true, true}},
        {"new rectangle at the bound",
         ZoneNew,
         {370, 490},
         {374, 495},
         {360, 482, 375, 497},
         {true, true, true, true}},
        {"new rectangle small upwards at the bound",
         ZoneNew,
         {55, 35},
         {54, 33},
         {51, 31, 66, 46},
         {true, true, true, true}},
    };
    for (const Case& c : cases) {
        PreviewDrag drag{};
        drag.rect = r;
        BeginDrag(drag, c.zone, c.down);
        DragStep(drag, c.to, bounds, min);
        EXPECT_EQ(c.expected.left, drag.rect.left) << c.what;
        EXPECT_EQ(c.expected.top, drag.rect.top) << c.what;
        EXPECT_EQ(c.expected.right, drag.rect.right) << c.what;
        EXPECT_EQ(c.expected.bottom, drag.rect.bottom) << c.what;
        EXPECT_EQ(c.changed.width, drag.changed.width) << c.what;
        EXPECT_EQ(c.changed.length, drag.changed.length) << c.what;
        EXPECT_EQ(c.changed.left, drag.changed.left) << c.what;
        EXPECT_EQ(c.changed.top, drag.changed.top) << c.what;
    }
}

TEST(PreviewGeometryTest, AreaRoundTripsWithinOnePixel) {
    const PreviewScales s = ComputePreviewScales(Frame);
    const PreviewRect doc = DocumentRectFor(Frame, s, A4Width, A4Length);
    const double pixelX = s.sx * 6000, pixelY = s.sy * 6000;
    for (int32_t x : {0, 1, 149, 150, 151, 6000, 20000, 30000}) {
        for (int32_t h : {2362, 2999, 3000, 12345, 19000}) {
            MainUiState ui = A4WithArea(x, x + 7, h, h + 11);
            PreviewDrag drag{};
            drag.rect = AreaRectFor(Frame, s, ui.scanX, ui.scanY, ui.scanH, ui.scanV);
            drag.zone = ZoneNew;
            LiveAreaWriteBack(drag, doc, s, ui);
            EXPECT_GT(ui.scanX, x - 1);
            EXPECT_LE(ui.scanX, x + pixelX) << "x " << x;
            EXPECT_LE(ui.scanY, x + 7 + pixelY) << "y " << x + 7;
            EXPECT_GE(ui.scanH, h) << "h " << h;
            EXPECT_LE(ui.scanH, h + pixelX) << "h " << h;
            EXPECT_LE(ui.scanV, h + 11 + pixelY) << "v " << h + 11;
        }
    }
}

TEST(PreviewGeometryTest, LiveWriteBackWritesOnlyMarkedValuesAndRaisesSmallSides) {
    const PreviewScales s = ComputePreviewScales(Frame);
    const PreviewRect doc = DocumentRectFor(Frame, s, A4Width, A4Length);
    MainUiState ui = A4WithArea(6000, 6000, 12000, 12000);
    PreviewDrag drag{};
    drag.rect = AreaRectFor(Frame, s, 6000, 6000, 12000, 12000);
    BeginDrag(drag, ZoneRight, {drag.rect.right, drag.rect.top + 5});
    DragStep(drag, {drag.rect.right + 40, drag.rect.top + 5}, doc, s.minSide);
    LiveAreaWriteBack(drag, doc, s, ui);
    EXPECT_EQ(6000, ui.scanX);
    EXPECT_EQ(6000, ui.scanY);
    EXPECT_EQ(12000, ui.scanV);
    EXPECT_NEAR(18000, ui.scanH, 2 * 150) << "40 pixels of 150 units more";

    // The smallest new rectangle is 15 pixels, 2250 units plus one: written as 2362.
    BeginDrag(drag, ZoneNew, {200, 200});
    DragStep(drag, {201, 201}, doc, s.minSide);
    LiveAreaWriteBack(drag, doc, s, ui);
    EXPECT_EQ(SmallestSideUnits, ui.scanH);
    EXPECT_EQ(SmallestSideUnits, ui.scanV);
}

TEST(PreviewGeometryTest, AreaSnapsToTheDocumentEdgesWithinOnePixel) {
    const PreviewScales s = ComputePreviewScales(Frame);
    const PreviewRect d = DocumentRectFor(Frame, s, A4Width, A4Length);
    struct Case {
        PreviewRect area;
        int32_t x, y, h, v;
    };
    const Case cases[] = {
        {{200, 200, d.right - 1, 300}, A4Width - 9000, 7000, 9000, 5000},
        {{200, 200, d.right, 300}, A4Width - 9000, 7000, 9000, 5000},
        {{200, 200, d.right - 2, 300}, 5000, 7000, 9000, 5000},
        {{d.left + 1, d.top, 300, 300}, 0, 0, 9000, 5000},
        {{d.left, 200, d.right, d.bottom - 1}, 0, A4Length - 5000, A4Width, 5000},
        {{d.left + 1, d.top + 1, d.right - 1, d.bottom}, 0, 0, A4Width, A4Length},
    };
    for (const Case& c : cases) {
        MainUiState ui = A4WithArea(5000, 7000, 9000, 5000);
        SnapAreaToDocument(c.area, d, ui);
        EXPECT_EQ(c.x, ui.scanX) << c.area.left << ".." << c.area.right;
        EXPECT_EQ(c.y, ui.scanY) << c.area.top << ".." << c.area.bottom;
        EXPECT_EQ(c.h, ui.scanH);
        EXPECT_EQ(c.v, ui.scanV);
    }
}

TEST(PreviewGeometryTest, DocumentModeWriteBack) {
    const PreviewScales s = ComputePreviewScales(Frame);
    const PreviewRect a4 = DocumentRectFor(Frame, s, A4Width, A4Length);
    const PreviewRect frameInside{Frame.left, Frame.top, Frame.right - 1, Frame.bottom - 1};
    struct Case {
        const char* what;
        PreviewRect rect;
        ChangeMarkers changed;
        bool differs;
        int32_t a, b;
    };
    const Case cases[] = {
        {"nothing dragged", {50, 30, 100, 100}, {false, false, false, false}, false, A4Width, A4Length},
        {"right edge to the glass",
         {50, 30, frameInside.right, a4.bottom},
         {true, false, false, false},
         true,
         GlassWidthUnits,
         A4Length},
        {"right edge two pixels short",
         {50, 30, Frame.right - 2, a4.bottom},
         {true, false, false, false},
         true,
         GlassWidthUnits,
         A4Length},
        {"narrow and short",
         {50, 30, 65, 45},
         {true, true, false, false},
         true,
         SmallestSideUnits,
         SmallestSideUnits},
        {"length to 100 pixels",
         {50, 30, a4.right, 130},
         {false, true, false, false},
         true,
         A4Width,
         static_cast<int32_t>(std::floor(101 * s.sy * 6000 + 1e-6))},
    };
    for (const Case& c : cases) {
        MainUiState ui = A4WithArea(0, 0, 0, 0);
        const DocumentWriteBack result = DocumentModeWriteBack(c.rect, Frame, s, c.changed, ui);
        EXPECT_EQ(c.differs, result.sizeDiffers) << c.what;
        EXPECT_EQ(c.a, ui.scanA) << c.what;
        EXPECT_EQ(c.b, ui.scanB) << c.what;
    }
}

TEST(PreviewGeometryTest, RulerTicksAndLabels) {
    struct Case {
        int32_t unit;
        bool across;
        size_t count;
        int32_t tick3;
        const char* label2;
        const char* lastLabel;
    };
    const Case cases[] = {
        {UnitMm, true, 22, 47, "20", "200"},   // 340 / 21.6 apart
        {UnitMm, false, 30, 47, "20", "280"},  // 468 / 29.7 apart
        {UnitInch, true, 18, 60, "1", "8"},    // 20 apart
        {UnitInch, false, 24, 60, "1", "11"},  // 468 / 11.693 / 2 apart
        {UnitPixel, true, 18, 60, "300", "2400"}, {UnitPixel, false, 24, 60, "300", "3300"},
    };
    for (const Case& c : cases) {
        const auto ticks = RulerTicks(c.unit, c.across, c.across ? 340 : 468, 300);
        ASSERT_EQ(c.count, ticks.size()) << c.unit;
        EXPECT_EQ(0, ticks[0].offset);
        EXPECT_EQ("0", ticks[0].label);
        EXPECT_EQ(8, ticks[0].length);
        EXPECT_EQ(5, ticks[1].length);
        EXPECT_TRUE(ticks[1].label.empty());
        EXPECT_EQ(c.tick3, ticks[3].offset) << c.unit << " " << c.across;
        EXPECT_EQ(c.label2, ticks[2].label);
        const RulerTick& last = ticks[(c.count - 1) / 2 * 2];
        EXPECT_EQ(c.lastLabel, last.label) << c.unit << " " << c.across;
        EXPECT_LE(ticks.back().offset, c.across ? 340 : 468) << "every tick lies along the frame";
    }
}

}  // namespace
