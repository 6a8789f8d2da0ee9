// tarvik-sim over real loopback TCP: the device runs on a thread of the test
// (one test runs the executable) and a small client speaks the command protocol.
#if !defined(_WIN32)

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "tools/sim/sim_server.h"
#include "tools/sim/sim_udp.h"
#include "tools/sim/sim_wire.h"

namespace {

using namespace tarvik_sim;
using Bytes = std::vector<uint8_t>;

std::string TempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/" + name + "." + std::to_string(::getpid());
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A connected test client with a receive time-out on every read.
class Client {
   public:
    explicit Client(uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        MakeIpv4Address("127.0.0.1", port, &addr);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    }
    ~Client() { ::close(fd_); }
    bool Connected() const { return connected_; }

    void Send(std::initializer_list<uint8_t> head) { Send(Bytes(head)); }
    void Send(const Bytes& head) {
        Bytes block(kBlockSize, 0);
        std::copy(head.begin(), head.begin() + std::min(head.size(), kBlockSize), block.begin());
        ASSERT_EQ(::send(fd_, block.data(), block.size(), MSG_NOSIGNAL), static_cast<ssize_t>(kBlockSize));
    }
    void SendRaw(const uint8_t* data, size_t n) { ::send(fd_, data, n, MSG_NOSIGNAL); }
    // Reads up to n bytes, stopping early at the time-out or when the peer closes.
    Bytes Receive(size_t n, int timeoutMs = 2000) {
        Bytes out;
        out.reserve(n);
        pieces_ = 0;
        uint8_t buf[65536];
        while (out.size() < n) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) break;
            const ssize_t got = ::recv(fd_, buf, std::min(sizeof(buf), n - out.size()), 0);
            if (got <= 0) {
                closed_ = true;
                break;
            }
            ++pieces_;
            out.insert(out.end(), buf, buf + got);
        }
        return out;
    }
    // True when the peer has closed (reads end of stream within the time-out).
    bool PeerClosed(int timeoutMs = 2000) {
        Receive(1, timeoutMs);
        return closed_;
    }
    int Pieces() const { return pieces_; }

   private:
    int fd_ = -1;
    bool connected_ = false;
    bool closed_ = false;
    int pieces_ = 0;
};

Bytes IdentityBlock(const Bytes& identity = ExpectedIdentity()) {
    Bytes b{0x04, 0x01, 0x00};
    b.insert(b.end(), identity.begin(), identity.end());
    return b;
}

Bytes WindowBlock(uint8_t reso, uint8_t type, uint16_t width, uint16_t length, uint8_t source = 0) {
    return {0x03,
            0x0C,
            0x11,
            0,
            0,
            0,
            reso,
            type,
            101,
            0xFF,
            0,
            0,
            0,
            0,
            uint8_t(width),
            uint8_t(width >> 8),
            uint8_t(length),
            uint8_t(length >> 8),
            source,
            0,
            0,
            0,
            0};
}

Bytes CountBlock(uint8_t command, uint32_t n) {
    return {0x03, command, 0x04, 0, 0, 0, uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24), 1};
}

const Bytes kReady{0x04, 0x00, 0x00};
const Bytes kBusy{0x04, 0x00, 0x01};
const std::initializer_list<uint8_t> kSense{0x03, 0x09, 0x01};
const std::initializer_list<uint8_t> kRelease{0x04, 0x03, 0x00};
const std::initializer_list<uint8_t> kBufferState{0x03, 0x0B, 0x08};
const std::initializer_list<uint8_t> kMachineState{0x03, 0x0D, 0x0A};
const std::initializer_list<uint8_t> kKeyStatus{0x03, 0x0F, 0x01, 0, 0, 0, 0};

