// MSG_SET of every settable capability: what is accepted, what is refused, and
// what each leaves behind, including the effects on other capabilities.
#include <gtest/gtest.h>

#include <functional>

#include "tests/win/capability_support.h"

namespace capability_test {
namespace {

constexpr TW_UINT16 U16 = TWTY_UINT16;
constexpr TW_UINT16 F32 = TWTY_FIX32;
constexpr TW_UINT16 BOOL16 = TWTY_BOOL;

CoreContext& Core() { return *GetCoreContext(); }

struct SetCase {
    const char* what;
    std::function<void()> before;  // may be empty
    TW_UINT16 cap;
    TW_UINT16 itemType;
    uint32_t value;
    TW_UINT16 conditionCode;  // TWCC_SUCCESS: accepted
    std::function<void()> check;
};

void NoFeeder() { *GetFeederState() = {0, 0, 0}; }
void FeederOnly() { *GetFeederState() = {0, 1, 0}; }
void FeederAndDuplex() { *GetFeederState() = {1, 1, 1}; }

std::vector<SetCase> SetCases() {
    return {
        // Transfer count: any accepted count but 1 means "all".
        {"xfercount -1", nullptr, CAP_XFERCOUNT, TWTY_INT16, 0xffff, TWCC_SUCCESS,
         [] { EXPECT_EQ(-1, Core().xferCount); }},
        {"xfercount 1", nullptr, CAP_XFERCOUNT, TWTY_INT16, 1, TWCC_SUCCESS,
         [] { EXPECT_EQ(1, Core().xferCount); }},
        {"xfercount 5 stores -1", [] { Core().xferCount = 1; }, CAP_XFERCOUNT, TWTY_INT16, 5, TWCC_SUCCESS,
         [] { EXPECT_EQ(-1, Core().xferCount); }},
        {"xfercount 0 stores -1", [] { Core().xferCount = 1; }, CAP_XFERCOUNT, TWTY_INT16, 0, TWCC_SUCCESS,
         [] { EXPECT_EQ(-1, Core().xferCount); }},
        {"xfercount 32767", [] { Core().xferCount = 1; }, CAP_XFERCOUNT, TWTY_INT16, 32767, TWCC_SUCCESS,
         [] { EXPECT_EQ(-1, Core().xferCount); }},
        {"xfercount INT32 -1", [] { Core().xferCount = 1; }, CAP_XFERCOUNT, TWTY_INT32, 0xffffffff,
         TWCC_SUCCESS, [] { EXPECT_EQ(-1, Core().xferCount); }},
        {"xfercount -2", [] { Core().xferCount = 1; }, CAP_XFERCOUNT, TWTY_INT16, 0xfffe, TWCC_BADVALUE,
         [] { EXPECT_EQ(1, Core().xferCount); }},
        {"xfercount -32768", nullptr, CAP_XFERCOUNT, TWTY_INT16, 0x8000, TWCC_BADVALUE, nullptr},

        {"compression none", nullptr, ICAP_COMPRESSION, U16, 0, TWCC_SUCCESS, nullptr},
        {"compression 1", nullptr, ICAP_COMPRESSION, U16, 1, TWCC_BADVALUE, nullptr},

        // Pixel type moves both tables.
        {"pixel type grey", nullptr, ICAP_PIXELTYPE, U16, TWPT_GRAY, TWCC_SUCCESS,
         [] {
             EXPECT_EQ(2, GetScanSettings()->pixelType);
             EXPECT_TRUE(Answers(MSG_GET, ICAP_PIXELTYPE, Enum(U16, 1, 2, {0, 1, 2})));
             EXPECT_TRUE(Answers(MSG_GET, ICAP_BITDEPTH, Enum(U16, 1, 2, {1, 8, 24})));
             EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_BITDEPTH, One(U16, 8)));
             EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_PIXELTYPE, One(U16, TWPT_GRAY)));
         }},
        {"pixel type bilevel", nullptr, ICAP_PIXELTYPE, U16, TWPT_BW, TWCC_SUCCESS,
         [] {
             EXPECT_EQ(0, GetScanSettings()->pixelType);
             EXPECT_TRUE(Answers(MSG_GET, ICAP_BITDEPTH, Enum(U16, 0, 2, {1, 8, 24})));
         }},
        {"pixel type colour", [] { SetPixelType(2); }, ICAP_PIXELTYPE, U16, TWPT_RGB, TWCC_SUCCESS,
         [] { EXPECT_EQ(3, GetScanSettings()->pixelType); }},
        {"pixel type palette", nullptr, ICAP_PIXELTYPE, U16, 3, TWCC_BADVALUE,
         [] { EXPECT_EQ(3, GetScanSettings()->pixelType); }},

        {"units inches", nullptr, ICAP_UNITS, U16, TWUN_INCHES, TWCC_SUCCESS, nullptr},
        {"units centimetres", nullptr, ICAP_UNITS, U16, TWUN_CENTIMETERS, TWCC_BADVALUE, nullptr},

        {"memory transfer", nullptr, ICAP_XFERMECH, U16, TWSX_MEMORY, TWCC_SUCCESS,
         [] {
             EXPECT_EQ(TWSX_MEMORY, Core().xferMech);
             EXPECT_TRUE(Answers(MSG_GET, ICAP_XFERMECH, Enum(U16, 2, 0, {0, 1, 2})));
             EXPECT_TRUE(Answers(MSG_RESET, ICAP_XFERMECH, Enum(U16, 0, 0, {0, 1, 2})));
             EXPECT_EQ(TWSX_NATIVE, Core().xferMech);
         }},
        {"transfer mechanism 3", nullptr, ICAP_XFERMECH, U16, 3, TWCC_BADVALUE,
         [] { EXPECT_EQ(0, Core().xferMech); }},

        // Feeder and duplex depend on what the device reported.
        {"feeder on without feeder", NoFeeder, CAP_FEEDERENABLED, BOOL16, 1, TWCC_BADVALUE,
         [] { EXPECT_EQ(0, GetScanWindow()->paperSource); }},
        {"feeder off without feeder", NoFeeder, CAP_FEEDERENABLED, BOOL16, 0, TWCC_BADVALUE, nullptr},
        {"feeder on", FeederOnly, CAP_FEEDERENABLED, BOOL16, 1, TWCC_SUCCESS,
         [] { EXPECT_EQ(1, GetScanWindow()->paperSource); }},
        {"feeder on with a non-1 TRUE", FeederOnly, CAP_FEEDERENABLED, BOOL16, 8, TWCC_SUCCESS,
         [] { EXPECT_EQ(1, GetScanWindow()->paperSource); }},
        {"feeder off", [] { FeederOnly(), SetPaperSource(1); }, CAP_FEEDERENABLED, BOOL16, 0, TWCC_SUCCESS,
         [] { EXPECT_EQ(0, GetScanWindow()->paperSource); }},
        {"feeder off leaves duplex", [] { FeederAndDuplex(), SetPaperSource(2); }, CAP_FEEDERENABLED, BOOL16,
         0, TWCC_SUCCESS, [] { EXPECT_EQ(2, GetScanWindow()->paperSource); }},
        {"duplex on without duplex", FeederOnly, CAP_DUPLEXENABLED, BOOL16, 1, TWCC_BADVALUE,
         [] { EXPECT_EQ(0, GetScanWindow()->paperSource); }},
        {"duplex on without feeder",
         [] {
             *GetFeederState() = {1, 0, 0};
         },
         CAP_DUPLEXENABLED,
         BOOL16,
         1,
         TWCC_BADVALUE,
         {}},
        {"duplex on", FeederAndDuplex, CAP_DUPLEXENABLED, BOOL16, 1, TWCC_SUCCESS,
         [] {
             EXPECT_EQ(2, GetScanWindow()->paperSource);
             EXPECT_TRUE(Answers(MSG_RESET, CAP_DUPLEXENABLED, One(BOOL16, 0)));
             EXPECT_EQ(0, GetScanWindow()->paperSource);
         }},
        {"duplex off", [] { FeederAndDuplex(), SetPaperSource(2); }, CAP_DUPLEXENABLED, BOOL16, 0,
         TWCC_SUCCESS, [] { EXPECT_EQ(0, GetScanWindow()->paperSource); }},
        {"duplex off leaves simplex feeder", [] { FeederAndDuplex(), SetPaperSource(1); }, CAP_DUPLEXENABLED,
         BOOL16, 0, TWCC_SUCCESS, [] { EXPECT_EQ(1, GetScanWindow()->paperSource); }},
        {"feeder reset from duplex", [] { FeederAndDuplex(), SetPaperSource(2); }, CAP_FEEDERENABLED, BOOL16,
         1, TWCC_SUCCESS,
         [] {
             EXPECT_EQ(1, GetScanWindow()->paperSource);
             EXPECT_TRUE(Answers(MSG_RESET, CAP_FEEDERENABLED, One(BOOL16, 0)));
             EXPECT_EQ(0, GetScanWindow()->paperSource);
         }},

        {"indicators on", nullptr, CAP_INDICATORS, BOOL16, 1, TWCC_SUCCESS, nullptr},
        {"indicators off", nullptr, CAP_INDICATORS, BOOL16, 0, TWCC_BADVALUE, nullptr},

        // Adjustments: judged by the whole part, fraction dropped.
        {"brightness 150", nullptr, ICAP_BRIGHTNESS, F32, Fix(150), TWCC_BADVALUE,
         [] { EXPECT_EQ(0, GetScanSettings()->brightness); }},
        {"brightness -101", nullptr, ICAP_BRIGHTNESS, F32, Fix(-101), TWCC_BADVALUE, nullptr},
        {"brightness -100", nullptr, ICAP_BRIGHTNESS, F32, Fix(-100), TWCC_SUCCESS,
         [] {
             EXPECT_EQ(-100, GetScanSettings()->brightness);
             EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_BRIGHTNESS, One(F32, Fix(-100))));
         }},
        {"brightness 100", nullptr, ICAP_BRIGHTNESS, F32, Fix(100), TWCC_SUCCESS,
         [] { EXPECT_EQ(100, GetScanSettings()->brightness); }},
        {"brightness 50.5", nullptr, ICAP_BRIGHTNESS, F32, Fix(50, 0x8000), TWCC_SUCCESS,
         [] { EXPECT_EQ(50, GetScanSettings()->brightness); }},
        {"brightness 100.99", nullptr, ICAP_BRIGHTNESS, F32, Fix(100, 0xffff), TWCC_SUCCESS,
         [] { EXPECT_EQ(100, GetScanSettings()->brightness); }},
        {"contrast -42", nullptr, ICAP_CONTRAST, F32, Fix(-42), TWCC_SUCCESS,
         [] {
             EXPECT_EQ(-42, GetScanSettings()->contrast);
             EXPECT_EQ(0, GetScanSettings()->brightness);
             EXPECT_TRUE(Answers(MSG_RESET, ICAP_CONTRAST,
                                 {TWON_RANGE, Range(F32, Fix(-100), Fix(100), Fix(1), Fix(0), Fix(0))}));
             EXPECT_EQ(0, GetScanSettings()->contrast);
         }},
        {"contrast 101", nullptr, ICAP_CONTRAST, F32, Fix(101), TWCC_BADVALUE, nullptr},

        // TIFF is taken; the file-format list stays BMP only.
        {"file format TIFF", nullptr, ICAP_IMAGEFILEFORMAT, U16, TWFF_TIFF, TWCC_SUCCESS,
         [] {
             EXPECT_EQ(TWFF_TIFF, Core().xferFileFormat);
             EXPECT_TRUE(Answers(MSG_GET, ICAP_IMAGEFILEFORMAT, Enum(U16, 0, 0, {2})));
             EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_IMAGEFILEFORMAT, One(U16, TWFF_TIFF)));
             EXPECT_TRUE(Answers(MSG_RESET, ICAP_IMAGEFILEFORMAT, One(U16, TWFF_BMP)));
             EXPECT_EQ(TWFF_BMP, Core().xferFileFormat);
         }},
        {"file format BMP", nullptr, ICAP_IMAGEFILEFORMAT, U16, TWFF_BMP, TWCC_SUCCESS, nullptr},
        {"file format PICT", nullptr, ICAP_IMAGEFILEFORMAT, U16, TWFF_PICT, TWCC_BADVALUE,
         [] { EXPECT_EQ(TWFF_BMP, Core().xferFileFormat); }},

        {"light source white", nullptr, ICAP_LIGHTSOURCE, U16, TWLS_WHITE, TWCC_BADPROTOCOL, nullptr},
        {"light source red", nullptr, ICAP_LIGHTSOURCE, U16, 0, TWCC_BADVALUE, nullptr},

        // One resolution for both directions.
        {"x resolution 250", nullptr, ICAP_XRESOLUTION, F32, Fix(250), TWCC_BADVALUE,
         [] { EXPECT_EQ(4, GetScanWindow()->resolutionIndex); }},
        {"x resolution 1200", nullptr, ICAP_XRESOLUTION, F32, Fix(1200), TWCC_SUCCESS,
         [] {
             EXPECT_EQ(7, GetScanWindow()->resolutionIndex);
             EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_YRESOLUTION, One(F32, Fix(1200))));
             EXPECT_TRUE(Answers(MSG_GET, ICAP_YRESOLUTION,
                                 Enum(F32, 7, 1, {75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800})));
         }},
        {"y resolution 75.5", nullptr, ICAP_YRESOLUTION, F32, Fix(75, 0x8000), TWCC_SUCCESS,
         [] {
             EXPECT_EQ(0, GetScanWindow()->resolutionIndex);
             EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_XRESOLUTION, One(F32, Fix(75))));
         }},
        {"resolution 4800", nullptr, ICAP_XRESOLUTION, F32, Fix(4800), TWCC_SUCCESS,
         [] { EXPECT_EQ(9, GetScanWindow()->resolutionIndex); }},
        {"resolution -300", nullptr, ICAP_XRESOLUTION, F32, Fix(-300), TWCC_BADVALUE, nullptr},

        {"bit order MSB", nullptr, ICAP_BITORDER, U16, TWBO_MSBFIRST, TWCC_SUCCESS, nullptr},
        {"bit order LSB", nullptr, ICAP_BITORDER, U16, TWBO_LSBFIRST, TWCC_BADVALUE, nullptr},
        {"light path reflective", nullptr, ICAP_LIGHTPATH, U16, TWLP_REFLECTIVE, TWCC_SUCCESS, nullptr},
        {"light path transmissive", nullptr, ICAP_LIGHTPATH, U16, TWLP_TRANSMISSIVE, TWCC_BADVALUE, nullptr},
        {"chunky", nullptr, ICAP_PLANARCHUNKY, U16, TWPC_CHUNKY, TWCC_SUCCESS, nullptr},
        {"planar", nullptr, ICAP_PLANARCHUNKY, U16, TWPC_PLANAR, TWCC_BADVALUE, nullptr},

        {"vanilla", nullptr, ICAP_PIXELFLAVOR, U16, TWPF_VANILLA, TWCC_SUCCESS,
         [] {
             EXPECT_EQ(TWPF_VANILLA, Core().pixelFlavor);
             EXPECT_TRUE(Answers(MSG_GET, ICAP_PIXELFLAVOR, Enum(U16, 1, 0, {0, 1})));
             EXPECT_TRUE(Answers(MSG_RESET, ICAP_PIXELFLAVOR, Enum(U16, 0, 0, {0, 1})));
             EXPECT_EQ(TWPF_CHOCOLATE, Core().pixelFlavor);
         }},
        {"flavour 2", nullptr, ICAP_PIXELFLAVOR, U16, 2, TWCC_BADVALUE, nullptr},

        // Sizes: TWSS value to paper code and position in the sizes list.
        {"US letter", nullptr, ICAP_SUPPORTEDSIZES, U16, TWSS_USLETTER, TWCC_SUCCESS,
         [] {
             EXPECT_EQ(12, GetScanWindow()->paperSizeCode);
             EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_SUPPORTEDSIZES, One(U16, TWSS_USLETTER)));
             EXPECT_TRUE(Answers(MSG_GET, ICAP_SUPPORTEDSIZES, Enum(U16, 4, 1, {0, 1, 5, 4, 3})));
         }},
        {"US legal", nullptr, ICAP_SUPPORTEDSIZES, U16, TWSS_USLEGAL, TWCC_SUCCESS,
         [] {
             EXPECT_EQ(11, GetScanWindow()->paperSizeCode);
             EXPECT_TRUE(Answers(MSG_GET, ICAP_SUPPORTEDSIZES, Enum(U16, 3, 1, {0, 1, 5, 4, 3})));
         }},
        {"A5", nullptr, ICAP_SUPPORTEDSIZES, U16, TWSS_A5, TWCC_SUCCESS,
         [] {
             EXPECT_EQ(4, GetScanWindow()->paperSizeCode);
             EXPECT_TRUE(Answers(MSG_GET, ICAP_SUPPORTEDSIZES, Enum(U16, 2, 1, {0, 1, 5, 4, 3})));
         }},
        {"no size: custom area", nullptr, ICAP_SUPPORTEDSIZES, U16, TWSS_NONE, TWCC_SUCCESS,
         [] {
             EXPECT_EQ(255, GetScanWindow()->paperSizeCode);
             EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_SUPPORTEDSIZES, One(U16, TWSS_NONE)));
             EXPECT_TRUE(Answers(MSG_GET, ICAP_SUPPORTEDSIZES, Enum(U16, 0, 1, {0, 1, 5, 4, 3})));
         }},
        // B5 is not listed: the list shows its default.
        {"B5 shows the default", nullptr, ICAP_SUPPORTEDSIZES, U16, TWSS_B5LETTER, TWCC_SUCCESS,
         [] {
             EXPECT_EQ(3, GetScanWindow()->paperSizeCode);
             EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_SUPPORTEDSIZES, One(U16, TWSS_B5LETTER)));
             EXPECT_TRUE(Answers(MSG_GET, ICAP_SUPPORTEDSIZES, Enum(U16, 1, 1, {0, 1, 5, 4, 3})));
         }},
        {"A4 back from letter", [] { SetPaperSizeCode(12); }, ICAP_SUPPORTEDSIZES, U16, TWSS_A4LETTER,
         TWCC_SUCCESS, [] { EXPECT_EQ(2, GetScanWindow()->paperSizeCode); }},
        // Refused, yet A4 is selected, and the list shows it.
        {"size 9 refused, A4 selected", [] { SetOne(ICAP_SUPPORTEDSIZES, U16, TWSS_USLETTER); },
         ICAP_SUPPORTEDSIZES, U16, TWSS_USLEDGER, TWCC_BADVALUE,
         [] {
             EXPECT_EQ(2, GetScanWindow()->paperSizeCode);
             EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_SUPPORTEDSIZES, One(U16, TWSS_A4LETTER)));
             EXPECT_TRUE(Answers(MSG_GET, ICAP_SUPPORTEDSIZES, Enum(U16, 1, 1, {0, 1, 5, 4, 3})));
         }},
        {"size 6 refused", nullptr, ICAP_SUPPORTEDSIZES, U16, 6, TWCC_BADVALUE,
         [] { EXPECT_EQ(2, GetScanWindow()->paperSizeCode); }},

        {"x scaling 1.0", nullptr, ICAP_XSCALING, F32, Fix(1), TWCC_SUCCESS, nullptr},
        {"y scaling 1.0", nullptr, ICAP_YSCALING, F32, Fix(1), TWCC_SUCCESS, nullptr},
        {"x scaling 1.5", nullptr, ICAP_XSCALING, F32, Fix(1, 0x8000), TWCC_BADVALUE, nullptr},
        {"y scaling 2", nullptr, ICAP_YSCALING, F32, Fix(2), TWCC_BADVALUE, nullptr},

        // Bit depth only confirms the pixel type's depth.
        {"depth 24 in colour", nullptr, ICAP_BITDEPTH, U16, 24, TWCC_SUCCESS, nullptr},
        {"depth 8 in colour", nullptr, ICAP_BITDEPTH, U16, 8, TWCC_BADVALUE, nullptr},
        {"depth 24 in grey", [] { SetOne(ICAP_PIXELTYPE, U16, TWPT_GRAY); }, ICAP_BITDEPTH, U16, 24,
         TWCC_BADVALUE, [] { EXPECT_EQ(2, GetScanSettings()->pixelType); }},
        {"depth 8 in grey",
         [] { SetOne(ICAP_PIXELTYPE, U16, TWPT_GRAY); },
         ICAP_BITDEPTH,
         U16,
         8,
         TWCC_SUCCESS,
         {}},
        {"depth 1 in bilevel 1", [] { SetPixelType(1); }, ICAP_BITDEPTH, U16, 1, TWCC_SUCCESS, nullptr},
        {"depth 16", nullptr, ICAP_BITDEPTH, U16, 16, TWCC_BADVALUE, nullptr},
    };
}

