// Transfer set-up and layout handlers, called as the dispatch table calls them.
#include <gtest/gtest.h>

#include <cstring>

#include "core/handlers.h"
#include "scan/image_layout.h"

namespace {

constexpr TW_UINT16 Marker = 77;

class TransferSetupTest : public ::testing::Test {
   protected:
    void SetUp() override {
        InitCoreContextValues(true);
        CoreContext* c = GetCoreContext();
        c->state = StateOpen;
        c->coreInfo.physicalWidth = 850;
        c->coreInfo.physicalHeight = 1169;
        c->conditionCode = Marker;
    }
    static TW_UINT16 Run(DsHandler handler, TW_UINT16 msg, void* data) {
        return handler(DsRequest{nullptr, DG_CONTROL, 0, msg, data});
    }
    static TW_UINT16 Code() { return GetCoreContext()->conditionCode; }
};

TEST_F(TransferSetupTest, SetUpHandlersServeStatesFourToSixOnly) {
    const DsHandler handlers[] = {SetupMemXferMsg, SetupFileXferMsg, XferGroupMsg};
    for (TW_INT16 state : {300, 400, 500, 600, 700}) {
        for (DsHandler handler : handlers) {
            GetCoreContext()->state = state;
            GetCoreContext()->conditionCode = Marker;
            TW_SETUPFILEXFER data{};  // large enough for every one of them
            const bool allowed = state >= 400 && state <= 600;
            EXPECT_EQ(allowed ? TWRC_SUCCESS : TWRC_FAILURE, Run(handler, MSG_GET, &data)) << state;
            EXPECT_EQ(allowed ? Marker : TWCC_SEQERROR, Code()) << state;
        }
    }
}

TEST_F(TransferSetupTest, MemoryBufferSizes) {
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
        TW_SETUPMEMXFER setup{};
        ASSERT_EQ(TWRC_SUCCESS, Run(SetupMemXferMsg, msg, &setup));
        EXPECT_EQ(65535u, setup.MinBufSize);
        EXPECT_EQ(1048320u, setup.MaxBufSize);
        EXPECT_EQ(1048320u, setup.Preferred);
    }
    TW_SETUPMEMXFER setup{1, 2, 3};
    EXPECT_EQ(TWRC_SUCCESS, Run(SetupMemXferMsg, MSG_SET, &setup));
    EXPECT_EQ(TWRC_SUCCESS, Run(SetupMemXferMsg, MSG_RESET, &setup));
    EXPECT_EQ(TWRC_FAILURE, Run(SetupMemXferMsg, MSG_ENDXFER, &setup));
    EXPECT_EQ(TWCC_BADPROTOCOL, Code());
    EXPECT_EQ(TWRC_FAILURE, Run(SetupMemXferMsg, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, Code());
}

TEST_F(TransferSetupTest, FileSetUpNamesFormatsAndRefusals) {
    CoreContext* c = GetCoreContext();
    TW_SETUPFILEXFER setup{};
    std::strcpy(setup.FileName, "C:\\scans\\page.bmp");
    setup.Format = TWFF_BMP;
    ASSERT_EQ(TWRC_SUCCESS, Run(SetupFileXferMsg, MSG_SET, &setup));
    EXPECT_STREQ("C:\\scans\\page.bmp", c->xferFileName);

    setup.Format = TWFF_TIFF;
    std::strcpy(setup.FileName, "page.tif");
    EXPECT_EQ(TWRC_SUCCESS, Run(SetupFileXferMsg, MSG_SET, &setup));
    EXPECT_STREQ("page.tif", c->xferFileName);
    EXPECT_EQ(TWFF_TIFF, c->xferFileFormat);

    // A refused format stays stored, the name does not change.
    setup.Format = 4;  // JFIF
    std::strcpy(setup.FileName, "page.jpg");
    EXPECT_EQ(TWRC_FAILURE, Run(SetupFileXferMsg, MSG_SET, &setup));
    EXPECT_EQ(TWCC_BUMMER, Code());
    EXPECT_EQ(4, c->xferFileFormat);
    EXPECT_STREQ("page.tif", c->xferFileName);

    // Asking reports without changing anything; the default is TWAIN.TMP as BMP.
    struct Ask {
        TW_UINT16 msg;
        const char* name;
        TW_UINT16 format;
    };
    for (const Ask& ask : {Ask{MSG_GET, "page.tif", 4}, Ask{MSG_GETCURRENT, "page.tif", 4},
                           Ask{MSG_GETDEFAULT, "TWAIN.TMP", TWFF_BMP}}) {
        TW_SETUPFILEXFER got;
        std::memset(&got, 'z', sizeof got);
        ASSERT_EQ(TWRC_SUCCESS, Run(SetupFileXferMsg, ask.msg, &got)) << ask.msg;
        EXPECT_STREQ(ask.name, got.FileName) << ask.msg;
        EXPECT_EQ(ask.format, got.Format) << ask.msg;
        EXPECT_STREQ("page.tif", c->xferFileName) << ask.msg;
        EXPECT_EQ(4, c->xferFileFormat) << ask.msg;
    }

    // The reset makes the default current and reports it.
    TW_SETUPFILEXFER reset{};
    std::strcpy(reset.FileName, "ignored.bmp");
    ASSERT_EQ(TWRC_SUCCESS, Run(SetupFileXferMsg, MSG_RESET, &reset));
    EXPECT_STREQ("TWAIN.TMP", reset.FileName);
    EXPECT_EQ(TWFF_BMP, reset.Format);
    EXPECT_STREQ("TWAIN.TMP", c->xferFileName);
    EXPECT_EQ(TWFF_BMP, c->xferFileFormat);

    // An unterminated name is cut to the field; with no name set, the default is in use.
    std::memset(setup.FileName, 'x', sizeof setup.FileName);
    setup.Format = TWFF_BMP;
    ASSERT_EQ(TWRC_SUCCESS, Run(SetupFileXferMsg, MSG_SET, &setup));
    EXPECT_EQ(255u, std::strlen(c->xferFileName));
    c->xferFileName[0] = '\0';
    TW_SETUPFILEXFER got{};
    ASSERT_EQ(TWRC_SUCCESS, Run(SetupFileXferMsg, MSG_GET, &got));
    EXPECT_STREQ("TWAIN.TMP", got.FileName);

    EXPECT_EQ(TWRC_FAILURE, Run(SetupFileXferMsg, MSG_SET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, Code());
    EXPECT_EQ(TWRC_FAILURE, Run(SetupFileXferMsg, MSG_ENDXFER, &setup));
    EXPECT_EQ(TWCC_BADPROTOCOL, Code());
}

TEST_F(TransferSetupTest, TransferGroupIsAlwaysImage) {
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET}) {
        TW_UINT32 group = 0xAAAAAAAA;
        ASSERT_EQ(TWRC_SUCCESS, Run(XferGroupMsg, msg, &group));
        EXPECT_EQ(0xAAAA0002u, group) << "only the first two bytes are written";
    }
    TW_UINT32 group = 5;
    EXPECT_EQ(TWRC_SUCCESS, Run(XferGroupMsg, MSG_SET, &group));
    EXPECT_EQ(5u, group);
    EXPECT_EQ(TWRC_FAILURE, Run(XferGroupMsg, MSG_QUERYSUPPORT, &group));
    EXPECT_EQ(TWCC_BADPROTOCOL, Code());
}

