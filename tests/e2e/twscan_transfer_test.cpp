// twscan's transfers against a stand-in manager whose source delivers a known
// 13 x 7 colour page: every mechanism writes the same BMP, pages are numbered,
// and a cancel ends the run with its exit code.
#include <gtest/gtest.h>

#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

class TwscanTransfers : public ::testing::Test {
   protected:
    void SetUp() override {
        folder = TempFolder("twscan_transfers");
        SetEnvironmentVariableA("FAKE_PAGES", "1");
        SetEnvironmentVariableA("FAKE_CANCEL_PAGE", nullptr);
    }
    void TearDown() override { RemoveTestFolder(folder); }
    ProgramRun Twscan(const std::string& arguments) {
        return RunProgram("\"" + WinPathFromUnix(TARVIK_TWSCAN_PATH) + "\" --dsm \"" +
                              WinPathFromUnix(TARVIK_FAKE_MANAGER_PATH) + "\" --source \"Fake Scanner\" " +
                              arguments,
                          60000);
    }
    std::string Path(const std::string& name) { return folder + "\\" + name; }

    std::string folder;
};

// The expected file: the header twscan writes, then bottom-up BGR rows.
TEST_F(TwscanTransfers, EveryMechanismAndBufferKindWritesTheSameBmp) {
    ProgramRun native = Twscan("--transfer native -o \"" + Path("native.bmp") + "\"");
    ASSERT_EQ(0u, native.exitCode) << native.out << native.err;
    const std::vector<uint8_t> expected = ReadFileBytes(Path("native.bmp"));
    ASSERT_EQ(14u + 40u + 40u * 7u, expected.size());
    EXPECT_EQ(2 * 10 + 3, expected[54 + (6 - 3) * 40 + 3 * 2 + 2]) << "red of pixel (2, 3)";

    const char* runs[] = {"--transfer file", "--transfer memory",
                          "--transfer memory --memory-buffer app-handle",
                          "--transfer memory --memory-buffer source-pointer",
                          "--transfer memory --memory-buffer source-handle --buffer-size 100"};
    int n = 0;
    for (const char* run : runs) {
        const std::string path = Path("page" + std::to_string(++n) + ".bmp");
        ProgramRun result = Twscan(std::string(run) + " -o \"" + path + "\"");
        ASSERT_EQ(0u, result.exitCode) << run << "\n" << result.out << result.err;
        EXPECT_EQ(expected, ReadFileBytes(path)) << run;
        EXPECT_NE(std::string::npos, result.out.find("1 page(s) written")) << result.out;
    }
}

TEST_F(TwscanTransfers, EveryPageOfTheBatchGetsItsOwnFile) {
    SetEnvironmentVariableA("FAKE_PAGES", "3");
    ProgramRun run = Twscan("--transfer memory -o \"" + Path("feed.bmp") + "\"");
    ASSERT_EQ(0u, run.exitCode) << run.out << run.err;
    EXPECT_NE(std::string::npos, run.out.find("3 page(s) written")) << run.out;
    // In a batch the first page is numbered too, so the files sort in order.
    EXPECT_TRUE(ReadFileBytes(Path("feed.bmp")).empty());
    const std::vector<uint8_t> first = ReadFileBytes(Path("feed-1.bmp"));
    const std::vector<uint8_t> third = ReadFileBytes(Path("feed-3.bmp"));
    ASSERT_FALSE(first.empty());
    ASSERT_EQ(first.size(), third.size());
    EXPECT_EQ(first[54 + 2] + 2, third[54 + 2]) << "each page's pixels differ by its number";

    ProgramRun limited = Twscan("--count 2 -o \"" + Path("two%d.bmp") + "\"");
    ASSERT_EQ(0u, limited.exitCode) << limited.out << limited.err;
    EXPECT_NE(std::string::npos, limited.out.find("2 page(s) written")) << limited.out;
    EXPECT_TRUE(ReadFileBytes(Path("two3.bmp")).empty());
}

// With the interface the user scans twice and closes it: every page of both
// scans is written, numbered on across them, and the run ends at the close.
TEST_F(TwscanTransfers, InterfaceScansAreTransferredUntilTheUserCloses) {
    SetEnvironmentVariableA("FAKE_PAGES", "2");
    SetEnvironmentVariableA("FAKE_UI_SCANS", "2");
    for (int n = 1; n <= 4; ++n) DeleteFileA(Path("ui-" + std::to_string(n) + ".bmp").c_str());
    ProgramRun run = Twscan("--show-ui --transfer memory -o \"" + Path("ui.bmp") + "\"");
    SetEnvironmentVariableA("FAKE_UI_SCANS", nullptr);
    ASSERT_EQ(0u, run.exitCode) << run.out << run.err;
    EXPECT_NE(std::string::npos, run.out.find("4 page(s) written")) << run.out;
    EXPECT_FALSE(ReadFileBytes(Path("ui-4.bmp")).empty());
}

TEST_F(TwscanTransfers, CancelledPageEndsWithExitCode7) {
    SetEnvironmentVariableA("FAKE_PAGES", "3");
    SetEnvironmentVariableA("FAKE_CANCEL_PAGE", "2");
    for (const char* mechanism : {"native", "file", "memory"}) {
        ProgramRun run =
            Twscan(std::string("--transfer ") + mechanism + " -o \"" + Path("cancel.bmp") + "\"");
        EXPECT_EQ(7u, run.exitCode) << mechanism << "\n" << run.out << run.err;
        EXPECT_NE(std::string::npos, run.err.find("page 2: the scan was cancelled")) << run.err;
    }
    // A batch file keeps the pages finished before the cancel, and stays readable.
    const std::string pdf = Path("cancel.pdf");
    DeleteFileA(pdf.c_str());
    ProgramRun run = Twscan("--transfer memory -o \"" + pdf + "\"");
    EXPECT_EQ(7u, run.exitCode) << run.out << run.err;
    const std::vector<uint8_t> bytes = ReadFileBytes(pdf);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(0u, text.rfind("%PDF-", 0));
    EXPECT_NE(std::string::npos, text.find("/Count 1 ")) << "one page before the cancelled second";
    EXPECT_NE(std::string::npos, text.rfind("%%EOF"));
}

}  // namespace
