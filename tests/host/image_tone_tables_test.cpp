#include <gtest/gtest.h>

#include "image/tone_tables.h"
#include "image_test_support.h"

namespace {

ScanSettings Neutral(int32_t pixelType, int32_t uiPixelType) {
    ScanSettings s{};
    ResetAdjustments(&s);
    s.pixelType = pixelType;
    s.uiPixelType = uiPixelType;
    return s;
}

struct Entry {
    int index;
    int value;
};

void ExpectEntries(const uint8_t* table, std::initializer_list<Entry> entries, const char* what) {
    for (const Entry& e : entries) EXPECT_EQ(e.value, table[e.index]) << what << " entry " << e.index;
}

TEST(ImageToneTables, NeutralSettingsGiveIdentityTables) {
    for (int32_t type : {2, 3}) {
        ScanSettings s = Neutral(type, type);
        EXPECT_FALSE(BuildToneTables(&s));
        const ToneTables& t = GetToneTables();
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(i, t.red[i]);
            ASSERT_EQ(i, t.green[i]);
            ASSERT_EQ(i, t.blue[i]);
            ASSERT_EQ(i, t.grey[i]);
        }
    }
}

TEST(ImageToneTables, BrightnessAndContrastGoldenEntries) {
    struct Case {
        int32_t brightness, contrast;
        std::initializer_list<Entry> entries;
    };
    const Case cases[] = {
        {0, 100, {{0, 0}, {128, 128}, {160, 255}, {127, 124}}},
        {0, -100, {{0, 96}, {255, 159}, {128, 128}}},
        {20, 0, {{0, 20}, {100, 120}, {240, 255}}},
        {-100, 0, {{50, 0}, {228, 128}}},
    };
    for (const Case& c : cases) {
        ScanSettings s = Neutral(2, 2);
        s.brightness = c.brightness;
        s.contrast = c.contrast;
        EXPECT_TRUE(BuildToneTables(&s));
        ExpectEntries(GetToneTables().grey, c.entries, "grey");
    }
}

TEST(ImageToneTables, FivePointCurveInterpolatesByIndexWithClampedEnds) {
    ScanSettings s = Neutral(3, 3);
    const int32_t in[5] = {10, 64, 128, 192, 200};
    const int32_t out[5] = {20, 32, 128, 224, 250};
    std::copy(in, in + 5, s.curveIn);
    std::copy(out, out + 5, s.curveOut);
    BuildToneTables(&s);
    // Segment 0: slope 12/54; segment 1: 96/64; segment 3: 26/8.
    ExpectEntries(GetToneTables().red,
                  {{0, 20},
                   {9, 20},
                   {10, 20},
                   {37, 26},
                   {64, 32},
                   {96, 80},
                   {191, 222},
                   {196, 237},
                   {200, 250},
                   {255, 250}},
                  "red");
    EXPECT_EQ(0, std::memcmp(GetToneTables().red, GetToneTables().blue, 256));
}

TEST(ImageToneTables, GammaCurveKeepsEndsAndMovesTheMiddle) {
    for (int32_t g : {100, 37, -5, -100}) {
        ScanSettings s = Neutral(2, 2);
        s.curveMode = 1;
        s.curveGamma = g;
        BuildToneTables(&s);
        const uint8_t* t = GetToneTables().grey;
        EXPECT_EQ(0, t[0]) << g;
        EXPECT_EQ(255, t[255]) << g;
        for (int i = 1; i < 255; ++i) {
            if (g > 0) {
                ASSERT_GE(t[i], i) << "gamma " << g << " brightens, entry " << i;
            } else {
                ASSERT_LE(t[i], i) << "gamma " << g << " darkens, entry " << i;
            }
            ASSERT_GE(t[i], t[i - 1]) << "monotone, gamma " << g;
        }
    }
    ScanSettings s = Neutral(2, 2);
    s.curveMode = 1;
    s.curveGamma = 100;  // exponent 0.1: (1/255)^0.1 = 0.5746
    BuildToneTables(&s);
    EXPECT_EQ(147, GetToneTables().grey[1]);
}

TEST(ImageToneTables, CurveIsNeutralForGammaZeroAndForOtherModes) {
    for (int32_t mode : {1, 2, -1}) {
        ScanSettings s = Neutral(2, 2);
        s.curveMode = mode;
        s.curveOut[2] = 200;  // ignored unless mode 0
        EXPECT_FALSE(BuildToneTables(&s)) << mode;
    }
}

TEST(ImageToneTables, ColourBalanceGoldenEntriesPerChannel) {
    ScanSettings s = Neutral(3, 3);
    s.balance[0] = 100;   // red shadows: out low 51, slope 0.8
    s.balance[4] = 100;   // green midtones: gamma 0.46
    s.balance[8] = -100;  // blue highlights: out high 230
    EXPECT_TRUE(BuildToneTables(&s));
    const ToneTables& t = GetToneTables();
    ExpectEntries(t.red, {{0, 51}, {100, 131}, {255, 255}}, "red");
    ExpectEntries(t.green, {{0, 0}, {128, 186}, {255, 255}}, "green");
    ExpectEntries(t.blue, {{0, 0}, {128, 115}, {255, 230}}, "blue");
}

TEST(ImageToneTables, StepsFollowTheChosenPixelType) {
    struct Case {
        int32_t pixelType, uiPixelType;
        bool curveApplies, balanceApplies;
    };
    const Case cases[] = {{3, 3, true, true},
                          {3, 2, true, false},
                          {3, 1, false, false},
                          {3, 0, false, false},
                          {2, 0, true, false}};
    for (const Case& c : cases) {
        ScanSettings s = Neutral(c.pixelType, c.uiPixelType);
        s.curveMode = 1;
        s.curveGamma = 50;
        EXPECT_EQ(c.curveApplies, BuildToneTables(&s)) << c.pixelType << "/" << c.uiPixelType;
        s = Neutral(c.pixelType, c.uiPixelType);
        s.balance[2] = 40;
        EXPECT_EQ(c.balanceApplies, BuildToneTables(&s)) << c.pixelType << "/" << c.uiPixelType;
    }
}

TEST(ImageToneTables, StepsComposeBrightnessThenCurve) {
    ScanSettings s = Neutral(2, 2);
    s.brightness = 64;
    s.curveOut[1] = 0;  // index 0..63 segment now maps 0..64 -> 0..0
    BuildToneTables(&s);
    // Entry 10 becomes 74 by brightness, then segment 0 (chosen by index 10)
    // maps value 74 with slope 0: 0.
    EXPECT_EQ(0, GetToneTables().grey[10]);
    // Entry 100 becomes 164, segment 1 (slope 2): t((164-64)*2 + 0) = 200.
    EXPECT_EQ(200, GetToneTables().grey[100]);
}

}  // namespace
