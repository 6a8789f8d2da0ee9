// Every capability through MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT and
// MSG_RESET on a freshly opened source, compared byte for byte.
#include <gtest/gtest.h>

#include "tests/win/capability_support.h"

namespace capability_test {
namespace {

constexpr TW_UINT16 U16 = TWTY_UINT16;
constexpr TW_UINT16 BOOL16 = TWTY_BOOL;
constexpr TW_UINT16 F32 = TWTY_FIX32;

struct WalkRow {
    TW_UINT16 cap;
    Answer get;
    Answer current;
    Answer dflt;
    Answer reset;
};

Answer Resolutions(uint32_t current) {
    return Enum(F32, current, 1, {75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800});
}
const Answer adjustmentRange = {TWON_RANGE, Range(F32, Fix(-100), Fix(100), Fix(1), Fix(0), Fix(0))};
const Answer readOnly = Fails(TWCC_BADPROTOCOL);

// The source as it stands after opening without a device: no feeder, colour,
// native transfers, 300 dpi in the scan window, A4, platen 8.5 x 11.69 inches.
std::vector<WalkRow> WalkAtLoad() {
    const Answer supported = {
        TWON_ARRAY,
        Array(U16, {0x0001, 0x1005, 0x100B, 0x100F, 0x100E, 0x0100, 0x0101, 0x0102, 0x0103, 0x1101, 0x1103,
                    0x1111, 0x1112, 0x1118, 0x1119, 0x111C, 0x111F, 0x1120, 0x1122, 0x110C, 0x110E, 0x111E,
                    0x1002, 0x1003, 0x1007, 0x1008, 0x112B, 0x1013, 0x1012, 0x1124, 0x1125})};
    const Answer minusOne = One(TWTY_INT16, 0xffffffff);
    const Answer width = One(F32, Fix(8, 32768));
    const Answer height = One(F32, Fix(11, 45219));
    return {
        {CAP_XFERCOUNT, minusOne, minusOne, minusOne, minusOne},
        {CAP_SUPPORTEDCAPS, supported, supported, supported, readOnly},
        {CAP_INDICATORS, One(BOOL16, 0), One(BOOL16, 1), One(BOOL16, 1), One(BOOL16, 1)},
        {CAP_DEVICEONLINE, One(BOOL16, 0), One(BOOL16, 0), One(BOOL16, 0), readOnly},
        {CAP_UICONTROLLABLE, One(BOOL16, 1), One(BOOL16, 1), One(BOOL16, 1), readOnly},
        {ICAP_COMPRESSION, One(U16, 0), One(U16, 0), One(U16, 0), One(U16, 0)},
        {ICAP_PIXELTYPE, Enum(U16, 2, 2, {0, 1, 2}), One(U16, 2), One(U16, 2), One(U16, 2)},
        {ICAP_UNITS, Enum(U16, 0, 0, {0}), One(U16, 0), One(U16, 0), One(U16, 0)},
        {ICAP_XFERMECH, Enum(U16, 0, 0, {0, 1, 2}), One(U16, 0), One(U16, 0), Enum(U16, 0, 0, {0, 1, 2})},
        {ICAP_BRIGHTNESS, adjustmentRange, One(F32, 0), One(F32, 0), adjustmentRange},
        {ICAP_CONTRAST, adjustmentRange, One(F32, 0), One(F32, 0), adjustmentRange},
        {ICAP_PHYSICALWIDTH, width, width, width, readOnly},
        {ICAP_PHYSICALHEIGHT, height, height, height, readOnly},
        // The first reset reports 300 dpi in force, then moves to 100 dpi.
        {ICAP_XRESOLUTION, Resolutions(4), One(F32, 300), One(F32, 100), Resolutions(4)},
        {ICAP_YRESOLUTION, Resolutions(4), One(F32, 300), One(F32, 100), Resolutions(1)},
        {ICAP_BITORDER, One(U16, 1), One(U16, 1), One(U16, 1), One(U16, 1)},
        {ICAP_PIXELFLAVOR, Enum(U16, 0, 0, {0, 1}), One(U16, 0), One(U16, 0), Enum(U16, 0, 0, {0, 1})},
        {ICAP_PLANARCHUNKY, One(U16, 0), One(U16, 0), One(U16, 0), One(U16, 0)},
        {ICAP_SUPPORTEDSIZES, Enum(U16, 1, 1, {0, 1, 5, 4, 3}), One(U16, 1), One(U16, 1), One(U16, 1)},
        {ICAP_IMAGEFILEFORMAT, Enum(U16, 0, 0, {2}), One(U16, 2), One(U16, 2), One(U16, 2)},
        {ICAP_LIGHTSOURCE, One(U16, 4), One(U16, 4), One(U16, 4), One(U16, 4)},
        {ICAP_LIGHTPATH, One(U16, 0), One(U16, 0), One(U16, 0), One(U16, 0)},
        {CAP_FEEDERENABLED, One(BOOL16, 0), One(BOOL16, 0), One(BOOL16, 0), One(BOOL16, 0)},
        {CAP_FEEDERLOADED, One(BOOL16, 0), One(BOOL16, 0), One(BOOL16, 0), readOnly},
        {CAP_AUTOFEED, One(BOOL16, 0), One(BOOL16, 0), One(BOOL16, 0), readOnly},
        {CAP_CLEARPAGE, One(BOOL16, 0), One(BOOL16, 0), One(BOOL16, 0), readOnly},
        {ICAP_BITDEPTH, Enum(U16, 2, 2, {1, 8, 24}), One(U16, 24), One(U16, 24), Enum(U16, 2, 2, {1, 8, 24})},
        {CAP_DUPLEXENABLED, One(BOOL16, 0), One(BOOL16, 0), One(BOOL16, 0), One(BOOL16, 0)},
        {CAP_DUPLEX, One(U16, 0), One(U16, 0), One(U16, 0), readOnly},
        {ICAP_XSCALING, One(F32, Fix(1)), One(F32, Fix(1)), One(F32, Fix(1)), One(F32, Fix(1))},
        {ICAP_YSCALING, One(F32, Fix(1)), One(F32, Fix(1)), One(F32, Fix(1)), One(F32, Fix(1))},
    };
}

TEST_F(CapabilityTest, EveryCapabilityAnswersGetsThenResetsAsAtLoad) {
    const std::vector<WalkRow> rows = WalkAtLoad();
    ASSERT_EQ(31u, rows.size());
    // All gets first: a reset changes what later gets report (resolution, pixel type).
    for (const WalkRow& r : rows) {
        SCOPED_TRACE(testing::Message() << "capability 0x" << std::hex << r.cap);
        EXPECT_TRUE(Answers(MSG_GET, r.cap, r.get)) << "MSG_GET";
        EXPECT_TRUE(Answers(MSG_GETCURRENT, r.cap, r.current)) << "MSG_GETCURRENT";
        EXPECT_TRUE(Answers(MSG_GETDEFAULT, r.cap, r.dflt)) << "MSG_GETDEFAULT";
    }
    for (const WalkRow& r : rows) {
        SCOPED_TRACE(testing::Message() << "capability 0x" << std::hex << r.cap);
        EXPECT_TRUE(Answers(MSG_RESET, r.cap, r.reset)) << "MSG_RESET";
    }
    // The resolution reset moved the scan window to 100 dpi, and the list shows it.
    EXPECT_EQ(1, GetScanWindow()->resolutionIndex);
    EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_YRESOLUTION, One(F32, 100)));
    EXPECT_TRUE(Answers(MSG_GET, ICAP_XRESOLUTION, Resolutions(1)));
    EXPECT_EQ(3, GetScanSettings()->pixelType);
    EXPECT_EQ(-1, GetCoreContext()->xferCount);
}