TEST_F(CapabilityTest, SetAcceptsAndRefusesAsEachCapabilityAllows) {
    for (const SetCase& c : SetCases()) {
        SCOPED_TRACE(c.what);
        ResetSource();
        GetScanSettings()->pixelType = GetScanSettings()->uiPixelType = 3;  // as the fixture starts
        RestoreCapabilityTables();
        PointLinkAtLoopbackDevice(1);
        ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(App, 255));
        SetPaperSizeCode(2);
        if (c.before) c.before();
        const TW_UINT16 rc = SetOne(c.cap, c.itemType, c.value);
        EXPECT_EQ(c.conditionCode == TWCC_SUCCESS ? TWRC_SUCCESS : TWRC_FAILURE, rc);
        EXPECT_EQ(c.conditionCode, ConditionCode());
        if (c.check) c.check();
    }
}

TEST_F(CapabilityTest, ResetOfPixelTypeReportsColourButKeepsTheSetting) {
    ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_PIXELTYPE, U16, TWPT_GRAY));
    EXPECT_TRUE(Answers(MSG_RESET, ICAP_PIXELTYPE, One(U16, TWPT_RGB)));
    EXPECT_EQ(2, GetScanSettings()->pixelType);
    EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_PIXELTYPE, One(U16, TWPT_GRAY)));
    // The bit-depth reset, in contrast, returns to colour, and both lists show it.
    EXPECT_TRUE(Answers(MSG_RESET, ICAP_BITDEPTH, Enum(U16, 2, 2, {1, 8, 24})));
    EXPECT_EQ(3, GetScanSettings()->pixelType);
    EXPECT_TRUE(Answers(MSG_GET, ICAP_PIXELTYPE, Enum(U16, 2, 2, {0, 1, 2})));
}

