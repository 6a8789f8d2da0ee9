#include "device/command_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Hex(const uint8_t* bytes, size_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

// The expected block: the given leading bytes, then zeros up to 64.
std::vector<uint8_t> Block(std::initializer_list<uint8_t> leading) {
    std::vector<uint8_t> block(leading);
    block.resize(ScanCommandBlockSize, 0);
    return block;
}

TEST(BuildCommandTest, EveryCommandMatchesItsByteLayout) {
    static const uint8_t identity[] = {0x02, 'T', 'a'};
    CommandParameters p{};
    p.byteCount = 65535;
    p.totalBytes = 7020000;
    p.identity = identity;
    p.identityLength = sizeof identity;
    p.paperSource = 2;
    p.window = {0x03, 0x02, 0x65, 0xFF, 0x1234, 0x0001, 5100, 7014, 1, 200, 200};
    struct Case {
        int32_t id;
        std::vector<uint8_t> block;
        uint32_t replyLength;
    };
    const Case cases[] = {
        {CMD_ABORT, Block({0x03, 0x0A}), 0},
        {CMD_SENSE, Block({0x03, 0x09, 0x01}), 1},
        {CMD_GETDATABUFFERSTATE, Block({0x03, 0x0B, 0x08}), 8},
        {CMD_GETMACHINESTATE, Block({0x03, 0x0D, 0x0A}), 10},
        {CMD_READDATA, Block({0x03, 0x0E, 0x04, 0, 0, 0, 0xFF, 0xFF, 0x00, 0x00}), 65535},
        {CMD_SETWINDOW, Block({0x03, 0x0C, 0x11, 0,    0,    0,    0x03, 0x02, 0x65, 0xFF, 0x34, 0x12,
                               0x01, 0x00, 0xEC, 0x13, 0x66, 0x1B, 0x01, 0xC8, 0x00, 0xC8, 0x00}),
         0},
        {CMD_STARTSCAN, Block({0x03, 0x08, 0x04, 0, 0, 0, 0xE0, 0x1D, 0x6B, 0x00, 0x01}), 0},
        {CMD_GETNETWORKSTATUS, Block({}), 3},
        {CMD_CHECKPID, Block({0x04, 0x01, 0x00, 0x02, 'T', 'a'}), 3},
        {CMD_RELEASE, Block({0x04, 0x03, 0x00}), 3},
        {CMD_STARTKEYSTATUS, Block({0x03, 0x0F, 0x01, 0, 0, 0, 0x02}), 1},
    };
    for (const Case& c : cases) {
        uint8_t buffer[ScanCommandBufferSize];
        memset(buffer, 0xAA, sizeof buffer);
        uint32_t replyLength = 12345;
        ASSERT_TRUE(BuildCommand(c.id, buffer, sizeof buffer, &p, &replyLength)) << "id " << c.id;
        EXPECT_EQ(Hex(c.block.data(), 64), Hex(buffer, 64)) << "id " << c.id;
        EXPECT_EQ(c.replyLength, replyLength) << "id " << c.id;
        EXPECT_EQ(0xAA, buffer[64]) << "id " << c.id << ": bytes past the block are not the builder's";
        EXPECT_EQ(c.id, GetCommandTable()[c.id].id);
    }
}

TEST(BuildCommandTest, RefusesBadIdsBuffersAndMissingParameters) {
    uint8_t buffer[ScanCommandBufferSize];
    memset(buffer, 0xAA, sizeof buffer);
    uint32_t replyLength = 77;
    CommandParameters p{};
    EXPECT_FALSE(BuildCommand(11, buffer, sizeof buffer, &p, &replyLength));
    EXPECT_FALSE(BuildCommand(-1, buffer, sizeof buffer, &p, &replyLength));
    EXPECT_FALSE(BuildCommand(CMD_SENSE, nullptr, sizeof buffer, &p, &replyLength));
    EXPECT_FALSE(BuildCommand(CMD_SENSE, buffer, 63, &p, &replyLength));
    EXPECT_FALSE(BuildCommand(CMD_SENSE, buffer, sizeof buffer, &p, nullptr));
    for (int32_t id : {CMD_READDATA, CMD_SETWINDOW, CMD_STARTSCAN, CMD_CHECKPID, CMD_STARTKEYSTATUS}) {
        EXPECT_FALSE(BuildCommand(id, buffer, sizeof buffer, nullptr, &replyLength)) << "id " << id;
    }
    EXPECT_EQ(77u, replyLength);
    for (uint8_t byte : buffer) ASSERT_EQ(0xAA, byte);
    // Commands without parameters ignore a missing record.
    EXPECT_TRUE(BuildCommand(CMD_ABORT, buffer, 64, nullptr, &replyLength));
}

