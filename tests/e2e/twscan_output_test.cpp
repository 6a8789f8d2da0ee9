// twscan as a user meets it beyond the first scan: no scanner answering,
// an output path it cannot write, and a large page by memory transfer.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/support/sim_client.h"

namespace {

// Generous: the run itself is bounded by its --timeout; this only catches a hang.
constexpr DWORD HangLimitMs = 90000;

ProgramRun Twscan(const std::string& arguments) {
    return RunProgram("\"" + WinPathFromUnix(TARVIK_TWSCAN_PATH) + "\" " + arguments, HangLimitMs);
}

// A "device" on the scanner's port that takes the connection and never says a word.
class SilentDevice {
   public:
    explicit SilentDevice(const char* address) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(4567);
        where.sin_addr.s_addr = inet_addr(address);
        listening_ = bind(listener_, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0 &&
                     listen(listener_, 4) == 0;
        if (listening_) {
            thread_ = std::thread([this] {
                for (;;) {
                    SOCKET client = accept(listener_, nullptr, nullptr);
                    if (client == INVALID_SOCKET) return;
                    ++accepted_;
                    held_.push_back(client);
                }
            });
        }
    }
    ~SilentDevice() {
        closesocket(listener_);
        if (thread_.joinable()) thread_.join();
        for (SOCKET s : held_) closesocket(s);
        WSACleanup();
    }
    bool Listening() const { return listening_; }
    int Accepted() const { return accepted_; }

   private:
    SOCKET listener_ = INVALID_SOCKET;
    bool listening_ = false;
    std::atomic<int> accepted_{0};
    std::vector<SOCKET> held_;
    std::thread thread_;
};

// Nobody at the address, or a device that accepts and stays silent: either
// way twscan ends by itself after its time-out, closing the source's device
// selection, with the message and exit code 11.
TEST(TwscanNoScanner, EndsWithinTheTimeoutWithTheMessageAndItsExitCode) {
    ASSERT_TRUE(InstallSourceForWineManager());
    SettingsFilesKept kept;
    for (const bool silent : {false, true}) {
        std::unique_ptr<SilentDevice> device;
        if (silent) {
            device = std::make_unique<SilentDevice>("127.0.0.9");
            if (!device->Listening()) GTEST_SKIP() << "127.0.0.9:4567 is taken";
        }
        ProgramRun run = Twscan("--device 127.0.0.9 --timeout 5 -o unused.png");
        EXPECT_EQ(11u, run.exitCode) << (silent ? "silent device\n" : "no device\n") << run.out << run.err;
        EXPECT_NE(std::string::npos, run.err.find("no scanner answered at 127.0.0.9 within 5 s")) << run.err;
        if (silent) {
            EXPECT_GT(device->Accepted(), 0) << "the source did try the device";
        }
        EXPECT_EQ(std::string::npos, run.err.find('\r')) << "plain line ends";
    }
    // The choice stays saved for the next run and --list shows it.
    ProgramRun list = Twscan("--list");
    EXPECT_NE(std::string::npos, list.out.find("scanner: network 127.0.0.9")) << list.out;
}

class TwscanOutputWithSimulator : public TwscanSimulatorTest {
   protected:
    TwscanOutputWithSimulator() : TwscanSimulatorTest("twscan_output") {}
};

TEST_F(TwscanOutputWithSimulator, UnwritablePathFailsBeforeTheDeviceIsAskedToScan) {
    StartDevice("");
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {folder + "\\no such folder\\page.png", "the folder does not exist"},
        {folder, "it is a folder"},
        {folder + "\\bad|name.pdf", "not a valid file name"},
    };
    for (const auto& c : cases) {
        ProgramRun run = Twscan("--timeout 30 --format png -o \"" + c.path + "\"");
        EXPECT_EQ(9u, run.exitCode) << c.path << "\n" << run.out << run.err;
        EXPECT_NE(std::string::npos, run.err.find("cannot write '" + c.path + "': " + c.reason)) << run.err;
    }
    EXPECT_EQ(std::string::npos, ReadSimulatorLog(device).find("SCAN_STARTSCAN")) << ReadSimulatorLog(device);
}

// A4 grey at 2400 dpi is 557 MB of rows; by memory transfer twscan holds
// about one strip of them (the figure below leaves room for Wine itself and
// the source's own buffers; the same page by native transfer peaks near 610 MB).
TEST_F(TwscanOutputWithSimulator, MemoryTransferAt2400DpiToPngStaysSmall) {
    constexpr unsigned PeakLimitMb = 150;
    StartDevice("");
    const std::string path = folder + "\\big.png";
    DeleteFileA(path.c_str());
    ProgramRun run = Twscan(
        "--timeout 60 --resolution 2400 --paper-size a4 --pixel-type gray --transfer memory "
        "--verbose -o \"" +
        path + "\"");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    const size_t peak = run.out.find("peak memory: ");
    ASSERT_NE(std::string::npos, peak) << run.out.substr(run.out.size() > 2000 ? run.out.size() - 2000 : 0);
    const unsigned megabytes = static_cast<unsigned>(std::stoul(run.out.substr(peak + 13)));
    std::printf("peak working set of twscan at 2400 dpi grey, memory transfer to PNG: %u MB\n", megabytes);
    EXPECT_LT(megabytes, PeakLimitMb);
    // The PNG header carries the whole page.
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> head(24);
    in.read(reinterpret_cast<char*>(head.data()), 24);
    auto big = [&](int at) { return head[at] << 24 | head[at + 1] << 16 | head[at + 2] << 8 | head[at + 3]; };
    EXPECT_EQ(19840, big(16));
    EXPECT_EQ(28060, big(20));
    DeleteFileA(path.c_str());
}

}  // namespace