// The simulator on a thread of this process, stopped and joined on destruction.
class RunningSim {
   public:
    explicit RunningSim(SimOptions options) {
        options.address = "127.0.0.1";
        options.port = 0;
        logPath_ = TempPath("tarvik-sim-test-" + std::to_string(++counter_) + ".log");
        std::remove(logPath_.c_str());
        log_.Open(logPath_);
        server_ = std::make_unique<SimServer>(options, log_);
        std::string error;
        listening_ = server_->Listen(&error);
        if (listening_) thread_ = std::thread([this] { server_->Run(stop_, nullptr); });
    }
    ~RunningSim() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        std::remove(logPath_.c_str());
    }
    uint16_t Port() const { return server_->Port(); }
    bool Listening() const { return listening_; }
    std::string Log() const { return ReadFile(logPath_); }
    // Opens a connection and checks the unasked ready status.
    std::unique_ptr<Client> Connect() {
        auto client = std::make_unique<Client>(Port());
        EXPECT_TRUE(client->Connected());
        EXPECT_EQ(client->Receive(3), kReady);
        return client;
    }

   private:
    static inline int counter_ = 0;
    std::string logPath_;
    SimLog log_;
    std::unique_ptr<SimServer> server_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    bool listening_ = false;
};

SimOptions Options() {
    SimOptions o;
    o.quiet = true;
    return o;
}

// Sets a small grey window, starts the scan and returns the total byte count.
uint32_t StartSmallScan(Client& c, uint8_t source = 0) {
    c.Send(WindowBlock(0, 2, 600, 400, source));
    c.Send(kBufferState);
    const Bytes state = c.Receive(8);
    EXPECT_EQ(state.size(), 8u);
    if (state.size() != 8) return 0;
    const uint32_t total = uint32_t(state[0] | state[1] << 8) * uint32_t(state[2] | state[3] << 8);
    c.Send(CountBlock(0x08, total));
    return total;
}

TEST(SimProtocolTest, IdentityReleaseAndReconnect) {
    RunningSim sim(Options());
    ASSERT_TRUE(sim.Listening());
    for (int round = 0; round < 3; ++round) {
        auto c = sim.Connect();
        c->Send(IdentityBlock());
        EXPECT_EQ(c->Receive(3), (Bytes{0x04, 0x02, 0x00})) << "round " << round;
        c->Send(kRelease);
        EXPECT_EQ(c->Receive(3), (Bytes{0x04, 0x04, 0x00}));
        EXPECT_TRUE(c->PeerClosed());
    }
    auto c = sim.Connect();
    Bytes wrong = ExpectedIdentity();
    wrong[1] = 'Q';
    c->Send(IdentityBlock(wrong));
    EXPECT_EQ(c->Receive(3), (Bytes{0x04, 0x02, 0x01}));
    const std::string log = sim.Log();
    EXPECT_NE(log.find("SCAN_CHECKPID conn=4 match=0"), std::string::npos) << log;
    EXPECT_NE(log.find("DISCONNECT conn=3 reason=closed-by-device"), std::string::npos) << log;
}

TEST(SimProtocolTest, SecondConnectionIsBusyWhileOneIsOpen) {
    RunningSim sim(Options());
    auto first = sim.Connect();
    Client second(sim.Port());
    EXPECT_EQ(second.Receive(3), kBusy);
    EXPECT_TRUE(second.PeerClosed());
    first->Send(kSense);
    EXPECT_EQ(first->Receive(1), Bytes{0});
}

TEST(SimProtocolTest, ScanStreamsTheChartInTheRequestedPieces) {
    RunningSim sim(Options());
    auto c = sim.Connect();
    const uint32_t total = StartSmallScan(*c);
    ChartWindow window;
    window.resolutionCode = 0;
    window.scanType = 2;
    window.width = 600;
    window.length = 400;
    const Bytes expected = RenderChartDeviceImage(window, 0);
    ASSERT_EQ(total, expected.size());
    Bytes got;
    const uint32_t chunk = 160 * 7;  // whole lines, as the source asks
    for (uint32_t done = 0; done < total; done += chunk) {
        const uint32_t n = std::min(chunk, total - done);
        c->Send(CountBlock(0x0E, n));
        const Bytes part = c->Receive(n);
        ASSERT_EQ(part.size(), n) << "at " << done;
        got.insert(got.end(), part.begin(), part.end());
    }
    EXPECT_EQ(got, expected);
    c->Send(kSense);
    EXPECT_EQ(c->Receive(1), Bytes{0});
    EXPECT_NE(sim.Log().find("NOTE conn=1 scan page=0 dpi=150 kind=grey width=150 height=100 logicwidth=160 "
                             "total=16000"),
              std::string::npos)
        << sim.Log();
}