TEST(BuildCommandTest, CapacityOfExactlyOneBlockIsEnoughAndRestIsZero) {
    uint8_t buffer[ScanCommandBlockSize];
    memset(buffer, 0xAA, sizeof buffer);
    CommandParameters p{};
    p.paperSource = 1;
    uint32_t replyLength = 0;
    ASSERT_TRUE(BuildCommand(CMD_STARTKEYSTATUS, buffer, sizeof buffer, &p, &replyLength));
    for (size_t i = 7; i < sizeof buffer; ++i) EXPECT_EQ(0, buffer[i]) << "byte " << i;
}

TEST(BuildCommandTest, CheckPidSendsEmptyOrLongIdentityWithinTheBlock) {
    uint8_t buffer[ScanCommandBufferSize];
    uint32_t replyLength = 0;
    CommandParameters p{};
    ASSERT_TRUE(BuildCommand(CMD_CHECKPID, buffer, sizeof buffer, &p, &replyLength));
    EXPECT_EQ(Hex(Block({0x04, 0x01, 0x00}).data(), 64), Hex(buffer, 64));

    std::vector<uint8_t> longIdentity(258);
    for (size_t i = 0; i < longIdentity.size(); ++i) longIdentity[i] = static_cast<uint8_t>(i + 1);
    p.identity = longIdentity.data();
    p.identityLength = static_cast<uint32_t>(longIdentity.size());
    memset(buffer, 0xAA, sizeof buffer);
    ASSERT_TRUE(BuildCommand(CMD_CHECKPID, buffer, sizeof buffer, &p, &replyLength));
    EXPECT_EQ(0, memcmp(buffer + 3, longIdentity.data(), 61));
    EXPECT_EQ(0xAA, buffer[64]);

    p.identity = nullptr;  // a length without bytes is a caller's mistake
    EXPECT_FALSE(BuildCommand(CMD_CHECKPID, buffer, sizeof buffer, &p, &replyLength));
}

TEST(ParseReplyTest, ConnectionStatusChecksFamilyCodeAndStatus) {
    struct Case {
        int32_t id;
        std::vector<uint8_t> reply;
        bool ok;
        int32_t value;
    };
    const Case cases[] = {
        {CMD_CHECKPID, {0x04, 0x02, 0x01}, true, 1},
        {CMD_CHECKPID, {0x04, 0x02, 0x00}, true, 0},
        {CMD_CHECKPID, {0x04, 0x04, 0x01}, false, 2},
        {CMD_CHECKPID, {0x03, 0x02, 0x00}, false, 2},
        {CMD_CHECKPID, {0x04, 0x02, 0x02}, false, 2},
        {CMD_RELEASE, {0x04, 0x04, 0x00}, true, 0},
        {CMD_RELEASE, {0x04, 0x02, 0x00}, false, 2},
        {CMD_GETNETWORKSTATUS, {0x04, 0x00, 0x00}, true, 0},
        {CMD_GETNETWORKSTATUS, {0x04, 0x00, 0x01}, true, 1},
        {CMD_GETNETWORKSTATUS, {0x04, 0x02, 0x00}, false, 2},
        {CMD_GETNETWORKSTATUS, {0xFF, 0xFF, 0xFF}, false, 2},
    };
    for (const Case& c : cases) {
        StatusReply out{-7};
        EXPECT_EQ(c.ok, ParseReply(c.id, c.reply.data(), &out, sizeof out)) << Hex(c.reply.data(), 3);
        EXPECT_EQ(c.value, out.value) << Hex(c.reply.data(), 3);
    }
}

TEST(ParseReplyTest, StatusByteKeepsTheWholeByte) {
    for (int32_t id : {CMD_SENSE, CMD_STARTKEYSTATUS}) {
        for (uint8_t byte : {0x00, 0x03, 0x80, 0xFF}) {
            StatusReply out{-1};
            ASSERT_TRUE(ParseReply(id, &byte, &out, sizeof out));
            EXPECT_EQ(byte, out.value);
        }
    }
}

