// Device operations and the device link over loopback TCP against a scripted
// device, including the hostile cases: split, late, short, wrong and missing
// replies and dropped connections.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/core_context.h"
#include "core/ui_callbacks.h"
#include "device/device_link.h"
#include "device/device_ops.h"
#include "device/timed_io.h"
#include "device/transport.h"
#include "tests/win/fake_device.h"

namespace {

std::vector<int32_t> reports;
void RecordReport(int32_t status) { reports.push_back(status); }

constexpr uint8_t CodeAbort = 0x0A;
constexpr uint8_t CodeSense = 0x09;
constexpr uint8_t CodeStartKey = 0x0F;
constexpr uint8_t CodeRelease = 0x03;  // in the connection family

class DeviceNetTest : public ::testing::Test {
   protected:
    void SetUp() override {
        InitCoreContextValues(true);
        reports.clear();
        *GetUiCallbacks() = UiCallbackTable{};
        GetUiCallbacks()->ReportDeviceStatus = RecordReport;
        SetTransportKind(TRANSPORT_NETWORK);
        SetLinkAddress("127.0.0.1");
        SetLinkPort(device.Port());
        SetLinkTimeout(1);
    }
    void TearDown() override {
        CloseDevice();
        SetLinkTimeout(0);
        *GetUiCallbacks() = UiCallbackTable{};
    }

    // Opens the link and forgets the blocks of the opening handshake.
    void Open() {
        ASSERT_EQ(0, OpenDevice(1));
        ASSERT_NE(nullptr, GetCoreContext()->openTransport);
        handshakeBlocks = device.Blocks().size();
    }
    // Command codes sent since the handshake.
    Bytes CodesAfterOpen() {
        Bytes codes = device.Codes();
        return Bytes(codes.begin() + static_cast<ptrdiff_t>(handshakeBlocks), codes.end());
    }
    // Answers `code` with `reply`, everything else as a healthy device.
    void Answer(uint8_t code, FakeReply reply) {
        device.SetHandler([code, reply](const Bytes& block) {
            return block[0] == 0x03 && block[1] == code ? reply : HealthyReply(block);
        });
    }

