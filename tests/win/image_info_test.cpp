// DAT_IMAGEINFO through DS_Entry against a scripted loopback device, and the
// set-up triplets' routing.
#include <gtest/gtest.h>

#include <vector>

#include "device/device_link.h"
#include "device/transport.h"
#include "tests/win/fake_device.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr TW_UINT32 App = 7;
std::vector<int32_t> reports;
void RecordReport(int32_t status) { reports.push_back(status); }

class ImageInfoTest : public ::testing::Test {
   protected:
    void SetUp() override {
        ResetSource();
        reports.clear();
        GetUiCallbacks()->ReportDeviceStatus = RecordReport;
        CoreContext* c = GetCoreContext();
        c->state = StateXferReady;
        c->appIdentity = AppIdentity(App);
        SetTransportKind(TRANSPORT_NETWORK);
        SetLinkAddress("127.0.0.1");
        SetLinkPort(device.Port());
        SetLinkTimeout(1);
    }
    void TearDown() override {
        CloseDevice();
        SetLinkTimeout(0);
        *GetUiCallbacks() = UiCallbackTable{};
    }
    TW_UINT16 Call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
        TW_IDENTITY app = AppIdentity(App);
        return DS_Entry(&app, group, dat, msg, data);
    }
    TW_UINT16 ImageInfo(TW_IMAGEINFO* info) { return Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, info); }

    FakeDevice device;  // answers 2550 x 3508 pixels of 2560-pixel lines
};

TEST_F(ImageInfoTest, DescribesTheDevicesImageAsDelivered) {
    const struct {
        const char* name;
        int32_t pixelType, resolutionIndex, rotation, descreen, scale;
        TW_INT32 width, length;
        TW_INT16 bitsPerPixel, dpi;
    } cases[] = {
        {"colour 300 dpi", 3, 4, 0, 0, 100, 2550, 3508, 24, 300},
        {"descreened", 3, 4, 0, 1, 100, 1275, 1754, 24, 300},
        {"grey turned", 2, 4, 1, 0, 100, 3508, 2550, 8, 300},
        {"black and white at 1200 dpi", 0, 7, 0, 0, 100, 5100, 7016, 1, 1200},
        {"half scale", 3, 2, 0, 0, 50, 1275, 1754, 24, 150},
    };
    for (const auto& c : cases) {
        ScanSettings* s = GetScanSettings();
        s->pixelType = c.pixelType;
        s->rotation = c.rotation;
        s->descreen = c.descreen;
        s->scalePercent = c.scale;
        GetScanWindow()->resolutionIndex = c.resolutionIndex;
        TW_IMAGEINFO info{};
        ASSERT_EQ(TWRC_SUCCESS, ImageInfo(&info)) << c.name;
        EXPECT_EQ(c.width, info.ImageWidth) << c.name;
        EXPECT_EQ(c.length, info.ImageLength) << c.name;
        EXPECT_EQ(c.bitsPerPixel, info.BitsPerPixel) << c.name;
        EXPECT_EQ(c.dpi, info.XResolution.Whole) << c.name;
        EXPECT_EQ(c.dpi, info.YResolution.Whole) << c.name;
        EXPECT_EQ(nullptr, GetCoreContext()->openTransport) << c.name << ": the link is closed again";
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(ImageInfoTest, OnlyGetInStateSix) {
    TW_IMAGEINFO info{};
    for (TW_INT16 state : {300, 400, 500, 700}) {
        GetCoreContext()->state = state;
        EXPECT_EQ(TWRC_FAILURE, ImageInfo(&info)) << state;
        EXPECT_EQ(TWCC_SEQERROR, GetCoreContext()->conditionCode) << state;
    }
    GetCoreContext()->state = StateXferReady;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_SET, &info));
    EXPECT_EQ(TWCC_BADPROTOCOL, GetCoreContext()->conditionCode);
    EXPECT_EQ(TWRC_FAILURE, ImageInfo(nullptr));
    EXPECT_EQ(TWCC_BADVALUE, GetCoreContext()->conditionCode);
    EXPECT_EQ(0, device.Connections()) << "no device traffic for a refused request";
}

TEST_F(ImageInfoTest, EmptyFeederFailsWithStatusFiveShown) {
    GetScanWindow()->paperSource = 1;
    device.SetHandler([](const Bytes& block) {
        if (block[0] == 0x03 && block[1] == 0x0D)
            return FakeReply::Of({0x81, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0});
        return HealthyReply(block);
    });
    TW_IMAGEINFO info{};
    EXPECT_EQ(TWRC_FAILURE, ImageInfo(&info));
    EXPECT_EQ(std::vector<int32_t>{5}, reports);
    EXPECT_EQ(nullptr, GetCoreContext()->openTransport);
}

TEST_F(ImageInfoTest, DeviceFailuresFailWithoutACodeOfTheirOwn) {
    // A device that never answers the geometry question, then one that cannot be reached.
    device.SetHandler([](const Bytes& block) {
        if (block[0] == 0x03 && block[1] == 0x0B) return FakeReply::Drop();
        return HealthyReply(block);
    });
    GetCoreContext()->conditionCode = 77;
    TW_IMAGEINFO info{};
    EXPECT_EQ(TWRC_FAILURE, ImageInfo(&info));
    EXPECT_EQ(nullptr, GetCoreContext()->openTransport);
    SetLinkPort(1);
    EXPECT_EQ(TWRC_FAILURE, ImageInfo(&info));
    EXPECT_EQ(77, GetCoreContext()->conditionCode);
}

TEST_F(ImageInfoTest, SetUpTripletsAreRoutedToTheirHandlers) {
    TW_SETUPMEMXFER mem{};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &mem));
    EXPECT_EQ(1048320u, mem.Preferred);
    TW_UINT32 group = 0;
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, &group));
    EXPECT_EQ(DG_IMAGE, group);
    TW_SETUPFILEXFER file{};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &file));
    EXPECT_STREQ("TWAIN.TMP", file.FileName);
    TW_IMAGELAYOUT layout{};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout));
    EXPECT_EQ(8, layout.Frame.Right.Whole);
    GetCoreContext()->state = StateTransferring;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &mem));
    EXPECT_EQ(TWCC_SEQERROR, GetCoreContext()->conditionCode);
}

}  // namespace
