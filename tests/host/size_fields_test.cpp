#include "ui/size_fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

struct ShowCase {
    int32_t value;
    int32_t unit;
    int32_t dpi;
    const char* shown;
};

TEST(SizeFields, ValuesShowInTheirUnit) {
    const ShowCase cases[] = {
        {51000, UNIT_INCH, 100, "8.50"},  {2362, UNIT_INCH, 100, "0.39"}, {70157, UNIT_INCH, 100, "11.69"},
        {2362, UNIT_MM, 100, "10"},       {49606, UNIT_MM, 100, "210"},   {49606, UNIT_PIXEL, 300, "2480"},
        {70157, UNIT_PIXEL, 300, "3508"}, {0, UNIT_MM, 100, "0"},
    };
    for (const ShowCase& c : cases)
        EXPECT_EQ(FormatSizeValue(c.value, c.unit, c.dpi), c.shown) << c.value << " unit " << c.unit;
}

TEST(SizeFields, ParseOfFormatStaysWithinOneStep) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> lengths(0, 84000);
    for (int32_t unit : {UNIT_INCH, UNIT_MM, UNIT_PIXEL}) {
        for (int32_t dpi : {100, 300, 1200}) {
            // One step of the unit in 1/6000 inch.
            const double step = unit == UNIT_INCH ? 60.0 : unit == UNIT_MM ? 6000 / 25.4 : 6000.0 / dpi;
            for (int i = 0; i < 300; ++i) {
                const int32_t v = lengths(random);
                const float back = ParseSizeText(FormatSizeValue(v, unit, dpi), unit, dpi);
                EXPECT_LE(std::fabs(back - v), step) << v << " unit " << unit << " dpi " << dpi;
            }
        }
    }
}

TEST(SizeFields, TypedLowerLimitIsNotBelowIt) {
    EXPECT_GE(ParseSizeText("0.39", UNIT_INCH, 100), 2340.0f);
    EXPECT_FALSE(
        CheckWidthRange(static_cast<int32_t>(ParseSizeText("0.39", UNIT_INCH, 100)), UNIT_INCH, 0).failed);
}

struct CheckCase {
    bool width;  // CheckWidthRange, else CheckLengthRange
    int32_t value;
    int32_t unit;
    int32_t resolution;
    bool failed;
    const char* replacement;
    const char* lower;
    const char* upper;
};

TEST(SizeFields, DocumentRangeChecks) {
    const CheckCase cases[] = {
        {true, 54000, UNIT_INCH, 0, true, "8.50", "0.39", "8.50"},
        {true, 51000, UNIT_INCH, 0, false, "", "0.39", "8.50"},
        {true, 2339, UNIT_INCH, 0, true, "0.39", "0.39", "8.50"},
        {true, 70866, UNIT_MM, 0, true, "216", "10", "216"},
        {true, 51024, UNIT_MM, 0, false, "", "10", "216"},
        {true, 2361, UNIT_MM, 0, true, "10", "10", "216"},
        {true, 60000, UNIT_PIXEL, 3, true, "2550", "118", "2550"},
        {true, 2359, UNIT_PIXEL, 3, true, "118", "118", "2550"},
        {false, 70157, UNIT_INCH, 0, true, "11.69", "0.39", "11.69"},
        {false, 70140, UNIT_INCH, 0, false, "", "0.39", "11.69"},
        {false, 70158, UNIT_MM, 0, true, "297", "10", "297"},
        {false, 70161, UNIT_PIXEL, 3, true, "3508", "118", "3508"},
        {false, 70160, UNIT_PIXEL, 3, false, "", "118", "3508"},
    };
    for (const CheckCase& c : cases) {
        const RangeCheck r = c.width ? CheckWidthRange(c.value, c.unit, c.resolution)
                                     : CheckLengthRange(c.value, c.unit, c.resolution);
        SCOPED_TRACE(testing::Message() << (c.width ? "width " : "length ") << c.value << " unit " << c.unit);
        EXPECT_EQ(r.failed, c.failed);
        EXPECT_EQ(r.replacement, c.replacement);
        EXPECT_EQ(r.lower, c.lower);
        EXPECT_EQ(r.upper, c.upper);
    }
}

TEST(SizeFields, OffsetAndAreaChecksUseTheShownSide) {
    EXPECT_TRUE(CheckOffsetRange(8.12, 8.50, UNIT_INCH, 0).failed);
    EXPECT_FALSE(CheckOffsetRange(8.11, 8.50, UNIT_INCH, 0).failed);
    EXPECT_EQ(CheckOffsetRange(8.11, 8.50, UNIT_INCH, 0).upper, "8.11");
    EXPECT_TRUE(CheckOffsetRange(201, 210, UNIT_MM, 0).failed);
    EXPECT_FALSE(CheckAreaSizeRange(0.39, 8.5, UNIT_INCH, 0).failed);
    EXPECT_TRUE(CheckAreaSizeRange(9, 210, UNIT_MM, 0).failed);
    EXPECT_TRUE(CheckAreaSizeRange(2481, 2480, UNIT_PIXEL, 3).failed);
    EXPECT_EQ(FormatRangeMessage("From %s to %s (%d)", "10", "216"), "From 10 to 216 (%d)");
    EXPECT_EQ(FormatRangeMessage("%s %s %s", "a", "b"), "a b %s");
}