TEST_F(CapabilityTest, ResolutionListShowsTheResolutionInForce) {
    auto list = [](uint32_t current) {
        return Enum(F32, current, 1, {75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800});
    };
    EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_XRESOLUTION, One(F32, Fix(300))));
    EXPECT_TRUE(Answers(MSG_GET, ICAP_XRESOLUTION, list(4)));
    ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_YRESOLUTION, F32, Fix(1200)));
    EXPECT_TRUE(Answers(MSG_GET, ICAP_XRESOLUTION, list(7)));
    // The reset reports the list before it moves the scan window.
    EXPECT_TRUE(Answers(MSG_RESET, ICAP_XRESOLUTION, list(7)));
    EXPECT_EQ(1, GetScanWindow()->resolutionIndex);
    EXPECT_TRUE(Answers(MSG_GETCURRENT, ICAP_YRESOLUTION, One(F32, Fix(100))));
    EXPECT_TRUE(Answers(MSG_GET, ICAP_YRESOLUTION, list(1)));
}

// MSG_GET's current item is what MSG_GETCURRENT reports, whoever set the value.
TEST_F(CapabilityTest, ListsShowTheValueInForceAfterEveryKindOfChange) {
    struct Step {
        const char* what;
        std::function<void()> apply;
    };
    auto reset = [](TW_UINT16 capId) {
        TW_CAPABILITY cap{capId, TWON_DONTCARE16, nullptr};
        EXPECT_EQ(TWRC_SUCCESS, CapCall(MSG_RESET, &cap)) << std::hex << capId;
        TakeBlock(cap.hContainer);
    };
    const Step steps[] = {
        // Start-up reads the adjustment settings: grey at 300 dpi.
        {"start-up",
         [] {
             ResetSource();
             PointLinkAtLoopbackDevice(1);
             ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(App, 255));
         }},
        {"set grey", [] { SetOne(ICAP_PIXELTYPE, U16, TWPT_GRAY); }},
        {"set 600 dpi", [] { SetOne(ICAP_XRESOLUTION, F32, Fix(600)); }},
        {"set letter", [] { SetOne(ICAP_SUPPORTEDSIZES, U16, TWSS_USLETTER); }},
        {"reset depth", [&] { reset(ICAP_BITDEPTH); }},
        {"reset resolution", [&] { reset(ICAP_YRESOLUTION); }},
        {"reset size", [&] { reset(ICAP_SUPPORTEDSIZES); }},
        {"setters",
         [] {
             SetPixelType(1);
             SetResolutionIndex(6);
             SetPaperSizeCode(4);
         }},
        {"size outside the list", [] { SetPaperSizeCode(0); }},
    };
    const TW_UINT16 caps[] = {ICAP_PIXELTYPE, ICAP_BITDEPTH, ICAP_XRESOLUTION, ICAP_YRESOLUTION,
                              ICAP_SUPPORTEDSIZES};
    for (const Step& step : steps) {
        step.apply();
        for (TW_UINT16 capId : caps) {
            SCOPED_TRACE(testing::Message() << step.what << ", capability 0x" << std::hex << capId);
            TW_CAPABILITY list{capId, TWON_DONTCARE16, nullptr};
            TW_CAPABILITY current{capId, TWON_DONTCARE16, nullptr};
            ASSERT_EQ(TWRC_SUCCESS, CapCall(MSG_GET, &list));
            ASSERT_EQ(TWRC_SUCCESS, CapCall(MSG_GETCURRENT, &current));
            const Bytes e = TakeBlock(list.hContainer), one = TakeBlock(current.hContainer);
            ASSERT_EQ(TWON_ENUMERATION, list.ConType);
            // Little-endian fields: type, count, current, default, then the items.
            auto at = [](const Bytes& b, size_t offset, size_t size) {
                uint32_t v = 0;
                for (size_t i = 0; i < size && offset + i < b.size(); ++i)
                    v |= uint32_t(b[offset + i]) << (8 * i);
                return v;
            };
            const size_t item = at(e, 0, 2) == TWTY_FIX32 ? 4 : 2;
            const uint32_t value = at(one, 2, item);
            uint32_t listed = at(e, 10, 4);  // a value not listed shows the default
            for (uint32_t i = 0; i < at(e, 2, 4); ++i) {
                if (at(e, 14 + i * item, item) == value) listed = i;
            }
            EXPECT_EQ(listed, at(e, 6, 4)) << "current index";
        }
    }
}