TEST(SimProtocolTest, MachineStateFollowsTheFeeder) {
    struct Case {
        const char* name;
        uint32_t sheets;
        bool duplex, feeder;
        uint8_t byte0, byte1;
    };
    const Case cases[] = {
        {"loaded", 2, false, true, 0x01, 0x01},
        {"duplex", 1, true, true, 0x81, 0x01},
        {"empty", 0, true, true, 0x81, 0x00},
        {"no feeder", 5, true, false, 0x00, 0x00},
    };
    for (const Case& k : cases) {
        SimOptions o = Options();
        o.sheets = k.sheets;
        o.duplex = k.duplex;
        o.feeder = k.feeder;
        RunningSim sim(o);
        auto c = sim.Connect();
        c->Send(kMachineState);
        const Bytes state = c->Receive(10);
        ASSERT_EQ(state.size(), 10u) << k.name;
        EXPECT_EQ(state[0], k.byte0) << k.name;
        EXPECT_EQ(state[1], k.byte1) << k.name;
    }
}

TEST(SimProtocolTest, FeederPagesAdvanceAcrossConnections) {
    SimOptions o = Options();
    o.sheets = 2;
    RunningSim sim(o);
    for (int sheet = 1; sheet <= 2; ++sheet) {
        auto c = sim.Connect();
        StartSmallScan(*c, 1);
        c->Send(kRelease);
        EXPECT_EQ(c->Receive(3).size(), 3u);
    }
    auto c = sim.Connect();
    c->Send(kMachineState);
    EXPECT_EQ(c->Receive(10).at(1), 0);
    const std::string log = sim.Log();
    EXPECT_NE(log.find("NOTE conn=1 scan page=1 "), std::string::npos) << log;
    EXPECT_NE(log.find("NOTE conn=2 scan page=2 "), std::string::npos) << log;
}

// Each fault flag against the exchange it disturbs.
TEST(SimProtocolTest, SenseCodeOnTheNthSense) {
    SimOptions o = Options();
    o.faults.senseCode = 3;
    o.faults.senseOccurrence = 2;
    RunningSim sim(o);
    auto c = sim.Connect();
    for (uint8_t want : {0, 3, 0}) {
        c->Send(kSense);
        EXPECT_EQ(c->Receive(1), Bytes{want});
    }
}

TEST(SimProtocolTest, StopKeyAfterBytesAnswersOnce) {
    SimOptions o = Options();
    o.faults.stopKeyAfter = 1000;
    RunningSim sim(o);
    auto c = sim.Connect();
    StartSmallScan(*c);
    c->Send(kKeyStatus);
    EXPECT_EQ(c->Receive(1), Bytes{0});
    c->Send(CountBlock(0x0E, 1600));
    EXPECT_EQ(c->Receive(1600).size(), 1600u);
    for (uint8_t want : {1, 0}) {
        c->Send(kKeyStatus);
        EXPECT_EQ(c->Receive(1), Bytes{want});
    }
}

TEST(SimProtocolTest, SilenceAfterBytesCutsTheDataAndStaysSilent) {
    SimOptions o = Options();
    o.faults.silenceAfter = 1000;
    RunningSim sim(o);
    {
        auto c = sim.Connect();
        StartSmallScan(*c);
        c->Send(CountBlock(0x0E, 1600));
        EXPECT_EQ(c->Receive(1600, 300).size(), 1000u);
        c->Send(kSense);
        EXPECT_TRUE(c->Receive(1, 300).empty());
    }
    // The next connection is answered normally.
    auto c = sim.Connect();
    c->Send(kSense);
    EXPECT_EQ(c->Receive(1), Bytes{0});
}