    FakeDevice device;
    size_t handshakeBlocks = 0;
};

TEST_F(DeviceNetTest, OpenReadsStatusSendsIdentityAndCloseReleases) {
    const uint8_t identity[] = {0x02, 'T', 'a', 'r', 'v', 'i', 'k'};
    ASSERT_EQ(1, SetLinkIdentity(identity, sizeof identity));
    Open();
    std::vector<Bytes> blocks = device.Blocks();
    ASSERT_EQ(1u, blocks.size());
    Bytes expected(64, 0);
    expected[0] = 0x04;
    expected[1] = 0x01;
    memcpy(&expected[3], identity, sizeof identity);
    EXPECT_EQ(expected, blocks[0]);
    EXPECT_EQ(0, CloseDevice());
    EXPECT_EQ(nullptr, GetCoreContext()->openTransport);
    blocks = device.Blocks();
    ASSERT_EQ(2u, blocks.size());
    EXPECT_EQ(0x04, blocks[1][0]);
    EXPECT_EQ(CodeRelease, blocks[1][1]);
    EXPECT_TRUE(reports.empty());
}

TEST_F(DeviceNetTest, AnOpenedLinkAllowsSixtySecondsPerExchange) {
    SetLinkTimeout(0);
    Open();
    EXPECT_EQ(60, GetCoreContext()->openTransport->timeoutSeconds);
}

TEST_F(DeviceNetTest, OpenOnAnOpenLinkSendsNothing) {
    Open();
    EXPECT_EQ(0, OpenDevice(1));
    EXPECT_EQ(1, device.Connections());
    EXPECT_EQ(handshakeBlocks, device.Blocks().size());
    EXPECT_EQ(0, CloseDevice());
    EXPECT_EQ(0, CloseDevice());  // closed already: nothing happens
}

TEST_F(DeviceNetTest, RefusedConnectionStatusOrIdentityLeavesTheLinkClosed) {
    struct Case {
        const char* what;
        FakeReply greeting;
        FakeReply checkPid;
    };
    const Case cases[] = {
        {"busy status", FakeReply::Of({0x04, 0x00, 0x01}), FakeReply::Of({0x04, 0x02, 0x00})},
        {"refused identity", FakeReply::Of({0x04, 0x00, 0x00}), FakeReply::Of({0x04, 0x02, 0x01})},
        {"wrong reply code", FakeReply::Of({0x04, 0x00, 0x00}), FakeReply::Of({0x04, 0x04, 0x00})},
        {"garbage status", FakeReply::Of({0x41, 0x42, 0x43}), FakeReply::Of({0x04, 0x02, 0x00})},
        {"silent on connect", FakeReply::Silence(), FakeReply::Of({0x04, 0x02, 0x00})},
        {"dropped on connect", FakeReply::Drop(), FakeReply::Of({0x04, 0x02, 0x00})},
        {"silent identity", FakeReply::Of({0x04, 0x00, 0x00}), FakeReply::Silence()},
        {"short identity reply", FakeReply::Of({0x04, 0x00, 0x00}), FakeReply::Of({0x04, 0x02})},
    };
    for (const Case& c : cases) {
        reports.clear();
        device.SetGreeting(c.greeting);
        FakeReply checkPid = c.checkPid;
        device.SetHandler([checkPid](const Bytes& block) {
            return block[0] == 0x04 && block[1] == 0x01 ? checkPid : HealthyReply(block);
        });
        int before = device.Connections();
        DWORD start = GetTickCount();
        EXPECT_EQ(1, OpenDevice(1)) << c.what;
        EXPECT_LT(GetTickCount() - start, 1000u + CancelGraceMs + 1500u) << c.what;
        EXPECT_EQ(nullptr, GetCoreContext()->openTransport) << c.what;
        EXPECT_EQ(std::vector<int32_t>{1}, reports) << c.what;
        // The next open connects again rather than trusting a half-open link.
        device.SetGreeting(FakeReply::Of({0x04, 0x00, 0x00}));
        device.SetHandler(HealthyReply);
        EXPECT_EQ(0, OpenDevice(1)) << c.what;
        EXPECT_EQ(before + 2, device.Connections()) << c.what;
        CloseDevice();
    }
}

TEST_F(DeviceNetTest, UnreachableOrMalformedAddressReportsOnlyWhenAsked) {
    struct Case {
        const char* address;
        int reportFlag;
        std::vector<int32_t> reported;
    };
    const Case cases[] = {{"127.0.0.1", 1, {1}},
                          {"127.0.0.1", 0, {}},
                          {"", 1, {1}},
                          {"300.1.2.3", 1, {1}},
                          {"localhost", 0, {}}};
    for (const Case& c : cases) {
        reports.clear();
        SetLinkAddress(c.address);
        SetLinkPort(1);  // nothing listens on loopback port 1
        EXPECT_EQ(1, OpenDevice(c.reportFlag)) << c.address;
        EXPECT_EQ(nullptr, GetCoreContext()->openTransport) << c.address;
        EXPECT_EQ(c.reported, reports) << c.address;
    }
}

TEST_F(DeviceNetTest, OperationsSendTheirBlocksAndStoreWhatTheyLearn) {
    Open();
    GetScanWindow()->paperSource = 2;
    EXPECT_EQ(0, SCAN_SENSE(ReportAll));
    EXPECT_EQ(0, SCAN_STARTKEYSTATUS(ReportAll));
    EXPECT_EQ(0, SCAN_GETMACHINESTATE());
    EXPECT_EQ(1, GetFeederState()->adfAvailable);
    EXPECT_EQ(1, GetFeederState()->duplexAvailable);
    EXPECT_EQ(1, GetFeederState()->adfLoaded);
    EXPECT_EQ(0, SCAN_SETWINDOW());
    EXPECT_EQ(0, SCAN_GETDATABUFFERSTATE());
    EXPECT_EQ(2560, GetCoreContext()->deviceLineWidth);
    EXPECT_EQ(3508, GetCoreContext()->deviceLineCount);
    EXPECT_EQ(2550, GetScanSettings()->imageWidth);
    EXPECT_EQ(3508, GetScanSettings()->imageHeight);
    EXPECT_EQ(0, SCAN_STARTSCAN(7020000));
    std::vector<uint8_t> data(524286);
    EXPECT_EQ(0, SCAN_READDATA(data.data(), static_cast<uint32_t>(data.size())));
    for (size_t i = 0; i < data.size(); ++i) ASSERT_EQ(FakeImageByte(i), data[i]) << "byte " << i;
    EXPECT_EQ(0, SCAN_ABORT());
    EXPECT_TRUE(reports.empty());

    ASSERT_TRUE(device.WaitForBlocks(handshakeBlocks + 8));
    std::vector<Bytes> blocks = device.Blocks();
    Bytes codes = CodesAfterOpen();
    EXPECT_EQ((Bytes{0x09, 0x0F, 0x0D, 0x0C, 0x0B, 0x08, 0x0E, 0x0A}), codes);
    const Bytes& key = blocks[handshakeBlocks + 1];
    EXPECT_EQ(2, key[6]);
    const Bytes& window = blocks[handshakeBlocks + 3];
    // A4 colour at 300 dpi from the flatbed defaults, feeder two-sided.
    const Bytes expectedWindow = {0x03, 0x0C, 0x11, 0,    0,    0,    0x01, 0x03, 0x65, 0x02, 0, 0,
                                  0,    0,    0x60, 0x13, 0x67, 0x1B, 0x02, 0,    0,    0,    0};
    EXPECT_EQ(expectedWindow, Bytes(window.begin(), window.begin() + 23));
    const Bytes& start = blocks[handshakeBlocks + 5];
    EXPECT_EQ((Bytes{0xE0, 0x1D, 0x6B, 0x00, 0x01}), Bytes(start.begin() + 6, start.begin() + 11));
}

TEST_F(DeviceNetTest, SenseAndKeyRepliesMapToStatusAbortAndReport) {
    struct Case {
        uint8_t code;
        uint8_t reply;
        int mode;
        DeviceStatus result;
        bool abort;
        std::vector<int32_t> reported;
    };
    const Case cases[] = {
        {CodeSense, 0, ReportAll, 0, false, {}},
        {CodeSense, 1, ReportAll, 3, true, {3}},
        {CodeSense, 1, ReportAllButCoverOpen, 3, true, {}},
        {CodeSense, 2, ReportAllButCoverOpen, 4, true, {4}},
        {CodeSense, 3, ReportAll, 2, false, {2}},
        {CodeSense, 3, ReportNothing, 2, false, {}},
        {CodeSense, 9, ReportAll, 1, true, {1}},
        {CodeStartKey, 1, ReportAll, 3, true, {3}},
        {CodeStartKey, 2, ReportAll, 4, true, {4}},
        {CodeStartKey, 3, ReportAll, 7, true, {7}},
        {CodeStartKey, 3, ReportNothing, 7, true, {}},
        {CodeStartKey, 200, ReportAll, 1, true, {1}},
    };
    Open();
    for (const Case& c : cases) {
        reports.clear();
        Answer(c.code, FakeReply::Of({c.reply}));
        size_t before = device.Blocks().size();
        DeviceStatus result = c.code == CodeSense ? SCAN_SENSE(c.mode) : SCAN_STARTKEYSTATUS(c.mode);
        EXPECT_EQ(c.result, result) << int{c.code} << " reply " << int{c.reply};
        EXPECT_EQ(c.reported, reports) << int{c.code} << " reply " << int{c.reply};
        Bytes expected{c.code};
        if (c.abort) expected.push_back(CodeAbort);
        device.WaitForBlocks(before + expected.size());
        Sleep(20);  // an unexpected extra block would show up here
        Bytes codes = device.Codes();
        Bytes sent(codes.begin() + static_cast<ptrdiff_t>(before), codes.end());
        EXPECT_EQ(expected, sent) << int{c.code} << " reply " << int{c.reply};
    }
}

TEST_F(DeviceNetTest, RepliesInSmallLatePiecesAreReassembled) {
    Open();
    FakeReply state = HealthyReply(Bytes{0x03, 0x0B});
    state.pieceSize = 1;
    state.pieceDelayMs = 30;
    Answer(0x0B, state);
    EXPECT_EQ(0, SCAN_GETDATABUFFERSTATE());
    EXPECT_EQ(2550, GetScanSettings()->imageWidth);

    device.SetHandler([](const Bytes& block) {
        FakeReply reply = HealthyReply(block);
        reply.pieceSize = 4099;
        reply.pieceDelayMs = 2;
        return reply;
    });
    std::vector<uint8_t> data(65536);
    EXPECT_EQ(0, SCAN_READDATA(data.data(), static_cast<uint32_t>(data.size())));
    for (size_t i = 0; i < data.size(); ++i) ASSERT_EQ(FakeImageByte(i), data[i]) << "byte " << i;
    EXPECT_TRUE(reports.empty());
}

TEST_F(DeviceNetTest, SilentDeviceFailsAfterTheTimeOutWithoutAbort) {
    Open();
    Answer(CodeSense, FakeReply::Silence());
    DWORD start = GetTickCount();
    EXPECT_EQ(1, SCAN_SENSE(ReportAll));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 900u);
    EXPECT_LT(elapsed, 1000u + CancelGraceMs + 1000u);
    EXPECT_EQ(std::vector<int32_t>{1}, reports);
    EXPECT_EQ(Bytes{CodeSense}, CodesAfterOpen());
    // The timed-out connection is finished: further operations fail at once.
    start = GetTickCount();
    EXPECT_EQ(1, SCAN_GETMACHINESTATE());
    EXPECT_LT(GetTickCount() - start, 500u);
}

