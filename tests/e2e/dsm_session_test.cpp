// A whole session through Wine's own twain_32.dll, as an application runs it.
#include <gtest/gtest.h>

#include "tests/e2e/e2e_support.h"

namespace {

TEST(WineManagerSession, OpensEnablesReceivesCloseRequestClosesAndOpensAgain) {
    ASSERT_TRUE(InstallSourceForWineManager());
    SelectionDialogCanceller noDevice;
    TestApplication app;
    ASSERT_NE(nullptr, app.entry) << "Wine's twain_32.dll did not load";
    ASSERT_EQ(TWRC_SUCCESS, app.OpenManager());

    TW_IDENTITY source{};
    ASSERT_TRUE(app.FindSource("Tarvik4100 TWAIN", &source)) << "the manager did not list the source";
    EXPECT_STREQ("V 1.2.0.0", source.Version.Info);
    ASSERT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source));
    EXPECT_EQ(1, noDevice.Cancelled()) << "the selection dialog was shown once";

    // No device answers, so the user cancels the device-selection dialog: the
    // choice counts as abandoned and enabling with the interface asks to close.
    TW_USERINTERFACE ui{1, 0, app.window};
    ASSERT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(MSG_CLOSEDSREQ, app.WaitForSourceMessage(&source, 10000));

    TW_STATUS status{};
    EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_STATUS, MSG_GET, &status));
    EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
    EXPECT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source));

    // The manager keeps the source loaded after the close; it opens again.
    EXPECT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source));
    EXPECT_EQ(2, noDevice.Cancelled());
    EXPECT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source));
    EXPECT_EQ(TWRC_SUCCESS, app.CloseManager());
}

}  // namespace