TEST(SimProtocolTest, SilenceOnCommand) {
    SimOptions o = Options();
    o.faults.silenceOn = {{CommandKind::GetMachineState, 0, 0}};
    RunningSim sim(o);
    auto c = sim.Connect();
    c->Send(kSense);
    EXPECT_EQ(c->Receive(1), Bytes{0});
    c->Send(kMachineState);
    EXPECT_TRUE(c->Receive(10, 300).empty());
    c->Send(kSense);
    EXPECT_TRUE(c->Receive(1, 300).empty());
    EXPECT_NE(sim.Log().find("SCAN_SENSE conn=1 silenced=1"), std::string::npos) << sim.Log();
}

TEST(SimProtocolTest, DropAfterBytesAndOnCommand) {
    SimOptions o = Options();
    o.faults.dropAfter = 700;
    o.faults.dropOn = {{CommandKind::CheckPid, 0, 0}};
    RunningSim sim(o);
    {
        auto c = sim.Connect();
        StartSmallScan(*c);
        c->Send(CountBlock(0x0E, 1600));
        EXPECT_EQ(c->Receive(1600).size(), 700u);
        EXPECT_TRUE(c->PeerClosed());
    }
    auto c = sim.Connect();
    c->Send(IdentityBlock());
    EXPECT_TRUE(c->Receive(3).empty());
    EXPECT_TRUE(c->PeerClosed());
}

TEST(SimProtocolTest, SplitRepliesArriveInDelayedPieces) {
    SimOptions o = Options();
    o.faults.splitBytes = 1;
    o.faults.splitDelayMs = 30;
    RunningSim sim(o);
    auto c = sim.Connect();
    const auto start = std::chrono::steady_clock::now();
    c->Send(kBufferState);
    EXPECT_EQ(c->Receive(8).size(), 8u);
    EXPECT_GE(c->Pieces(), 4);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(7 * 30));
}

TEST(SimProtocolTest, WrongCodesAndLengths) {
    SimOptions o = Options();
    o.faults.wrongCode = {{CommandKind::Status, 0, 0}, {CommandKind::Release, 0, 0}};
    o.faults.wrongLength = {{CommandKind::Sense, 0, 2}, {CommandKind::GetMachineState, 0, -4}};
    RunningSim sim(o);
    Client c(sim.Port());
    EXPECT_EQ(c.Receive(3), (Bytes{0x04, 0x10, 0x00}));
    c.Send(kSense);
    EXPECT_EQ(c.Receive(3), (Bytes{0x00, 0xEE, 0xEE}));
    c.Send(kMachineState);
    EXPECT_EQ(c.Receive(10, 300).size(), 6u);
    c.Send(kRelease);
    EXPECT_EQ(c.Receive(3), (Bytes{0x04, 0x14, 0x00}));
}

TEST(SimProtocolTest, RefusedIdentityAndBusyFirstConnections) {
    SimOptions o = Options();
    o.faults.refuseIdentity = true;
    o.faults.busyFirst = 1;
    RunningSim sim(o);
    {
        Client busy(sim.Port());
        EXPECT_EQ(busy.Receive(3), kBusy);
        EXPECT_TRUE(busy.PeerClosed());
    }
    auto c = sim.Connect();
    c->Send(IdentityBlock());
    EXPECT_EQ(c->Receive(3), (Bytes{0x04, 0x02, 0x01}));
}