// Bytes that keep coming, but too slowly for the whole reply to arrive in
// time, still end the read at the time-out rather than when the last one comes.
TEST_F(DeviceNetTest, ReplyTricklingSlowerThanTheTimeOutFailsAtTheTimeOut) {
    Open();
    device.SetHandler([](const Bytes& block) {
        FakeReply reply = HealthyReply(block);
        reply.pieceSize = 16;
        reply.pieceDelayMs = 20;
        return reply;
    });
    std::vector<uint8_t> data(16 * 1024);  // a thousand pieces: twenty seconds
    DWORD start = GetTickCount();
    EXPECT_EQ(6, SCAN_READDATA(data.data(), static_cast<uint32_t>(data.size())));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 900u);
    EXPECT_LT(elapsed, 3000u);
    EXPECT_EQ(std::vector<int32_t>{6}, reports);
}

TEST_F(DeviceNetTest, HostileRepliesGiveTheirStatusCodes) {
    struct Case {
        const char* what;
        uint8_t code;
        FakeReply reply;
        DeviceStatus result;
        std::vector<int32_t> reported;
    };
    const Case cases[] = {
        {"dropped before buffer state", 0x0B, FakeReply::Drop(), 1, {1}},
        {"short buffer state then drop", 0x0B, FakeReply::ThenDrop({0x00, 0x0A, 0xB4}), 1, {1}},
        {"short buffer state then silence", 0x0B, FakeReply::Of({0x00, 0x0A, 0xB4}), 1, {1}},
        {"absurd buffer state", 0x0B, FakeReply::Of({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 1, {}},
        {"image wider than its lines",
         0x0B,
         FakeReply::Of({0x00, 0x01, 0x10, 0x00, 0x01, 0x01, 0x10, 0x00}),
         1,
         {}},
        {"dropped before machine state", 0x0D, FakeReply::Drop(), 1, {1}},
        {"silent machine state", 0x0D, FakeReply::Silence(), 1, {1}},
        {"dropped during data", 0x0E, FakeReply::ThenDrop(Bytes(1000, 0x55)), 6, {6}},
        {"data stalls halfway", 0x0E, FakeReply::Of(Bytes(2048, 0x55)), 6, {6}},
        {"silent data", 0x0E, FakeReply::Silence(), 6, {6}},
    };
    for (const Case& c : cases) {
        reports.clear();
        CloseDevice();
        Open();
        FakeReply reply = c.reply;
        uint8_t code = c.code;
        device.SetHandler([code, reply](const Bytes& block) {
            if (block[0] != 0x03 || block[1] != code) return HealthyReply(block);
            return reply;
        });
        GetCoreContext()->deviceLineWidth = -5;
        GetScanSettings()->imageWidth = -5;
        std::vector<uint8_t> data(4096, 0xEE);
        DeviceStatus result = 0;
        DWORD start = GetTickCount();
        if (c.code == 0x0B) result = SCAN_GETDATABUFFERSTATE();
        if (c.code == 0x0D) result = SCAN_GETMACHINESTATE();
        if (c.code == 0x0E) result = SCAN_READDATA(data.data(), static_cast<uint32_t>(data.size()));
        EXPECT_LT(GetTickCount() - start, 1000u + CancelGraceMs + 1000u) << c.what;
        EXPECT_EQ(c.result, result) << c.what;
        EXPECT_EQ(c.reported, reports) << c.what;
        EXPECT_EQ(-5, GetCoreContext()->deviceLineWidth) << c.what;
        EXPECT_EQ(-5, GetScanSettings()->imageWidth) << c.what;
        for (uint8_t byte : data)
            ASSERT_EQ(0xEE, byte) << c.what << ": a failed read leaves the buffer alone";
    }
}

TEST_F(DeviceNetTest, ReadSizeLimitsAreCheckedBeforeAnyExchange) {
    Open();
    std::vector<uint8_t> data(524287);
    EXPECT_EQ(6, SCAN_READDATA(data.data(), 524287));
    EXPECT_EQ(6, SCAN_READDATA(data.data(), 0));
    EXPECT_EQ(6, SCAN_READDATA(nullptr, 16));
    EXPECT_EQ((std::vector<int32_t>{6, 6, 6}), reports);
    EXPECT_TRUE(CodesAfterOpen().empty());
}

TEST_F(DeviceNetTest, WithoutAnOpenLinkEveryOperationFailsSilently) {
    uint8_t data[16];
    const DeviceStatus results[] = {
        SCAN_STARTSCAN(100),
        SCAN_ABORT(),
        SCAN_GETDATABUFFERSTATE(),
        SCAN_SETWINDOW(),
        SCAN_GETMACHINESTATE(),
        SCAN_READDATA(data, 16),
        SCAN_SENSE(ReportAll),
        SCAN_CHECKPID(ReportAll),
        SCAN_RELEASE(),
        SCAN_GETNETWORKSTATUS(ReportAll),
        SCAN_STARTKEYSTATUS(ReportAll),
    };
    for (DeviceStatus result : results) EXPECT_EQ(1, result);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(0, device.Connections());
}

TEST_F(DeviceNetTest, ReleaseReadsItsReply) {
    struct Case {
        FakeReply reply;
        DeviceStatus result;
    };
    const Case cases[] = {{FakeReply::Of({0x04, 0x04, 0x00}), 0},
                          {FakeReply::Of({0x04, 0x04, 0x01}), 1},
                          {FakeReply::Of({0x04, 0x02, 0x00}), 1},
                          {FakeReply::Drop(), 6}};
    for (const Case& c : cases) {
        Open();
        FakeReply reply = c.reply;
        device.SetHandler([reply](const Bytes& block) {
            return block[0] == 0x04 && block[1] == 0x03 ? reply : HealthyReply(block);
        });
        EXPECT_EQ(c.result, SCAN_RELEASE());
        CloseDevice();
        device.SetHandler(HealthyReply);
    }
    EXPECT_TRUE(reports.empty());
}

}  // namespace

namespace {

// A listener whose queue is full: further connection requests get no answer at
// all, as from a device that drops them. Closes everything on destruction.
struct UnansweringPeer {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    std::vector<SOCKET> fillers;
    uint16_t port = 0;

    UnansweringPeer() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener, 0) != 0 ||
            getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port = ntohs(address.sin_port);
        for (int i = 0; i < 4; ++i) {
            SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            u_long nonBlocking = 1;
            ioctlsocket(s, FIONBIO, &nonBlocking);
            connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
            fillers.push_back(s);
        }
    }
    ~UnansweringPeer() {
        for (SOCKET s : fillers) closesocket(s);
        closesocket(listener);
    }
};

}  // namespace

// Without a connect time-out of its own the source waits for the system's
// (over two minutes under Wine). The bound below is far above the one second
// each attempt gets here, and far below that.
TEST_F(DeviceNetTest, AConnectThatIsNeverAnsweredFailsLikeARefusedOne) {
    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    {
        UnansweringPeer peer;
        ASSERT_NE(0, peer.port);
        SetLinkPort(peer.port);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const DWORD start = GetTickCount();
            EXPECT_EQ(1, OpenDevice(1)) << attempt;
            EXPECT_LT(GetTickCount() - start, 30000u) << "a hang on the connect";
            EXPECT_EQ(nullptr, GetCoreContext()->openTransport);
        }
        EXPECT_EQ((std::vector<int32_t>{1, 1}), reports);
    }
    WSACleanup();
}
