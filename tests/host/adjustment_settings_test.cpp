#include "ui/adjustment_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/core_context.h"
#include "ui/address_text.h"

namespace {

class AdjustmentSettingsTest : public ::testing::Test {
   protected:
    void SetUp() override {
        InitCoreContextValues(true);
        SetAdjustmentDefaultsFor(true);
    }
    AdjustmentSettings& Settings() { return GetUiGlobals()->settings; }
};

TEST_F(AdjustmentSettingsTest, StartValuesGiveWholePaperAtThreeHundredDpi) {
    struct Case {
        bool metric;
        int32_t paper, width, height, previewRight, previewBottom;
    };
    const Case cases[] = {
        {true, 2, 2480, 3507, 620, 876},    // A4
        {false, 12, 2550, 3300, 637, 825},  // US Letter
    };
    for (const Case& c : cases) {
        SetAdjustmentDefaultsFor(c.metric);
        ApplyAdjustmentSettings();
        const CoreContext& core = *GetCoreContext();
        EXPECT_EQ(2, core.scan.pixelType);
        EXPECT_EQ(4, core.scanWindow.resolutionIndex);
        EXPECT_EQ(c.paper, core.scanWindow.paperSizeCode);
        EXPECT_EQ(0, core.scanWindow.areaLeft);
        EXPECT_EQ(c.width, core.scanWindow.areaWidth) << "metric " << c.metric;
        EXPECT_EQ(c.height, core.scanWindow.areaHeight) << "metric " << c.metric;
        EXPECT_EQ(c.previewRight, core.previewImage.right);
        EXPECT_EQ(c.previewBottom, core.previewImage.bottom);
    }
}

TEST_F(AdjustmentSettingsTest, CustomAreaInInchesAtResolutionIdTwo) {
    Settings().paperSize = CustomPaperSize;
    Settings().customStartInchX = 1;
    Settings().customStartInchY = 2;
    Settings().customInchWidth = 3;
    Settings().customInchHeight = 4;
    Settings().resolutionId = 2;
    ApplyAdjustmentSettings();
    const CoreContext& core = *GetCoreContext();
    EXPECT_EQ(75, core.previewImage.left);
    EXPECT_EQ(150, core.previewImage.top);
    EXPECT_EQ(300, core.previewImage.right);
    EXPECT_EQ(450, core.previewImage.bottom);
    EXPECT_EQ(150, core.scanWindow.areaLeft);
    EXPECT_EQ(300, core.scanWindow.areaTop);
    EXPECT_EQ(450, core.scanWindow.areaWidth);
    EXPECT_EQ(600, core.scanWindow.areaHeight);
}

TEST_F(AdjustmentSettingsTest, ApplyClampsAdjustmentsAndPassesTheRestThrough) {
    struct Case {
        int32_t AdjustmentSettings::*from;
        int32_t ScanSettings::*to;
        int32_t given, expected;
    };
    const Case cases[] = {
        {&AdjustmentSettings::bright, &ScanSettings::brightness, 150, 100},
        {&AdjustmentSettings::contrast, &ScanSettings::contrast, -101, -100},
        {&AdjustmentSettings::hue, &ScanSettings::hue, -200, -180},
        {&AdjustmentSettings::hue, &ScanSettings::hue, 179, 179},
        {&AdjustmentSettings::sharp, &ScanSettings::sharpness, -5, -2},
        {&AdjustmentSettings::sharp, &ScanSettings::sharpness, 9, 3},
        {&AdjustmentSettings::saturation, &ScanSettings::saturation, 300, 100},
        {&AdjustmentSettings::lightness, &ScanSettings::lightness, -300, -100},
        {&AdjustmentSettings::descreen, &ScanSettings::descreen, 7, 7},
        {&AdjustmentSettings::scale, &ScanSettings::scalePercent, 250, 250},
        {&AdjustmentSettings::rotate, &ScanSettings::rotation, 3, 3},
        {&AdjustmentSettings::reversal, &ScanSettings::reversal, 1, 1},
    };
    for (const Case& c : cases) {
        SetAdjustmentDefaultsFor(true);
        Settings().*c.from = c.given;
        ApplyAdjustmentSettings();
        EXPECT_EQ(c.expected, GetScanSettings()->*c.to) << "given " << c.given;
    }
}

TEST_F(AdjustmentSettingsTest, BalanceClampedCurveCopiedUncheckedTransportKindCopied) {
    for (int i = 0; i < 9; ++i) Settings().balance[i] = (i % 2 == 0 ? 1 : -1) * (95 + 5 * i);
    Settings().curveIn[1] = 0;  // not above the first point: the pipeline decides
    Settings().curveMode = 1;
    Settings().ioTypeSelect = 1;
    ApplyAdjustmentSettings();
    const CoreContext& core = *GetCoreContext();
    for (int i = 0; i < 9; ++i) {
        int32_t given = (i % 2 == 0 ? 1 : -1) * (95 + 5 * i);
        EXPECT_EQ(std::clamp(given, -100, 100), core.scan.balance[i]) << "balance " << i;
    }
    EXPECT_EQ(0, core.scan.curveIn[1]);
    EXPECT_EQ(1, core.scan.curveMode);
    EXPECT_EQ(1, core.transportKindSetting);
}

TEST_F(AdjustmentSettingsTest, HostileAreaValuesNeverOverflowOrReadBeyondTables) {
    CoreContext& core = *GetCoreContext();
    const int32_t before = core.scanWindow.areaWidth;
    Settings().paperSize = 19;  // another device paper code: area stays
    ApplyAdjustmentSettings();
    EXPECT_EQ(before, core.scanWindow.areaWidth);
    Settings().paperSize = -1;
    ApplyAdjustmentSettings();
    EXPECT_EQ(before, core.scanWindow.areaWidth);

    Settings().paperSize = CustomPaperSize;
    Settings().customInchWidth = std::numeric_limits<float>::quiet_NaN();
    Settings().customInchHeight = 1e30f;
    Settings().customStartInchX = -1e30f;
    ApplyAdjustmentSettings();
    EXPECT_EQ(0, core.scanWindow.areaWidth);
    EXPECT_EQ(INT32_MAX, core.scanWindow.areaHeight);
    EXPECT_EQ(INT32_MIN, core.scanWindow.areaLeft);

    Settings().customInchWidth = 2;
    Settings().resolutionId = 42;  // unknown: the area stays, the preview follows
    core.scanWindow.areaWidth = 1234;
    ApplyAdjustmentSettings();
    EXPECT_EQ(1234, core.scanWindow.areaWidth);
}

TEST(ProfileIntTest, ReadsLeadingDigitsWithSign) {
    struct Case {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {
        {"42", 42},
        {"-200", -200},
        {"  7", 7},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"+5", 5},
        {"3.9", 3},
        {"99999999999", INT32_MAX},
        {"-99999999999", INT32_MIN},
        {"-2147483648", INT32_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, ParseProfileInt(c.text)) << "'" << c.text << "'";
    EXPECT_EQ(0, ParseProfileInt(nullptr));
}

TEST(AddressTextTest, SplitsAtDotsAndFormatsBack) {
    struct Case {
        const char* text;
        uint8_t bytes[4];
        const char* formatted;
    };
    const Case cases[] = {
        {"192.168.1.20", {192, 168, 1, 20}, "192.168.1.20"},
        {"10.0.0.7", {10, 0, 0, 7}, "10.0.0.7"},
        {"10.1", {10, 1, 0, 0}, "10.1.0.0"},
        {"1.2.3.4.5", {1, 2, 3, 4}, "1.2.3.4"},
        {"300.-1.x.255", {255, 0, 0, 255}, "255.0.0.255"},
        {"", {0, 0, 0, 0}, "0.0.0.0"},
        {"..7", {0, 0, 7, 0}, "0.0.7.0"},
    };
    for (const Case& c : cases) {
        uint8_t bytes[4];
        ParseDottedAddress(c.text, bytes);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(c.bytes[i], bytes[i]) << c.text << " part " << i;
        EXPECT_EQ(c.formatted, FormatDottedAddress(bytes));
    }
    uint8_t bytes[4] = {9, 9, 9, 9};
    ParseDottedAddress(nullptr, bytes);
    EXPECT_EQ("0.0.0.0", FormatDottedAddress(bytes));
}

}  // namespace
