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

// Every negotiation flag reaches the source, which reports the value back;
// without a device the run then ends at enabling.
TEST_F(TwscanThroughWineManager, NegotiatesFromFlagsAndPrintsWhatTheSourceReports) {
    ProgramRun run = Twscan(
        "--pixel-type gray --resolution 600 --paper-size letter --brightness 20 --contrast -10 --count 1 "
        "--transfer memory --timeout 20");
    EXPECT_EQ(6u, run.exitCode) << run.out << run.err;
    const char* expected[] = {
        "pixel type   requested GRAY, source reports GRAY",
        "resolution   requested 600 dpi, source reports 600",
        "paper size   requested US letter, source reports US letter",
        "brightness   requested 20, source reports 20",
        "contrast     requested -10, source reports -10",
        "transfer     requested memory, source reports memory",
        "count        requested 1, source reports 1",
    };
    for (const char* line : expected)
        EXPECT_NE(std::string::npos, run.out.find(line)) << line << "\n" << run.out;
}

// A frame goes through DAT_IMAGELAYOUT as the custom area and comes back with
// the source's rounding.
TEST_F(TwscanThroughWineManager, FrameIsSetThroughTheLayoutAndReadBack) {
    ProgramRun run = Twscan("--resolution 300 --frame 1,1,3,4 --timeout 20");
    EXPECT_EQ(6u, run.exitCode) << run.out << run.err;
    EXPECT_NE(
        std::string::npos,
        run.out.find(
            "frame        requested 1.000,1.000,3.000,4.000 in, source reports 1.010,1.010,3.010,4.030 in"))
        << run.out;
}

TEST_F(TwscanThroughWineManager, RefusedValueEndsWithExitCode5AndTheSourcesReason) {
    ProgramRun run = Twscan("--resolution 333");
    EXPECT_EQ(5u, run.exitCode) << run.out << run.err;
    EXPECT_NE(std::string::npos, run.err.find("ICAP_XRESOLUTION")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("TWCC_BADVALUE")) << run.err;
}

// Wine's manager takes the parent as the handle itself; twscan finds that out.
TEST_F(TwscanThroughWineManager, PassesTheParentWindowAsWinesManagerExpects) {
    ProgramRun run = Twscan("--list --verbose");
    EXPECT_EQ(0u, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("parent window passed as the handle")) << run.out;
}

}  // namespace
