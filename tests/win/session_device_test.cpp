// The session talking to the real simulated device over loopback: opening,
// enabling without the interface, and the feeder's pending transfers.
#include <gtest/gtest.h>

#include "tests/support/sim_client.h"
#include "tests/win/recording_twain32.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr TW_UINT32 App = 51;

class SessionDeviceTest : public ::testing::Test {
   protected:
    void StartDevice(const std::string& flags) {
        std::string why;
        if (!StartSimulatedDevice(flags, &device, &why)) GTEST_SKIP() << why;
        ResetSource();
        PointLinkAtLoopbackDevice(static_cast<uint16_t>(device.port));
        manager = LoadLibraryA("TWAIN_32.DLL");
        calls = RecordedManagerCalls();
        if (calls != nullptr) calls->count = 0;
    }
    void TearDown() override {
        if (GetCoreContext()->state >= 400) {
            TW_IDENTITY app = AppIdentity(App);
            DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        }
        StopSimulatedDevice(&device);
        if (manager != nullptr) FreeLibrary(manager);
    }
    TW_UINT16 Call(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
        TW_IDENTITY app = AppIdentity(App);
        return DS_Entry(&app, DG_CONTROL, dat, msg, data);
    }
    SimulatedDevice device;
    HMODULE manager = nullptr;
    RecordedDsmCalls* calls = nullptr;
};

TEST_F(SessionDeviceTest, OpenQueriesTheDeviceAndEnableWithoutInterfaceSendsXferReady) {
    StartDevice("--sheets 2");
    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(App, 0)) << ReadSimulatorLog(device);
    EXPECT_EQ(400, GetCoreContext()->state);
    EXPECT_EQ(1, GetFeederState()->adfAvailable);
    TW_USERINTERFACE ui{0, 0, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(600, GetCoreContext()->state);
    if (calls != nullptr) {
        ASSERT_EQ(1, calls->count);
        EXPECT_EQ(MSG_XFERREADY, calls->calls[0].msg);
    }
    const std::string log = ReadSimulatorLog(device);
    EXPECT_NE(std::string::npos, log.find("SCAN_GETMACHINESTATE")) << log;
    EXPECT_NE(std::string::npos, log.find("SCAN_SENSE")) << log;
}

TEST_F(SessionDeviceTest, PendingTransfersFollowTheFeederAndDuplexPages) {
    StartDevice("--sheets 2 --duplex");
    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(App, 0));
    struct Case {
        int32_t paperSource;
        TW_UINT16 count;
        int32_t pageIndexAfter;
    };
    // Flatbed: nothing more; feeder: another sheet waits; duplex: the page index walks on.
    const Case cases[] = {{0, 0, 1}, {1, 1, 1}, {2, 1, 2}, {2, 1, 3}};
    for (const Case& c : cases) {
        GetScanWindow()->paperSource = c.paperSource;
        TW_PENDINGXFERS pending{7, 0};
        ASSERT_EQ(TWRC_SUCCESS, Call(DAT_PENDINGXFERS, MSG_GET, &pending)) << c.paperSource;
        EXPECT_EQ(c.count, pending.Count) << c.paperSource;
        EXPECT_EQ(c.pageIndexAfter, GetCoreContext()->pageIndex) << c.paperSource;
    }
    TW_PENDINGXFERS pending{7, 0};
    ASSERT_EQ(TWRC_SUCCESS, Call(DAT_PENDINGXFERS, MSG_RESET, &pending));
    EXPECT_EQ(0, pending.Count);
    EXPECT_EQ(1, GetCoreContext()->pageIndex);
    EXPECT_EQ(500, GetCoreContext()->state);
}

TEST_F(SessionDeviceTest, EmptyFeederRefusesToStartWithoutInterface) {
    StartDevice("--sheets 0");
    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(App, 0));
    GetScanWindow()->paperSource = 1;
    TW_USERINTERFACE ui{0, 0, nullptr};
    EXPECT_EQ(TWRC_FAILURE, Call(DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(400, GetCoreContext()->state);
    EXPECT_EQ(5, StartWithoutInterface());
}

TEST_F(SessionDeviceTest, RefusedIdentityFailsTheOpenWithSequenceError) {
    StartDevice("--refuse-identity");
    EXPECT_EQ(TWRC_FAILURE, OpenSourceWithChoice(App, 0));
    EXPECT_EQ(TWCC_SEQERROR, GetCoreContext()->conditionCode);
    EXPECT_EQ(300, GetCoreContext()->state);
}

}  // namespace