TEST_F(TransferSetupTest, LayoutOfPaperSizesAndPlaten) {
    CoreContext* c = GetCoreContext();
    c->state = StateLoaded;  // the layout has no state test
    TW_IMAGELAYOUT layout{};
    layout.DocumentNumber = 9;
    c->scanWindow.paperSizeCode = 2;  // A4
    ASSERT_EQ(TWRC_SUCCESS, Run(ImageLayoutMsg, MSG_GET, &layout));
    EXPECT_EQ(0, layout.Frame.Left.Whole);
    EXPECT_EQ(655, layout.Frame.Left.Frac);  // the 0.01 inch bias
    EXPECT_EQ(8, layout.Frame.Right.Whole);
    EXPECT_EQ(18350, layout.Frame.Right.Frac);
    EXPECT_EQ(11, layout.Frame.Bottom.Whole);
    EXPECT_EQ(47841, layout.Frame.Bottom.Frac);
    EXPECT_EQ(0u, layout.DocumentNumber);

    ASSERT_EQ(TWRC_SUCCESS, Run(ImageLayoutMsg, MSG_GETDEFAULT, &layout));
    EXPECT_EQ(8, layout.Frame.Right.Whole);  // 8.50 + 0.01
    EXPECT_EQ(33423, layout.Frame.Right.Frac);
    EXPECT_EQ(11, layout.Frame.Bottom.Whole);  // 11.69 + 0.03
    EXPECT_EQ(47186, layout.Frame.Bottom.Frac);
}

