// The simulator's block decoding, option parsing and device state, without sockets.
// The simulator is a host program; this file has nothing to test in the Windows build.
#if !defined(_WIN32)

#include "tools/sim/sim_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tools/sim/sim_options.h"
#include "tools/sim/sim_wire.h"

namespace {

using namespace tarvik_sim;

Command Decode(std::initializer_list<uint8_t> head) {
    uint8_t block[kBlockSize] = {};
    std::copy(head.begin(), head.end(), block);
    return DecodeCommand(block);
}

Command CheckPidWith(const std::vector<uint8_t>& identity) {
    uint8_t block[kBlockSize] = {0x04, 0x01, 0x00};
    std::copy_n(identity.begin(), std::min<size_t>(identity.size(), kBlockSize - 3), block + 3);
    return DecodeCommand(block);
}

TEST(SimWireTest, DecodesTheHostsBlocks) {
    struct Case {
        std::initializer_list<uint8_t> head;
        CommandKind kind;
        uint32_t count;
    };
    const Case cases[] = {
        {{0x03, 0x0A}, CommandKind::Abort, 0},
        {{0x03, 0x09, 0x01}, CommandKind::Sense, 0},
        {{0x03, 0x0B, 0x08}, CommandKind::GetDataBufferState, 0},
        {{0x03, 0x0D, 0x0A}, CommandKind::GetMachineState, 0},
        {{0x03, 0x0E, 0x04, 0, 0, 0, 0xFF, 0xFF, 0, 0}, CommandKind::ReadData, 65535},
        {{0x03, 0x08, 0x04, 0, 0, 0, 0xE0, 0x1D, 0x6B, 0x00, 0x01}, CommandKind::StartScan, 7020000},
        {{0x03, 0x0F, 0x01, 0, 0, 0, 2}, CommandKind::StartKeyStatus, 0},
        {{0x04, 0x03, 0x00}, CommandKind::Release, 0},
        {{0x04, 0x01, 0x00}, CommandKind::CheckPid, 0},
        {{0x00}, CommandKind::Unknown, 0},  // the never-sent all-zero status block
        {{0x03, 0x77}, CommandKind::Unknown, 0},
        {{0x04, 0x02, 0x00}, CommandKind::Unknown, 0},
        {{0xFF, 0xFF, 0xFF}, CommandKind::Unknown, 0},
    };
    for (const Case& c : cases) {
        const Command command = Decode(c.head);
        EXPECT_EQ(command.kind, c.kind) << "head " << int(command.head[0]) << " " << int(command.head[1]);
        EXPECT_EQ(command.count, c.count) << CommandName(c.kind);
    }
    EXPECT_EQ(Decode({0x03, 0x0F, 0x01, 0, 0, 0, 2}).paperSource, 2);
    EXPECT_EQ(Decode({0x03, 0x08, 0x04, 0, 0, 0, 1, 0, 0, 0, 1}).startFlag, 1);
}

TEST(SimWireTest, DecodesTheWindowDescriptor) {
    const Command c = Decode({0x03, 0x0C, 0x11, 0,    0,    0,    3, 2,   201, 0xFF, 60, 0,
                              120,  0,    0xB0, 0x04, 0xDC, 0x05, 1, 200, 0,   200,  0});
    ASSERT_EQ(c.kind, CommandKind::SetWindow);
    EXPECT_EQ(c.window.resolutionCode, 3);
    EXPECT_EQ(c.window.scanType, 2);
    EXPECT_EQ(c.brightness, 201);
    EXPECT_EQ(c.window.paperCode, 0xFF);
    EXPECT_EQ(c.window.x, 60);
    EXPECT_EQ(c.window.y, 120);
    EXPECT_EQ(c.window.width, 1200);
    EXPECT_EQ(c.window.length, 1500);
    EXPECT_EQ(c.paperSource, 1);
    EXPECT_EQ(c.window.xResolution, 200);
}

TEST(SimWireTest, IdentityMustMatchExactly) {
    std::vector<uint8_t> good = ExpectedIdentity();
    ASSERT_EQ(good.size(), 29u);
    EXPECT_TRUE(IdentityMatches(CheckPidWith(good).identity));
    EXPECT_FALSE(IdentityMatches(CheckPidWith({}).identity));
    std::vector<uint8_t> bad = good;
    bad[5] = 'X';
    EXPECT_FALSE(IdentityMatches(CheckPidWith(bad).identity));
    bad = good;
    bad.push_back('Z');  // trailing bytes after the identity
    EXPECT_FALSE(IdentityMatches(CheckPidWith(bad).identity));
}

TEST(SimWireTest, EncodesReplies) {
    EXPECT_EQ(EncodeMachineState(true, true, true),
              (std::vector<uint8_t>{0x81, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(EncodeMachineState(true, false, false)[0], 0x01);
    EXPECT_EQ(EncodeMachineState(false, true, true), std::vector<uint8_t>(10, 0));
    ChartGeometry g;
    g.logicWidth = 2560;
    g.logicHeight = 3300;
    g.actualWidth = 2550;
    g.actualHeight = 3300;
    EXPECT_EQ(EncodeBufferState(g), (std::vector<uint8_t>{0x00, 0x0A, 0xE4, 0x0C, 0xF6, 0x09, 0xE4, 0x0C}));
}

TEST(SimOptionsTest, ParsesEveryFlag) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(ParseSimOptions({"--address",
                                 "127.0.0.2",
                                 "--port=0",
                                 "--sheets",
                                 "3",
                                 "--duplex",
                                 "--udp",
                                 "--sense-code",
                                 "1@2",
                                 "--stop-key-after",
                                 "1000:3",
                                 "--silence-on",
                                 "SCAN_SENSE@4",
                                 "--drop-on",
                                 "readdata",
                                 "--split",
                                 "2:5",
                                 "--wrong-code",
                                 "checkpid",
                                 "--wrong-length",
                                 "getmachinestate@1:2",
                                 "--busy-first",
                                 "2",
                                 "--refuse-identity",
                                 "--exit-after-connections",
                                 "5",
                                 "--log",
                                 "x.log",
                                 "--content=photo"},
                                &o, &error))
        << error;
    EXPECT_EQ(o.address, "127.0.0.2");
    EXPECT_EQ(o.port, 0);
    EXPECT_EQ(o.sheets, 3u);
    EXPECT_TRUE(o.duplex && o.udp && o.feeder);
    EXPECT_EQ(*o.faults.senseCode, 1);
    EXPECT_EQ(o.faults.senseOccurrence, 2u);
    EXPECT_EQ(*o.faults.stopKeyAfter, 1000u);
    EXPECT_EQ(o.faults.stopKeyCode, 3);
    ASSERT_EQ(o.faults.silenceOn.size(), 1u);
    EXPECT_TRUE(o.faults.silenceOn[0].Matches(CommandKind::Sense, 4));
    EXPECT_FALSE(o.faults.silenceOn[0].Matches(CommandKind::Sense, 3));
    EXPECT_TRUE(o.faults.dropOn[0].Matches(CommandKind::ReadData, 9));
    EXPECT_EQ(o.faults.splitBytes, 2u);
    EXPECT_EQ(o.faults.splitDelayMs, 5u);
    EXPECT_EQ(o.faults.wrongCode[0].kind, CommandKind::CheckPid);
    EXPECT_EQ(o.faults.wrongLength[0].argument, 2);
    EXPECT_EQ(o.faults.busyFirst, 2u);
    EXPECT_TRUE(o.faults.refuseIdentity);
    EXPECT_EQ(o.exitAfterConnections, 5u);
    EXPECT_EQ(o.logFile, "x.log");
    EXPECT_EQ(o.content, PageContent::Photo);
}

TEST(SimOptionsTest, RefusesBadValues) {
    const std::vector<std::vector<std::string>> bad = {
        {"--port", "65536"},
        {"--port"},
        {"--sheets", "-1"},
        {"--sense-code", "256"},
        {"--silence-on", "fly"},
        {"--split", "0"},
        {"--wrong-length", "sense:0"},
        {"--drop-on", "sense@0"},
        {"--frobnicate"},
        {"--sense-code", "1@"},
        {"--stop-key-after", "x"},
        {"--content", "Photo"},
    };
    for (const auto& args : bad) {
        SimOptions o;
        std::string error;
        EXPECT_FALSE(ParseSimOptions(args, &o, &error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

class SimDeviceTest : public ::testing::Test {
   protected:
    static Command SetWindow(uint8_t source, uint8_t reso = 0) {
        Command c;
        c.kind = CommandKind::SetWindow;
        c.window.resolutionCode = reso;
        c.window.scanType = 2;
        c.window.width = 600;
        c.window.length = 600;
        c.paperSource = source;
        return c;
    }
    static Command Plain(CommandKind kind, uint32_t count = 0) {
        Command c;
        c.kind = kind;
        c.count = count;
        return c;
    }
    static uint8_t PaperFlag(SimDevice& d) {
        return d.Handle(Plain(CommandKind::GetMachineState)).bytes.at(1);
    }
};

TEST_F(SimDeviceTest, DuplexFeederGivesTwoPagesPerSheet) {
    SimOptions o;
    o.sheets = 2;
    o.duplex = true;
    SimDevice d(o);
    d.Handle(SetWindow(2));
    std::vector<uint32_t> pages;
    for (int side = 0; side < 4; ++side) {
        EXPECT_EQ(PaperFlag(d), 1) << "side " << side;
        d.Handle(Plain(CommandKind::StartScan));
        pages.push_back(d.LastPage());
    }
    EXPECT_EQ(pages, (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(PaperFlag(d), 0);
    EXPECT_EQ(d.SheetsLeft(), 0u);
    // Empty feeder: the start is refused and the next sense says so, once.
    d.Handle(Plain(CommandKind::StartScan));
    EXPECT_EQ(d.Handle(Plain(CommandKind::Sense)).bytes, std::vector<uint8_t>{kSenseNoPaper});
    EXPECT_EQ(d.Handle(Plain(CommandKind::Sense)).bytes, std::vector<uint8_t>{0});
}

TEST_F(SimDeviceTest, OneSidedAndFlatbedScansUseNoBackSide) {
    SimOptions o;
    o.sheets = 2;
    o.duplex = true;
    SimDevice d(o);
    d.Handle(SetWindow(1));
    d.Handle(Plain(CommandKind::StartScan));
    EXPECT_EQ(d.SheetsLeft(), 1u);
    d.Handle(SetWindow(0));
    d.Handle(Plain(CommandKind::StartScan));
    EXPECT_EQ(d.SheetsLeft(), 1u);
    EXPECT_EQ(d.LastPage(), 1u);
}

TEST_F(SimDeviceTest, ImageStreamMatchesTheChartThenZeros) {
    SimOptions o;
    SimDevice d(o);
    d.Handle(SetWindow(0));
    ChartWindow window = SetWindow(0).window;
    const auto expected = RenderChartDeviceImage(window, 0);
    d.Handle(Plain(CommandKind::StartScan, static_cast<uint32_t>(expected.size())));
    std::vector<uint8_t> got(expected.size() + 100, 0xAA);
    d.ReadImage(got.data(), 1000);
    d.ReadImage(got.data() + 1000, got.size() - 1000);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin()));
    EXPECT_TRUE(std::all_of(got.begin() + expected.size(), got.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(d.ImageBytesSent(), got.size());
}

// Scans that repeat a window, cut a scan short or change the window or the
// page each stream exactly the chart of their own window and page (the window
// reaches the rows whose colours carry the page number).
TEST_F(SimDeviceTest, RepeatedAndChangedScansStreamTheirOwnChart) {
    SimOptions o;
    o.sheets = 2;
    SimDevice d(o);
    struct Step {
        uint8_t source;
        uint8_t reso;
        size_t readFraction;  // reads 1/n of the image before the next scan
    };
    const Step steps[] = {{0, 0, 2}, {0, 0, 1}, {0, 0, 1}, {0, 1, 1}, {0, 0, 1}, {1, 0, 1}, {1, 0, 1}};
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& step = steps[i];
        Command window = SetWindow(step.source, step.reso);
        window.window.y = 5900;
        d.Handle(window);
        d.Handle(Plain(CommandKind::StartScan));
        const auto expected = RenderChartDeviceImage(window.window, d.LastPage());
        std::vector<uint8_t> got(expected.size() / step.readFraction);
        for (size_t at = 0; at < got.size(); at += 777)
            d.ReadImage(got.data() + at, std::min<size_t>(777, got.size() - at));
        EXPECT_TRUE(std::equal(got.begin(), got.end(), expected.begin())) << "step " << i;
    }
}

TEST_F(SimDeviceTest, ReplyFaultsChangeCodesAndLengths) {
    SimOptions o;
    o.faults.wrongCode = {{CommandKind::CheckPid, 0, 0}, {CommandKind::Sense, 2, 0}};
    o.faults.wrongLength = {{CommandKind::GetDataBufferState, 0, -3}, {CommandKind::Release, 0, 2}};
    o.faults.dropAfter = 100;
    SimDevice d(o);
    Command pid = CheckPidWith(ExpectedIdentity());
    EXPECT_EQ(d.Handle(pid).bytes, (std::vector<uint8_t>{0x04, 0x12, 0x00}));
    EXPECT_EQ(d.Handle(Plain(CommandKind::Sense)).bytes, std::vector<uint8_t>{0});
    EXPECT_EQ(d.Handle(Plain(CommandKind::Sense)).bytes, std::vector<uint8_t>{0xEE});
    EXPECT_EQ(d.Handle(Plain(CommandKind::GetDataBufferState)).bytes.size(), 5u);
    EXPECT_EQ(d.Handle(Plain(CommandKind::Release)).bytes.size(), 5u);
    const ReplyPlan read = d.Handle(Plain(CommandKind::ReadData, 4096));
    EXPECT_EQ(read.imageBytes, 100u);
    EXPECT_EQ(read.after, AfterReply::Close);
    EXPECT_TRUE(d.Handle(Plain(CommandKind::ReadData, kMaxReadRequest + 1)).drop);
}

// Random blocks, biased towards real command bytes, never break the device state.
TEST_F(SimDeviceTest, SurvivesRandomBlocks) {
    SimOptions o;
    o.sheets = 3;
    o.duplex = true;
    o.faults.wrongLength = {{CommandKind::ReadData, 5, 7}, {CommandKind::Sense, 0, -5}};
    SimDevice d(o);
    std::mt19937 random(4100);
    std::vector<uint8_t> sink;
    for (int i = 0; i < 3000; ++i) {
        uint8_t block[kBlockSize];
        for (uint8_t& b : block) b = static_cast<uint8_t>(random());
        block[0] = static_cast<uint8_t>(3 + random() % 2);
        if (random() % 2) block[1] = static_cast<uint8_t>(8 + random() % 8);
        if (block[1] == 0x0E) block[9] = 0;  // keep most reads small enough to pull
        const ReplyPlan plan = d.Handle(DecodeCommand(block));
        ASSERT_LE(plan.bytes.size(), 4096u + kMachineStateSize);
        if (plan.imageBytes > 0 && plan.imageBytes <= (1u << 20)) {
            sink.resize(static_cast<size_t>(plan.imageBytes));
            d.ReadImage(sink.data(), sink.size());
        }
    }
    EXPECT_LE(d.SheetsLeft(), 3u);
}

}  // namespace

#endif  // !_WIN32
