#include <gtest/gtest.h>

#include "core/core_context.h"

namespace {

class ScanSettingsTest : public ::testing::Test {
   protected:
    void SetUp() override {
        InitCoreContextValues(true);
        ResetAdjustments(GetScanSettings());
    }
};

TEST_F(ScanSettingsTest, ValueSettersClampToPlusMinusHundred) {
    struct Case {
        int (*setter)(int32_t);
        int32_t ScanSettings::*member;
        int32_t given;
        int32_t stored;
    };
    const Case cases[] = {
        {SetBrightness, &ScanSettings::brightness, 150, 100},
        {SetBrightness, &ScanSettings::brightness, -101, -100},
        {SetBrightness, &ScanSettings::brightness, 37, 37},
        {SetContrast, &ScanSettings::contrast, 1000, 100},
        {SetContrast, &ScanSettings::contrast, -100, -100},
        {SetCurveGamma, &ScanSettings::curveGamma, -250, -100},
        {SetCurveGamma, &ScanSettings::curveGamma, 99, 99},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(1, c.setter(c.given));
        EXPECT_EQ(c.stored, GetScanSettings()->*c.member) << "given " << c.given;
    }
}

TEST_F(ScanSettingsTest, ToneCurveClampsAndWritesBackToCaller) {
    int32_t in[5] = {300, -4, 128, 256, 10};
    int32_t out[5] = {0, 999, -1, 200, 255};
    SetToneCurve(in, out, 5);
    const int32_t expectIn[5] = {255, 0, 128, 255, 10};
    const int32_t expectOut[5] = {0, 255, 0, 200, 255};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(expectIn[i], in[i]) << i;
        EXPECT_EQ(expectOut[i], out[i]) << i;
        EXPECT_EQ(expectIn[i], GetScanSettings()->curveIn[i]) << i;
        EXPECT_EQ(expectOut[i], GetScanSettings()->curveOut[i]) << i;
    }
}

TEST_F(ScanSettingsTest, ToneCurveTouchesOnlyTheFirstCountPoints) {
    int32_t in[5] = {1, 2, 3, 4, 5};
    int32_t out[5] = {6, 7, 8, 9, 10};
    SetToneCurve(in, out, 2);
    EXPECT_EQ(2, GetScanSettings()->curveIn[1]);
    EXPECT_EQ(128, GetScanSettings()->curveIn[2]);
    EXPECT_EQ(128, GetScanSettings()->curveOut[2]);
}

TEST_F(ScanSettingsTest, CustomAreaRaisesNegativeOriginToZeroOnly) {
    SetCustomArea(-5, -1, 100, 200);
    const ScanWindow* w = GetScanWindow();
    EXPECT_EQ(0, w->areaLeft);
    EXPECT_EQ(0, w->areaTop);
    EXPECT_EQ(100, w->areaWidth);
    EXPECT_EQ(200, w->areaHeight);
}

TEST_F(ScanSettingsTest, PixelTypeSetterSetsBothTypes) {
    SetPixelType(0);
    EXPECT_EQ(0, GetScanSettings()->pixelType);
    EXPECT_EQ(0, GetScanSettings()->uiPixelType);
}

TEST_F(ScanSettingsTest, InitialValuesFollowTheLocale) {
    EXPECT_EQ(2, GetScanWindow()->paperSizeCode);
    InitCoreContextValues(false);
    EXPECT_EQ(12, GetScanWindow()->paperSizeCode);
    const CoreContext* c = GetCoreContext();
    EXPECT_EQ(-1, c->xferCount);
    EXPECT_EQ(300, c->state);
    EXPECT_EQ(1, c->pageIndex);
    EXPECT_EQ(4, c->scanWindow.resolutionIndex);
    EXPECT_EQ(3, c->scan.pixelType);
    EXPECT_EQ(3, c->scan.uiPixelType);
    EXPECT_EQ(4960, c->scanWindow.areaWidth);
    EXPECT_EQ(7015, c->scanWindow.areaHeight);
    EXPECT_EQ(TWFF_BMP, c->xferFileFormat);
}

TEST_F(ScanSettingsTest, AdjustmentResetRestoresNeutralValues) {
    ScanSettings* s = GetScanSettings();
    s->brightness = 40;
    s->balance[4] = 9;
    s->curveOut[2] = 7;
    s->scalePercent = 50;
    s->hue = 33;
    ResetAdjustments(s);
    EXPECT_EQ(0, s->brightness);
    EXPECT_EQ(0, s->balance[4]);
    EXPECT_EQ(128, s->curveOut[2]);
    EXPECT_EQ(100, s->scalePercent);
    EXPECT_EQ(0, s->hue);
}

TEST_F(ScanSettingsTest, CoreInfoBuildsTheIdentity) {
    CoreInfo info{};
    snprintf(info.productName, sizeof info.productName, "%s", "Tarvik4100 TWAIN");
    snprintf(info.versionInfo, sizeof info.versionInfo, "%s", "V 1.2.0.0");
    snprintf(info.resourcePath, sizeof info.resourcePath, "%s", "C:\\x\\Tarvik4100.DLL");
    info.physicalWidth = 850;
    info.physicalHeight = 1169;
    GetCoreContext()->appIdentity.Id = 77;
    DSCore_UISetCoreInfo(&info);
    const TW_IDENTITY& id = GetCoreContext()->dsIdentity;
    EXPECT_STREQ("Tarvik4100 TWAIN", id.ProductName);
    EXPECT_STREQ("V 1.2.0.0", id.Version.Info);
    EXPECT_EQ(1, id.ProtocolMajor);
    EXPECT_EQ(9, id.ProtocolMinor);
    EXPECT_EQ(3u, TW_UINT32{id.SupportedGroups});  // packed member: copy, never bind
    EXPECT_EQ(13, id.Version.Language);
    EXPECT_EQ(1, id.Version.Country);
    EXPECT_EQ(0u, GetCoreContext()->appIdentity.Id);
    EXPECT_EQ(850, GetCoreContext()->coreInfo.physicalWidth);
    EXPECT_STREQ("C:\\x\\Tarvik4100.DLL", GetCoreContext()->coreInfo.resourcePath);
}

}  // namespace
