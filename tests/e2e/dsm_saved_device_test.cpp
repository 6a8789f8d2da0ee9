// An application reaches the saved network device through Wine's own manager:
// the selection dialog tests the saved device and closes by itself, and the
// source is enabled without its interface.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/e2e_support.h"
#include "tests/support/sim_client.h"

namespace {

// Saved settings of a user who chose the network device at 127.0.0.1; the
// files found before are put back afterwards.
class SavedNetworkDevice {
   public:
    SavedNetworkDevice() {
        Write("ZOL_MF1DS.ini", "[KRVDS TWAIN]\r\nIOTypeSelect=1\r\n");
        Write("KTX_TWAIN.ini", "[KRVDS TWAIN]\r\nIPAddress=127.0.0.1\r\n");
    }

   private:
    static void Write(const char* name, const char* text) {
        FILE* f = fopen(CommonAppData(name).c_str(), "wb");
        if (f == nullptr) return;
        fputs(text, f);
        fclose(f);
    }
    SettingsFilesKept kept_;
};

TEST(WineManagerSavedDevice, OpensWithoutAskingNegotiatesAndSignalsXferReady) {
    SimulatedDevice device;
    std::string why;
    // The link reaches network devices on their fixed port.
    if (!StartSimulatedDevice("--port 4567 --sheets 1", &device, &why)) GTEST_SKIP() << why;
    ASSERT_EQ(4567, device.port);
    SavedNetworkDevice saved;
    ASSERT_TRUE(InstallSourceForWineManager());
    TestApplication app;
    ASSERT_NE(nullptr, app.entry) << "Wine's twain_32.dll did not load";
    ASSERT_EQ(TWRC_SUCCESS, app.OpenManager());
    TW_IDENTITY source{};
    ASSERT_TRUE(app.FindSource("Tarvik4100 TWAIN", &source));

    DWORD start = GetTickCount();
    ASSERT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source))
        << ReadSimulatorLog(device);
    EXPECT_LT(GetTickCount() - start, 20000u);
    EXPECT_EQ(nullptr, FindWindowA("#32770", SelectionDialogTitle().c_str()))
        << "the dialog closed by itself";

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(TW_ONEVALUE));
    auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(block));
    one->ItemType = TWTY_UINT16;
    one->Item = TWPT_GRAY;
    GlobalUnlock(block);
    TW_CAPABILITY cap{ICAP_PIXELTYPE, TWON_ONEVALUE, block};
    EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap));
    GlobalFree(block);

    TW_USERINTERFACE ui{0, 0, app.window};
    ASSERT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui))
        << ReadSimulatorLog(device);
    EXPECT_EQ(MSG_XFERREADY, app.WaitForSourceMessage(&source, 20000));

    const std::string log = ReadSimulatorLog(device);
    EXPECT_NE(std::string::npos, log.find("SCAN_CHECKPID")) << log;
    EXPECT_NE(std::string::npos, log.find("SCAN_SENSE")) << log;
    EXPECT_NE(std::string::npos, log.find("SCAN_GETMACHINESTATE")) << log;

    TW_PENDINGXFERS pending{};
    EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending));
    EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
    EXPECT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source));
    EXPECT_EQ(TWRC_SUCCESS, app.CloseManager());
    StopSimulatedDevice(&device);
}

}  // namespace