TEST_F(CapabilityTest, FeederAndDuplexAnswersFollowTheLastMachineState) {
    struct Case {
        FeederState feeder;
        bool enabled, loaded, duplexEnabled;
        TW_UINT16 duplex;
    };
    const Case cases[] = {
        {{0, 0, 0}, false, false, false, TWDX_NONE},      {{0, 1, 0}, true, false, false, TWDX_NONE},
        {{0, 1, 1}, true, true, false, TWDX_NONE},        {{1, 0, 0}, false, false, false, TWDX_NONE},
        {{1, 1, 0}, true, false, true, TWDX_2PASSDUPLEX}, {{1, 1, 1}, true, true, true, TWDX_2PASSDUPLEX},
    };
    for (const Case& c : cases) {
        *GetFeederState() = c.feeder;
        SCOPED_TRACE(testing::Message() << "duplex " << c.feeder.duplexAvailable << " adf "
                                        << c.feeder.adfAvailable << " loaded " << c.feeder.adfLoaded);
        for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
            EXPECT_TRUE(Answers(msg, CAP_FEEDERENABLED, One(BOOL16, c.enabled)));
            EXPECT_TRUE(Answers(msg, CAP_FEEDERLOADED, One(BOOL16, c.loaded)));
            EXPECT_TRUE(Answers(msg, CAP_DUPLEXENABLED, One(BOOL16, c.duplexEnabled)));
            EXPECT_TRUE(Answers(msg, CAP_DUPLEX, One(U16, c.duplex)));
        }
    }
}