TEST(ParseReplyTest, DataBufferStateIsFourLittleEndianWords) {
    const uint8_t reply[8] = {0x00, 0x0A, 0xB4, 0x0D, 0xF6, 0x09, 0xB4, 0x0D};
    DataBufferState out{};
    ASSERT_TRUE(ParseReply(CMD_GETDATABUFFERSTATE, reply, &out, sizeof out));
    EXPECT_EQ(2560, out.logicWidth);
    EXPECT_EQ(3508, out.logicHeight);
    EXPECT_EQ(2550, out.actualWidth);
    EXPECT_EQ(3508, out.actualHeight);
    const uint8_t max[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_TRUE(ParseReply(CMD_GETDATABUFFERSTATE, max, &out, sizeof out));
    EXPECT_EQ(65535, out.logicWidth);
}

TEST(ParseReplyTest, MachineStateFlagsComeFromTheFirstThreeBytes) {
    const uint8_t reply[10] = {0x81, 0x01, 0x00};
    MachineState out;
    memset(&out, 0xEE, sizeof out);
    ASSERT_TRUE(ParseReply(CMD_GETMACHINESTATE, reply, &out, sizeof out));
    for (int i = 0; i < MachineStateFlagCount; ++i) {
        bool set = i == MachineFlagAdfEnable || i == MachineFlagDuplexEnable || i == MachineFlagAdfSetDoc;
        EXPECT_EQ(set ? 1 : 0, out.flags[i]) << "flag " << i;
    }
    const uint8_t all[10] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_TRUE(ParseReply(CMD_GETMACHINESTATE, all, &out, sizeof out));
    for (int i = 0; i < 12; ++i) EXPECT_EQ(1, out.flags[i]) << "flag " << i;
    EXPECT_EQ(0, out.flags[12]);
    EXPECT_EQ(0, out.flags[13]);
}

TEST(ParseReplyTest, RefusesWrongSizesMissingPointersAndCommandsWithoutReply) {
    const uint8_t reply[16] = {0x04, 0x02, 0x00};
    uint8_t out[32];
    memset(out, 0xEE, sizeof out);
    struct Case {
        int32_t id;
        uint32_t size;
    };
    const Case refused[] = {
        {CMD_GETDATABUFFERSTATE, 8},
        {CMD_GETDATABUFFERSTATE, 17},
        {CMD_GETMACHINESTATE, 10},
        {CMD_SENSE, 1},
        {CMD_CHECKPID, 8},
        {CMD_ABORT, 4},
        {CMD_READDATA, 4},
        {CMD_SETWINDOW, 4},
        {CMD_STARTSCAN, 4},
        {11, 4},
        {-1, 4},
    };
    for (const Case& c : refused) EXPECT_FALSE(ParseReply(c.id, reply, out, c.size)) << "id " << c.id;
    for (uint8_t byte : out) ASSERT_EQ(0xEE, byte);
    EXPECT_FALSE(ParseReply(CMD_CHECKPID, nullptr, out, 4));
    EXPECT_FALSE(ParseReply(CMD_CHECKPID, reply, nullptr, 4));
}

}  // namespace

namespace {

// Whatever bytes the device sends, decoding stays inside the reply and the
// record and yields only values the record can hold.
TEST(ParseReplyTest, RandomRepliesDecodeIntoTheirDomains) {
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<uint8_t>(seed >> 24);
    };
    for (int round = 0; round < 20000; ++round) {
        uint8_t reply[10];
        for (uint8_t& byte : reply) byte = next();
        if (round % 4 == 0) reply[0] = 0x04;  // reach the code and status checks too
        StatusReply status{};
        ASSERT_TRUE(ParseReply(CMD_SENSE, reply, &status, sizeof status));
        ASSERT_GE(status.value, 0);
        ASSERT_LE(status.value, 255);
        for (int32_t id : {CMD_GETNETWORKSTATUS, CMD_CHECKPID, CMD_RELEASE}) {
            bool ok = ParseReply(id, reply, &status, sizeof status);
            ASSERT_EQ(ok, status.value == 0 || status.value == 1) << "id " << id;
            if (!ok) {
                ASSERT_EQ(2, status.value);
            }
        }
        DataBufferState state{};
        ASSERT_TRUE(ParseReply(CMD_GETDATABUFFERSTATE, reply, &state, sizeof state));
        for (int32_t value : {state.logicWidth, state.logicHeight, state.actualWidth, state.actualHeight}) {
            ASSERT_GE(value, 0);
            ASSERT_LE(value, 65535);
        }
        MachineState machine{};
        ASSERT_TRUE(ParseReply(CMD_GETMACHINESTATE, reply, &machine, sizeof machine));
        for (uint8_t flag : machine.flags) ASSERT_LE(flag, 1);
    }
}

}  // namespace
