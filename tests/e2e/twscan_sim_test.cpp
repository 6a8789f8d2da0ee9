// twscan through Wine's own manager, the source (test build pointed at the
// simulator) and the simulated device: the three mechanisms deliver the same
// page, and feeder sheets come out as numbered files.
#include <gtest/gtest.h>

#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/support/sim_client.h"

namespace {

class TwscanWithSimulator : public TwscanSimulatorTest {
   protected:
    TwscanWithSimulator() : TwscanSimulatorTest("twscan_sim") {}
    ProgramRun Twscan(const std::string& arguments) {
        return RunProgram("\"" + WinPathFromUnix(TARVIK_TWSCAN_PATH) + "\" --timeout 60 " + arguments,
                          180000);
    }
    std::string Path(const std::string& name) { return folder + "\\" + name; }
};

TEST_F(TwscanWithSimulator, NativeFileAndMemoryDeliverTheSamePage) {
    StartDevice("");
    for (const char* pixelType : {"color", "gray", "bw"}) {
        std::vector<uint8_t> first;
        for (const char* mechanism : {"native", "file", "memory"}) {
            const std::string path = Path(std::string(pixelType) + "_" + mechanism + ".bmp");
            DeleteFileA(path.c_str());
            ProgramRun run = Twscan(std::string("--resolution 75 --paper-size a5 --pixel-type ") + pixelType +
                                    " --transfer " + mechanism + " -o \"" + path + "\"");
            ASSERT_EQ(0u, run.exitCode) << pixelType << " " << mechanism << "\n" << run.out << run.err;
            const std::vector<uint8_t> page = ReadFileBytes(path);
            ASSERT_GT(page.size(), 54u) << pixelType << " " << mechanism;
            if (first.empty()) {
                first = page;
            } else {
                EXPECT_TRUE(first == page) << pixelType << ": " << mechanism << " differs from native ("
                                           << page.size() << " against " << first.size() << " bytes)";
            }
        }
    }
}

TEST_F(TwscanWithSimulator, FeederSheetsBecomeNumberedFiles) {
    SetEnvironmentVariableA("TARVIK_SIM_PAPER_SOURCE", "1");
    StartDevice("--sheets 3");
    ProgramRun run = Twscan(
        "--resolution 75 --paper-size a5 --pixel-type gray --transfer memory --buffer-size 65535 "
        "-o \"" +
        Path("sheet.bmp") + "\"");
    ASSERT_EQ(0u, run.exitCode) << run.out << run.err;
    EXPECT_NE(std::string::npos, run.out.find("3 page(s) written")) << run.out;
    EXPECT_FALSE(ReadFileBytes(Path("sheet-3.bmp")).empty());
}

}  // namespace
