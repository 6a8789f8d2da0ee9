// A session through Wine's own twain_32.dll against the simulated device, with
// the test build of the source whose link starts at the simulator.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/e2e/e2e_support.h"
#include "tests/support/sim_client.h"

namespace {

// Lines of the simulator's log that start with `word`.
int CountLogLines(const SimulatedDevice& device, const char* word) {
    std::istringstream log(ReadSimulatorLog(device));
    std::string line;
    int count = 0;
    while (std::getline(log, line)) count += line.rfind(std::string(word) + " ", 0) == 0 ? 1 : 0;
    return count;
}

TEST(WineManagerWithSimulator, FeederSheetsThroughTheRealManager) {
    SimulatedDevice device;
    TestApplication app;
    TW_IDENTITY source{};
    OpenSourceOnSimulator("--sheets 2 --duplex", "2", &device, &app, &source);
    if (HasFatalFailure() || IsSkipped()) return;

    // Without its interface the source checks the device and the loaded
    // feeder, then announces the transfer.
    TW_USERINTERFACE ui{0, 0, app.window};
    ASSERT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(MSG_XFERREADY, app.WaitForSourceMessage(&source, 10000));

    TW_PENDINGXFERS pending{};
    pending.Count = 77;
    EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending));
    EXPECT_EQ(1, pending.Count) << "sheets wait in the feeder";
    EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending));
    EXPECT_EQ(0, pending.Count);
    EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
    EXPECT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source));
    EXPECT_EQ(TWRC_SUCCESS, app.CloseManager());

    // Each user of the device opened its own connection and released it.
    Sleep(200);
    int connections = CountLogLines(device, "CONNECT");
    EXPECT_GE(connections, 4);
    EXPECT_EQ(connections, CountLogLines(device, "SCAN_CHECKPID"));
    EXPECT_EQ(connections, CountLogLines(device, "SCAN_RELEASE"));
    EXPECT_EQ(0, CountLogLines(device, "REFUSED"));
    StopSimulatedDevice(&device);
}

}  // namespace