TEST_F(CapabilityTest, CurrentValuesFollowTheSettingsTheDialogWrites) {
    struct Case {
        const char* what;
        void (*apply)();
        TW_UINT16 cap;
        Answer current;
    };
    const Case cases[] = {
        {"bilevel 0", [] { SetPixelType(0); }, ICAP_PIXELTYPE, One(U16, TWPT_BW)},
        {"bilevel 1", [] { SetPixelType(1); }, ICAP_PIXELTYPE, One(U16, TWPT_BW)},
        {"grey", [] { SetPixelType(2); }, ICAP_PIXELTYPE, One(U16, TWPT_GRAY)},
        {"bilevel depth", [] { SetPixelType(1); }, ICAP_BITDEPTH, One(U16, 1)},
        {"grey depth", [] { SetPixelType(2); }, ICAP_BITDEPTH, One(U16, 8)},
        {"brightness", [] { SetBrightness(-37); }, ICAP_BRIGHTNESS, One(F32, Fix(-37))},
        {"contrast", [] { SetContrast(99); }, ICAP_CONTRAST, One(F32, Fix(99))},
        {"4800 dpi", [] { SetResolutionIndex(9); }, ICAP_YRESOLUTION, One(F32, 4800)},
        {"custom area", [] { SetPaperSizeCode(255); }, ICAP_SUPPORTEDSIZES, One(U16, TWSS_NONE)},
        {"US legal", [] { SetPaperSizeCode(11); }, ICAP_SUPPORTEDSIZES, One(U16, TWSS_USLEGAL)},
        {"code without TWSS", [] { SetPaperSizeCode(30); }, ICAP_SUPPORTEDSIZES, One(U16, TWSS_NONE)},
        {"B4", [] { SetPaperSizeCode(1); }, ICAP_SUPPORTEDSIZES, One(U16, TWSS_B4)},
        {"brightness range",
         [] { SetBrightness(12); },
         ICAP_BRIGHTNESS,
         {TWON_RANGE, Range(F32, Fix(-100), Fix(100), Fix(1), Fix(0), Fix(12))}},
    };
    for (const Case& c : cases) {
        c.apply();
        const TW_UINT16 msg = c.current.conType == TWON_RANGE ? MSG_GET : MSG_GETCURRENT;
        EXPECT_TRUE(Answers(msg, c.cap, c.current)) << c.what;
    }
}

TEST_F(CapabilityTest, IndicatorsListReportsTheAdjustmentDialog) {
    GetUiCallbacks()->IsAdjustmentDialogOpen = [] { return 1; };
    EXPECT_TRUE(Answers(MSG_GET, CAP_INDICATORS, One(BOOL16, 1)));
    GetUiCallbacks()->IsAdjustmentDialogOpen = [] { return 0; };
    EXPECT_TRUE(Answers(MSG_GET, CAP_INDICATORS, One(BOOL16, 0)));
    EXPECT_TRUE(Answers(MSG_GETCURRENT, CAP_INDICATORS, One(BOOL16, 1)));
}

TEST_F(CapabilityTest, PlatenSizeComesFromTheCoreInfo) {
    GetCoreContext()->coreInfo.physicalWidth = 1170;
    GetCoreContext()->coreInfo.physicalHeight = 1654;
    EXPECT_TRUE(Answers(MSG_GET, ICAP_PHYSICALWIDTH, One(F32, Fix(11, 45875))));
    EXPECT_TRUE(Answers(MSG_GETDEFAULT, ICAP_PHYSICALHEIGHT, One(F32, Fix(16, 35389))));
}

}  // namespace
}  // namespace capability_test