TEST(SizeFields, InputFiltersRemoveTheFirstOffendingCharacter) {
    struct Case {
        const char* typed;
        int32_t unit;
        bool changed;
        const char* text;
        int caret;
    } const cases[] = {
        {"8.505", UNIT_INCH, true, "8.50", 4}, {"8.5.", UNIT_INCH, true, "8.5", 3},
        {"8.50", UNIT_INCH, false, "8.50", 0}, {"2a1", UNIT_MM, true, "21", 1},
        {"21.", UNIT_MM, true, "21", 2},       {"x9y", UNIT_PIXEL, true, "9y", 0},
    };
    for (const Case& c : cases) {
        const FilterResult r = FilterSizeText(c.typed, c.unit);
        EXPECT_EQ(r.changed, c.changed) << c.typed;
        EXPECT_EQ(r.text, c.text) << c.typed;
        if (c.changed) {
            EXPECT_EQ(r.caret, c.caret) << c.typed;
        }
    }
}

DocumentArea RandomArea(std::mt19937& random) {
    std::uniform_int_distribution<int32_t> side(MinSide, 84000);
    DocumentArea d{side(random), side(random), 0, 0, 0, 0};
    d.x = std::uniform_int_distribution<int32_t>(0, d.a - MinSide)(random);
    d.y = std::uniform_int_distribution<int32_t>(0, d.b - MinSide)(random);
    d.h = std::uniform_int_distribution<int32_t>(MinSide, d.a - d.x)(random);
    d.v = std::uniform_int_distribution<int32_t>(MinSide, d.b - d.y)(random);
    return d;
}

bool Same(const DocumentArea& p, const DocumentArea& q) {
    return p.a == q.a && p.b == q.b && p.x == q.x && p.y == q.y && p.h == q.h && p.v == q.v;
}

TEST(SizeFields, FourQuarterTurnsGiveTheStartBack) {
    std::mt19937 random(11);
    for (int i = 0; i < 500; ++i) {
        const DocumentArea start = RandomArea(random);
        for (int step : {1, -1}) {
            DocumentArea d = start;
            int32_t index = 3;
            for (int turn = 0; turn < 4; ++turn) {
                const int32_t next = (index + step + 4) % 4;
                d = RotatedArea(d, index, next);
                index = next;
            }
            EXPECT_TRUE(Same(d, start)) << i;
        }
    }
}

TEST(SizeFields, ScannerFrameUndoesTheTurn) {
    std::mt19937 random(13);
    for (int i = 0; i < 200; ++i) {
        const DocumentArea start = RandomArea(random);
        for (int32_t index = 0; index < 4; ++index) {
            const ScannerFrame f = FrameOfArea(RotatedArea(start, 3, index), index);
            EXPECT_EQ(f.left, start.x);
            EXPECT_EQ(f.top, start.y);
            EXPECT_EQ(f.width, start.h);
            EXPECT_EQ(f.length, start.v);
        }
    }
}

TEST(SizeFields, ClampTwiceIsClampOnce) {
    std::mt19937 random(17);
    std::uniform_int_distribution<int32_t> any(0, 90000);
    std::uniform_int_distribution<int32_t> side(MinSide, 84000);
    for (int i = 0; i < 1000; ++i) {
        const DocumentArea d{side(random), side(random), any(random), any(random), any(random), any(random)};
        const DocumentArea once = ClampedArea(d);
        EXPECT_TRUE(Same(ClampedArea(once), once)) << i;
        EXPECT_LE(once.x + once.h, once.a);
        EXPECT_GE(once.h, MinSide);
    }
}

MainUiState StateWith(int32_t a, int32_t b, int32_t x, int32_t y, int32_t h, int32_t v) {
    static MainUiState state;
    state = MainUiState{};
    state.scanA = a;
    state.scanB = b;
    state.scanX = x;
    state.scanY = y;
    state.scanH = h;
    state.scanV = v;
    return state;
}

TEST(SizeFields, FlushAreaShowsLeftPlusWidthAsTheDocumentWidth) {
    // A4 in mm with areas that reach the right edge.
    for (int32_t x = 0; x < 40000; x += 137) {
        MainUiState s = StateWith(49606, 70157, x, 0, 49606 - x, 70157);
        SizeFields f;
        f.areaTicked = true;
        LoadRawFields(f, s, true);
        RefreshSizeFields(f, UNIT_MM, 100);
        EXPECT_EQ(std::stoi(f.text[FIELD_LEFT]) + std::stoi(f.text[FIELD_AREA_WIDTH]),
                  std::stoi(f.text[FIELD_WIDTH]))
            << x;
        EXPECT_EQ(f.text[FIELD_WIDTH], "210");
    }
}

