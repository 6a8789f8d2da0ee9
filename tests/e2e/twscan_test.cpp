// twscan.exe as a user runs it, through Wine's own twain_32.dll and the
// installed source.
#include <gtest/gtest.h>

#include "tests/e2e/e2e_support.h"

namespace {

constexpr DWORD RunLimitMs = 120000;

ProgramRun Twscan(const std::string& arguments) {
    return RunProgram("\"" + WinPathFromUnix(TARVIK_TWSCAN_PATH) + "\" " + arguments, RunLimitMs);
}

class TwscanThroughWineManager : public ::testing::Test {
   protected:
    // No device answers here: the user cancels the device-selection dialog.
    SelectionDialogCanceller noDevice;
    void SetUp() override { ASSERT_TRUE(InstallSourceForWineManager()); }
};

TEST_F(TwscanThroughWineManager, ListsTheInstalledSourceWithItsVersion) {
    ProgramRun run = Twscan("--list");
    EXPECT_EQ(0u, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("Tarvik4100 TWAIN\tV 1.2.0.0")) << run.out;
}

TEST_F(TwscanThroughWineManager, UnknownSourceEndsWithExitCode4AndNamesIt) {
    ProgramRun run = Twscan("--source \"No Such Scanner\"");
    EXPECT_EQ(4u, run.exitCode) << run.out << run.err;
    EXPECT_NE(std::string::npos, run.err.find("No Such Scanner")) << run.err;
}

TEST_F(TwscanThroughWineManager, BadFlagEndsWithExitCode2BeforeTouchingTwain) {
    ProgramRun run = Twscan("--resolution lots");
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("--resolution")) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
}

TEST_F(TwscanThroughWineManager, HelpDescribesTheExitCodes) {
    ProgramRun run = Twscan("--help");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_NE(std::string::npos, run.out.find("Exit codes:")) << run.out;
}

// No device answers here: the source opens, refuses to be enabled without its
// interface, and twscan closes it in order, so the next run can open it again.
TEST_F(TwscanThroughWineManager, UnreachableDeviceEndsWithExitCode6AndLeavesTheSourceReusable) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        ProgramRun run = Twscan("--timeout 20 --output unused.bmp");
        EXPECT_EQ(6u, run.exitCode) << "attempt " << attempt << "\n" << run.out << run.err;
        EXPECT_NE(std::string::npos, run.out.find("opened source \"Tarvik4100 TWAIN\"")) << run.out;
        EXPECT_NE(std::string::npos, run.err.find("could not be enabled")) << run.err;
    }
}

// Wine's manager takes the parent as the handle itself; twscan finds that out.
TEST_F(TwscanThroughWineManager, PassesTheParentWindowAsWinesManagerExpects) {
    ProgramRun run = Twscan("--list --verbose");
    EXPECT_EQ(0u, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("parent window passed as the handle")) << run.out;
}

}  // namespace
