// Messages from the source to the application, caught by the recording
// stand-in manager that sits beside the test program.
#include <gtest/gtest.h>

#include "tests/win/recording_twain32.h"
#include "tests/win/win_test_support.h"

namespace {

class AppMessagesTest : public ::testing::Test {
   protected:
    void SetUp() override {
        ResetSource();
        // Holding our own reference keeps the stand-in, and what it recorded,
        // alive across the source's load and free of it.
        manager = LoadLibraryA("TWAIN_32.DLL");
        calls = RecordedManagerCalls();
        if (calls == nullptr) GTEST_SKIP() << "recording TWAIN_32.DLL not loaded (WINEDLLOVERRIDES=twain_32=n,b?)";
        calls->count = 0;
    }
    void TearDown() override {
        if (manager != nullptr) FreeLibrary(manager);
    }
    HMODULE manager = nullptr;
    RecordedDsmCalls* calls = nullptr;
};

TEST_F(AppMessagesTest, MessagesCarryBothIdentitiesAndNoData) {
    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(31, 255));
    const TW_UINT16 messages[] = {MSG_XFERREADY, MSG_CLOSEDSREQ};
    for (TW_UINT16 message : messages) SendToApplication(message);
    ASSERT_EQ(2, calls->count);
    for (int i = 0; i < 2; ++i) {
        const RecordedDsmCall& call = calls->calls[i];
        ASSERT_TRUE(call.originPresent);
        ASSERT_TRUE(call.destinationPresent);
        EXPECT_EQ(31u + 1000u, TW_UINT32{call.origin.Id});
        EXPECT_STREQ("Tarvik4100 TWAIN", call.origin.ProductName);
        EXPECT_EQ(31u, TW_UINT32{call.destination.Id});
        EXPECT_EQ(DG_CONTROL, call.group);
        EXPECT_EQ(DAT_NULL, call.dat);
        EXPECT_EQ(messages[i], call.msg);
        EXPECT_EQ(nullptr, call.data);
    }
}

TEST_F(AppMessagesTest, EnableAfterAbandonedChoiceAsksToCloseAndStaysIn400) {
    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(31, 1));
    TW_IDENTITY app = AppIdentity(31);
    TW_USERINTERFACE ui{1, 0, nullptr};
    EXPECT_EQ(TWRC_SUCCESS, DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    EXPECT_EQ(400, GetCoreContext()->state);
    ASSERT_EQ(1, calls->count);
    EXPECT_EQ(MSG_CLOSEDSREQ, calls->calls[0].msg);
}

TEST_F(AppMessagesTest, NothingIsSentWhileNothingAsksForIt) {
    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(31, 255));
    TW_IDENTITY app = AppIdentity(31);
    TW_USERINTERFACE ui{1, 0, nullptr};
    DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr);
    DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
    EXPECT_EQ(0, calls->count);
}

// Run by its own ctest entry with the manager library disabled, so every load of it fails.
TEST(AppMessagesWithoutManager, DISABLED_SendIsASilentNoOp) {
    ASSERT_EQ(nullptr, LoadLibraryA("TWAIN_32.DLL"));
    ResetSource();
    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(31, 1));
    SendToApplication(MSG_XFERREADY);
    TW_IDENTITY app = AppIdentity(31);
    TW_USERINTERFACE ui{1, 0, nullptr};
    EXPECT_EQ(TWRC_SUCCESS, DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
}

}  // namespace