TEST(SizeFields, RotatingThereAndBackKeepsTheArea) {
    MainUiState s = StateWith(49606, 70157, 1000, 2000, 20000, 30000);
    SizeFields f;
    f.areaTicked = true;
    RotateDocument(s, f, 3, 0);
    EXPECT_EQ(s.scanA, 70157);
    EXPECT_EQ(s.scanX, 70157 - 2000 - 30000);
    RotateDocument(s, f, 0, 3);
    EXPECT_EQ(s.scanA, 49606);
    EXPECT_EQ(s.scanX, 1000);
    EXPECT_EQ(s.scanY, 2000);
    EXPECT_EQ(s.scanH, 20000);
    EXPECT_EQ(s.scanV, 30000);
}

TEST(SizeFields, PaperSizeFollowsPlacementAndRotation) {
    MainUiState s{};
    s.paperSizeTable[1] = {34961, 49606};  // A5
    SizeFields f;
    ApplyPaperSize(s, f, {UNIT_MM, 0, 0, 3}, 2);
    EXPECT_EQ(s.scanA, 34961);
    ApplyPaperSize(s, f, {UNIT_MM, 0, 1, 3}, 2);
    EXPECT_EQ(s.scanA, 49606);
    ApplyPaperSize(s, f, {UNIT_MM, 0, 1, 0}, 2);
    EXPECT_EQ(s.scanA, 34961);
    s.customA = 10000;
    s.customB = 20000;
    s.customOrientation = 3;
    s.scanOrientation = 0;
    s.scanAreaCheck = 1;
    ApplyPaperSize(s, f, {UNIT_MM, 0, -1, 0}, 0);
    EXPECT_EQ(s.scanA, 20000);
    EXPECT_EQ(s.scanAreaCheck, 0);
    EXPECT_FALSE(f.areaTicked);
    EXPECT_FALSE(ApplyRegisteredArea(s, f, {UNIT_MM, 0, -1, 3}, 11));  // no area registered
}

TEST(SizeFields, WidthTypedBeyondTheGlassIsCorrected) {
    struct Case {
        int32_t unit;
        const char* typed;
        const char* text;
        int32_t stored;
    } const cases[] = {
        {UNIT_INCH, "9", "8.50", 51000},
        {UNIT_MM, "300", "216", 51000},
        {UNIT_MM, "5", "10", 2362},
        {UNIT_MM, "abc", "10", 2362},
    };
    for (const Case& c : cases) {
        MainUiState s = StateWith(49606, 70157, 0, 0, 2362, 2362);
        SizeFields f;
        f.text[FIELD_WIDTH] = c.typed;
        const KillFocusResult r = OnSizeFieldKillFocus(s, f, {c.unit, 0, -1, 3}, FIELD_WIDTH, 49606, true);
        EXPECT_TRUE(r.switchToCustom) << c.typed;
        EXPECT_TRUE(r.check.failed) << c.typed;
        EXPECT_EQ(f.text[FIELD_WIDTH], c.text) << c.typed;
        EXPECT_EQ(s.scanA, c.stored) << c.typed;
        EXPECT_EQ(s.customA, c.stored) << c.typed;
    }
}

TEST(SizeFields, UnchangedFocusLeavesTheSizeAlone) {
    MainUiState s = StateWith(49606, 70157, 0, 0, 2362, 2362);
    SizeFields f;
    f.text[FIELD_WIDTH] = "210";
    const KillFocusResult r = OnSizeFieldKillFocus(s, f, {UNIT_MM, 0, -1, 3}, FIELD_WIDTH, 49606, true);
    EXPECT_FALSE(r.switchToCustom);
    EXPECT_EQ(f.text[FIELD_WIDTH], "210");
}

TEST(SizeFields, AreaFieldsStayInsideTheDocument) {
    MainUiState s = StateWith(49606, 70157, 0, 0, 20000, 20000);
    SizeFields f;
    f.areaTicked = true;
    LoadRawFields(f, s, true);
    RefreshSizeFields(f, UNIT_MM, 100);
    f.text[FIELD_LEFT] = "205";
    const KillFocusResult left = OnSizeFieldKillFocus(s, f, {UNIT_MM, 0, -1, 3}, FIELD_LEFT, 0, true);
    EXPECT_TRUE(left.check.failed);
    EXPECT_EQ(s.scanX, 49606 - MinSide);
    EXPECT_EQ(s.scanH, MinSide);
    f.text[FIELD_AREA_WIDTH] = "400";
    const KillFocusResult width =
        OnSizeFieldKillFocus(s, f, {UNIT_MM, 0, -1, 3}, FIELD_AREA_WIDTH, MinSide, true);
    EXPECT_TRUE(width.check.failed);
    EXPECT_EQ(s.scanH, 49606);
    EXPECT_EQ(s.scanX, 0);
}

}  // namespace