TEST_F(TransferSetupTest, LayoutSetStoresTheCustomAreaAndReadsItBack) {
    CoreContext* c = GetCoreContext();
    c->scanWindow.resolutionIndex = 4;  // 300 dpi
    c->scanWindow.paperSizeCode = 2;
    TW_IMAGELAYOUT layout{};
    layout.Frame = TW_FRAME{{1, 0}, {1, 0}, {3, 0}, {4, 0}};
    ASSERT_EQ(TWRC_SUCCESS, Run(ImageLayoutMsg, MSG_SET, &layout));
    EXPECT_EQ(300, c->scanWindow.areaLeft);
    EXPECT_EQ(300, c->scanWindow.areaTop);
    EXPECT_EQ(600, c->scanWindow.areaWidth);
    EXPECT_EQ(900, c->scanWindow.areaHeight);
    EXPECT_EQ(2, c->scanWindow.paperSizeCode) << "the paper size stays";

    c->scanWindow.paperSizeCode = 255;
    TW_IMAGELAYOUT got{};
    ASSERT_EQ(TWRC_SUCCESS, Run(ImageLayoutMsg, MSG_GETCURRENT, &got));
    EXPECT_EQ(1, got.Frame.Left.Whole);
    EXPECT_EQ(3, got.Frame.Right.Whole);
    EXPECT_EQ(4, got.Frame.Bottom.Whole);
    EXPECT_EQ(1966, got.Frame.Bottom.Frac);  // 0.03 inch

    // MSG_RESET reads the caller's frame as well.
    layout.Frame = TW_FRAME{{0, 0x8000}, {0, 0}, {2, 0}, {2, 0}};
    ASSERT_EQ(TWRC_SUCCESS, Run(ImageLayoutMsg, MSG_RESET, &layout));
    EXPECT_EQ(150, c->scanWindow.areaLeft);
    EXPECT_EQ(450, c->scanWindow.areaWidth);
}

TEST_F(TransferSetupTest, LayoutOutsideTheDevicesRangeIsClampedNotWrapped) {
    CoreContext* c = GetCoreContext();
    c->scanWindow.resolutionIndex = 9;  // 4800 dpi
    TW_IMAGELAYOUT layout{};
    layout.Frame = TW_FRAME{{-1, 0}, {0, 0}, {20, 0}, {3, 0}};
    EXPECT_EQ(TWRC_CHECKSTATUS, Run(ImageLayoutMsg, MSG_SET, &layout));
    EXPECT_EQ(0, c->scanWindow.areaLeft);
    EXPECT_EQ(65535, c->scanWindow.areaWidth);
    EXPECT_EQ(14400, c->scanWindow.areaHeight);
}

TEST_F(TransferSetupTest, LayoutRefusesBadRequests) {
    TW_IMAGELAYOUT layout{};
    EXPECT_EQ(TWRC_FAILURE, Run(ImageLayoutMsg, MSG_ENDXFER, &layout));
    EXPECT_EQ(TWCC_BADPROTOCOL, Code());
    EXPECT_EQ(TWRC_FAILURE, Run(ImageLayoutMsg, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, Code());
    GetCoreContext()->scanWindow.resolutionIndex = 42;
    EXPECT_EQ(TWRC_FAILURE, Run(ImageLayoutMsg, MSG_SET, &layout));
    EXPECT_EQ(TWCC_BUMMER, Code());
}

TEST(LayoutFix32, RoundsWithTheBias) {
    const struct {
        double inches, bias;
        TW_INT16 whole;
        TW_UINT16 frac;
    } cases[] = {{8.27, 0.01, 8, 18350}, {11.7, 0.03, 11, 47841}, {0, 0, 0, 0}, {1e9, 0, 32767, 65535}};
    for (const auto& c : cases) {
        const TW_FIX32 fix = LayoutFix32(c.inches, c.bias);
        EXPECT_EQ(c.whole, fix.Whole) << c.inches;
        EXPECT_EQ(c.frac, fix.Frac) << c.inches;
    }
}

}  // namespace
