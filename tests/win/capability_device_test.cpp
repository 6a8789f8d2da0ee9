// The capabilities that ask the device or report what it said, against the
// simulated device on loopback.
#include <gtest/gtest.h>

#include "tests/support/sim_client.h"
#include "tests/win/capability_support.h"

namespace capability_test {
namespace {

class CapabilityDeviceTest : public ::testing::Test {
   protected:
    void StartDevice(const std::string& flags) {
        std::string why;
        if (!StartSimulatedDevice(flags, &device, &why)) GTEST_SKIP() << why;
        ResetSource();
        RestoreCapabilityTables();
        PointLinkAtLoopbackDevice(static_cast<uint16_t>(device.port));
        ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(App, 0)) << ReadSimulatorLog(device);
    }
    void TearDown() override {
        if (GetCoreContext()->state >= 400) {
            TW_IDENTITY app = AppIdentity(App);
            DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        }
        StopSimulatedDevice(&device);
    }
    SimulatedDevice device;
};

TEST_F(CapabilityDeviceTest, OnlineWhileTheDeviceAnswersAndOfflineOnceItIsGone) {
    StartDevice("--sheets 1");
    EXPECT_TRUE(Answers(MSG_GET, CAP_DEVICEONLINE, One(TWTY_BOOL, 1))) << ReadSimulatorLog(device);
    EXPECT_TRUE(Answers(MSG_GETCURRENT, CAP_DEVICEONLINE, One(TWTY_BOOL, 1)));
    EXPECT_EQ(nullptr, GetCoreContext()->openTransport) << "the link is closed again after the question";
    StopSimulatedDevice(&device);
    EXPECT_TRUE(Answers(MSG_GETDEFAULT, CAP_DEVICEONLINE, One(TWTY_BOOL, 0)));
}

TEST_F(CapabilityDeviceTest, FeederAndDuplexFollowTheMachineStateReadAtOpen) {
    StartDevice("--sheets 2 --duplex");
    const FeederState feeder = *GetFeederState();
    ASSERT_EQ(1, feeder.adfAvailable);
    ASSERT_EQ(1, feeder.duplexAvailable);
    EXPECT_TRUE(Answers(MSG_GET, CAP_FEEDERENABLED, One(TWTY_BOOL, 1)));
    EXPECT_TRUE(Answers(MSG_GET, CAP_FEEDERLOADED, One(TWTY_BOOL, uint32_t(feeder.adfLoaded == 1))));
    EXPECT_TRUE(Answers(MSG_GET, CAP_DUPLEXENABLED, One(TWTY_BOOL, 1)));
    EXPECT_TRUE(Answers(MSG_GET, CAP_DUPLEX, One(TWTY_UINT16, TWDX_2PASSDUPLEX)));
    ASSERT_EQ(TWRC_SUCCESS, SetOne(CAP_DUPLEXENABLED, TWTY_BOOL, 1));
    EXPECT_EQ(2, GetScanWindow()->paperSource);
    ASSERT_EQ(TWRC_SUCCESS, SetOne(CAP_FEEDERENABLED, TWTY_BOOL, 1));
    EXPECT_EQ(1, GetScanWindow()->paperSource);
}

}  // namespace
}  // namespace capability_test