TEST_F(CapabilityTest, ReadOnlyCapabilitiesRefuseSetAndReset) {
    const TW_UINT16 readOnly[] = {CAP_SUPPORTEDCAPS, CAP_FEEDERLOADED,   CAP_AUTOFEED,
                                  CAP_CLEARPAGE,     CAP_UICONTROLLABLE, CAP_DEVICEONLINE,
                                  CAP_DUPLEX,        ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT};
    for (TW_UINT16 cap : readOnly) {
        EXPECT_EQ(TWRC_FAILURE, SetOne(cap, BOOL16, 1)) << std::hex << cap;
        EXPECT_EQ(TWCC_BADPROTOCOL, ConditionCode()) << std::hex << cap;
        EXPECT_TRUE(Answers(MSG_RESET, cap, Fails(TWCC_BADPROTOCOL))) << std::hex << cap;
    }
}

TEST_F(CapabilityTest, UnsupportedCapabilitiesAndMessagesAreRefused) {
    for (TW_UINT16 cap :
         {ICAP_ROTATION, CAP_AUTHOR, ICAP_XNATIVERESOLUTION, TW_UINT16(0), TW_UINT16(0xffff)}) {
        for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET}) {
            EXPECT_TRUE(Answers(msg, cap, Fails(TWCC_BADCAP))) << std::hex << cap << " msg " << msg;
        }
        EXPECT_EQ(TWRC_FAILURE, SetOne(cap, U16, 0));
        EXPECT_EQ(TWCC_BADCAP, ConditionCode());
    }
    for (TW_UINT16 msg : {MSG_QUERYSUPPORT, MSG_GETFIRST, MSG_GETNEXT, MSG_NULL, MSG_ENDXFER}) {
        EXPECT_TRUE(Answers(msg, ICAP_PIXELTYPE, Fails(TWCC_BADPROTOCOL))) << "msg " << msg;
    }
}

TEST_F(CapabilityTest, EachCallClearsTheConditionCodeOfTheLastFailure) {
    EXPECT_EQ(TWRC_FAILURE, SetOne(ICAP_BRIGHTNESS, F32, Fix(150)));
    EXPECT_EQ(TWCC_BADVALUE, ConditionCode());
    EXPECT_TRUE(Answers(MSG_GET, ICAP_BRIGHTNESS,
                        {TWON_RANGE, Range(F32, Fix(-100), Fix(100), Fix(1), Fix(0), Fix(0))}));
    EXPECT_EQ(TWCC_SUCCESS, ConditionCode());
}

}  // namespace
}  // namespace capability_test