TEST(SimProtocolTest, GarbageNeverStopsTheDevice) {
    RunningSim sim(Options());
    {
        auto c = sim.Connect();
        c->Send({0xFF, 0xFF, 0xFF, 0xFF});
        c->Send(
            {0x03, 0x0C, 0x11, 0, 0, 0, 0x77, 0x99, 0, 0x42, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        c->Send(kBufferState);
        EXPECT_EQ(c->Receive(8).size(), 8u);
        c->Send(CountBlock(0x0E, 0xFFFFFFFF));  // absurd request: the device hangs up
        EXPECT_TRUE(c->PeerClosed());
    }
    {
        // Half a block, then the client goes away.
        Client c(sim.Port());
        EXPECT_EQ(c.Receive(3), kReady);
        const uint8_t half[20] = {0x03, 0x0E};
        c.SendRaw(half, sizeof(half));
    }
    auto c = sim.Connect();
    c->Send(kSense);
    EXPECT_EQ(c->Receive(1), Bytes{0});
    const std::string log = sim.Log();
    EXPECT_NE(log.find("UNKNOWN conn=1 head=ffffffff"), std::string::npos) << log;
    EXPECT_NE(log.find("NOTE conn=1 window adjusted"), std::string::npos) << log;
}

TEST(SimProtocolTest, SearchRequestIsAnsweredAtTheReplyPort) {
    SimLog log;
    UdpResponder responder(log);
    std::string error;
    // Our own receiving socket stands in for the host's reply port.
    Fd replies(::socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in addr{};
    MakeIpv4Address("127.0.0.1", 0, &addr);
    ASSERT_EQ(::bind(replies.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    socklen_t len = sizeof(addr);
    ::getsockname(replies.Get(), reinterpret_cast<sockaddr*>(&addr), &len);
    ASSERT_TRUE(responder.Open("127.0.0.1", 0, ntohs(addr.sin_port), &error)) << error;

    Fd sender(::socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in to{};
    MakeIpv4Address("127.0.0.1", responder.Port(), &to);
    Bytes request = ExpectedIdentity();
    for (const Bytes& datagram : {Bytes{0x02, 'X'}, request}) {
        ::sendto(sender.Get(), datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof(to));
        pollfd p{responder.Socket(), POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 2000), 1);
        responder.HandleReadable();
    }
    uint8_t buf[300];
    pollfd p{replies.Get(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_EQ(::recv(replies.Get(), buf, sizeof(buf), 0), static_cast<ssize_t>(SearchAnswer().size()));
    EXPECT_EQ(::poll(&p, 1, 200), 0) << "the malformed request must not be answered";
}

#ifdef TARVIK_SIM_EXE
TEST(SimProcessTest, PortFileLogAndCleanExitOnSigterm) {
    const std::string portFile = TempPath("tarvik-sim-port");
    const std::string logFile = TempPath("tarvik-sim-proc.log");
    std::remove(portFile.c_str());
    std::remove(logFile.c_str());
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl(TARVIK_SIM_EXE, TARVIK_SIM_EXE, "--port", "0", "--port-file", portFile.c_str(), "--log",
                logFile.c_str(), "--quiet", "--exit-after-seconds", "30", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    uint16_t port = 0;
    for (int i = 0; i < 100 && port == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        port = static_cast<uint16_t>(std::atoi(ReadFile(portFile).c_str()));
    }
    ASSERT_NE(port, 0);
    {
        Client c(port);
        EXPECT_EQ(c.Receive(3), kReady);
        c.Send(kSense);
        EXPECT_EQ(c.Receive(1), Bytes{0});
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string log = ReadFile(logFile);
    EXPECT_NE(log.find("CONNECT conn=1\nSCAN_SENSE conn=1\n"), std::string::npos) << log;
    std::remove(portFile.c_str());
    std::remove(logFile.c_str());
}

TEST(SimProcessTest, ExitsByItselfAfterTheConnectionLimit) {
    const std::string portFile = TempPath("tarvik-sim-port2");
    std::remove(portFile.c_str());
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl(TARVIK_SIM_EXE, TARVIK_SIM_EXE, "--port", "0", "--port-file", portFile.c_str(), "--quiet",
                "--exit-after-connections", "1", "--exit-after-seconds", "20", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    uint16_t port = 0;
    for (int i = 0; i < 100 && port == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        port = static_cast<uint16_t>(std::atoi(ReadFile(portFile).c_str()));
    }
    EXPECT_NE(port, 0);
    if (port != 0) {
        Client c(port);
        EXPECT_EQ(c.Receive(3), kReady);
    }
    std::remove(portFile.c_str());
    int status = 0;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
#endif

}  // namespace

#endif  // !_WIN32
