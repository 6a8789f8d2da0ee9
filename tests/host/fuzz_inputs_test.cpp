// Seeded random inputs for everything that reads bytes from outside: the
// device's replies, the command builders' parameters and what the settings
// file reader hands on. Under the host build's sanitizers a stray read or
// write fails the run; the checks here catch writes past the caller's buffer
// and values outside what the readers promise. Bounded, and the same inputs
// every run (the seed is fixed; a failure names the case).
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>

#include "core/core_context.h"
#include "device/command_block.h"
#include "ui/adjustment_settings.h"

namespace {

constexpr int Rounds = 10000;
constexpr uint8_t Canary = 0xCD;

// Raw 32-bit draws; with a chance of values at the edges of their range.
struct Draw {
    std::mt19937 random{20261209};
    uint32_t Next() { return static_cast<uint32_t>(random()); }
    uint32_t Below(uint32_t n) { return Next() % n; }
    int32_t AnyInt() {
        static const int32_t edges[] = {0, 1, -1, 255, 256, 65535, 65536, INT32_MAX, INT32_MIN};
        return Below(4) == 0 ? edges[Below(std::size(edges))] : static_cast<int32_t>(Next());
    }
    float AnyFloat() {
        static const float edges[] = {
            0.0f, -0.0f, 1e30f, -1e30f, 3e38f, __builtin_inff(), -__builtin_inff(), __builtin_nanf("")};
        if (Below(3) == 0) return edges[Below(std::size(edges))];
        return static_cast<float>(static_cast<int32_t>(Next())) / static_cast<float>(1 + Below(100000));
    }
};

bool Untouched(const uint8_t* from, const uint8_t* to) {
    for (; from < to; ++from)
        if (*from != Canary) return false;
    return true;
}

TEST(FuzzTest, ReplyDecodersKeepToTheirRecordAndItsRange) {
    Draw draw;
    for (int round = 0; round < Rounds; ++round) {
        const int32_t id = static_cast<int32_t>(draw.Below(15)) - 2;
        uint8_t reply[ScanCommandBufferSize];
        for (uint8_t& b : reply) b = static_cast<uint8_t>(draw.Below(4) == 0 ? draw.Below(5) : draw.Next());
        const uint32_t sizes[] = {0, 1, 4, 8, 14, 16, 17, draw.Below(64)};
        const uint32_t size = sizes[draw.Below(std::size(sizes))];
        uint8_t out[64];
        memset(out, Canary, sizeof out);
        const bool ok = ParseReply(id, reply, out, size);
        SCOPED_TRACE("round " + std::to_string(round) + " id " + std::to_string(id) + " size " +
                     std::to_string(size));
        ASSERT_TRUE(Untouched(out + std::min<uint32_t>(size, sizeof out), out + sizeof out));
        if (!ok) continue;
        if (id == CMD_SENSE || id == CMD_STARTKEYSTATUS) {
            int32_t value;
            memcpy(&value, out, 4);
            EXPECT_TRUE(value >= 0 && value <= 255) << value;
        } else if (id == CMD_GETNETWORKSTATUS || id == CMD_CHECKPID || id == CMD_RELEASE) {
            int32_t value;
            memcpy(&value, out, 4);
            EXPECT_TRUE(value == 0 || value == 1) << value;
        } else if (id == CMD_GETMACHINESTATE) {
            for (uint32_t i = 0; i < size; ++i) EXPECT_LE(out[i], 1) << i;
        } else if (id == CMD_GETDATABUFFERSTATE) {
            DataBufferState state;
            memcpy(&state, out, sizeof state);
            for (int32_t v : {state.logicWidth, state.logicHeight, state.actualWidth, state.actualHeight})
                EXPECT_TRUE(v >= 0 && v <= 65535) << v;
        } else {
            ADD_FAILURE() << "a command without a reply decoded one";
        }
    }
}

TEST(FuzzTest, CommandBuildersWriteOnlyTheirBlock) {
    Draw draw;
    uint8_t identity[300];
    for (int round = 0; round < Rounds; ++round) {
        const int32_t id = static_cast<int32_t>(draw.Below(15)) - 2;
        const uint32_t capacity =
            draw.Below(3) == 0 ? draw.Below(ScanCommandBufferSize + 1) : ScanCommandBufferSize;
        for (uint8_t& b : identity) b = static_cast<uint8_t>(draw.Next());
        CommandParameters parameters;
        memset(&parameters, static_cast<int>(draw.Next() & 0xFF), sizeof parameters);
        parameters.byteCount = static_cast<uint32_t>(draw.AnyInt());
        parameters.totalBytes = static_cast<uint32_t>(draw.AnyInt());
        parameters.identity = draw.Below(8) == 0 ? nullptr : identity;
        parameters.identityLength = parameters.identity != nullptr ? draw.Below(sizeof identity + 1) : 0;
        uint8_t buffer[ScanCommandBufferSize + 16];
        memset(buffer, Canary, sizeof buffer);
        uint32_t replyLength = 0xDEADBEEF;
        const bool ok =
            BuildCommand(id, buffer, capacity, draw.Below(8) == 0 ? nullptr : &parameters, &replyLength);
        SCOPED_TRACE("round " + std::to_string(round) + " id " + std::to_string(id) + " capacity " +
                     std::to_string(capacity));
        if (!ok) continue;
        ASSERT_GE(capacity, ScanCommandBlockSize);
        EXPECT_TRUE(Untouched(buffer + ScanCommandBlockSize, buffer + sizeof buffer))
            << "written past the block";
        EXPECT_NE(0xDEADBEEF, replyLength);
        if (id != CMD_READDATA) {
            EXPECT_LE(replyLength, ScanCommandBufferSize);
        }
    }
}

// The file reader hands on whatever the file held: any number, any float
// (also "nan" and "1e99"). What reaches the core is within its ranges.
TEST(FuzzTest, SettingsFromAnyFileReachTheCoreInRange) {
    Draw draw;
    for (int round = 0; round < Rounds / 4; ++round) {
        InitCoreContextValues(true);
        SetAdjustmentDefaultsFor(true);
        AdjustmentSettings& s = GetUiGlobals()->settings;
        auto* ints = reinterpret_cast<int32_t*>(&s);
        const size_t intCount = offsetof(AdjustmentSettings, customInchWidth) / sizeof(int32_t);
        for (size_t i = 0; i < intCount; ++i)
            if (draw.Below(3) == 0) ints[i] = draw.AnyInt();
        if (draw.Below(2) == 0) s.paperSize = static_cast<int32_t>(draw.Below(22));
        if (draw.Below(2) == 0) s.resolutionId = static_cast<int32_t>(draw.Below(12));
        for (float* f : {&s.customInchWidth, &s.customInchHeight, &s.customStartInchX, &s.customStartInchY})
            if (draw.Below(2) == 0) *f = draw.AnyFloat();
        ApplyAdjustmentSettings();
        const ScanSettings& scan = GetCoreContext()->scan;
        SCOPED_TRACE("round " + std::to_string(round));
        EXPECT_TRUE(scan.brightness >= -100 && scan.brightness <= 100);
        EXPECT_TRUE(scan.contrast >= -100 && scan.contrast <= 100);
        EXPECT_TRUE(scan.sharpness >= -2 && scan.sharpness <= 3);
        EXPECT_TRUE(scan.hue >= -180 && scan.hue <= 180);
        for (int32_t v : {scan.saturation, scan.lightness}) EXPECT_TRUE(v >= -100 && v <= 100);
        for (int32_t b : scan.balance) EXPECT_TRUE(b >= -100 && b <= 100);
    }
}

// Reference: optional blanks and sign, decimal digits, saturated to 32 bits.
int64_t ReferenceProfileInt(const std::string& text) {
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos) return 0;
    const bool negative = text[i] == '-';
    if (negative || text[i] == '+') ++i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{INT32_MAX} + 1);
    value = negative ? -value : value;
    return std::clamp<int64_t>(value, INT32_MIN, INT32_MAX);
}

TEST(FuzzTest, ProfileIntegersOfAnyTextAreTheirLeadingNumber) {
    Draw draw;
    const char alphabet[] = " \t+-0123456789999xe.\x80\xff";
    for (int round = 0; round < Rounds; ++round) {
        std::string text;
        for (uint32_t n = draw.Below(24); n > 0; --n) text += alphabet[draw.Below(sizeof alphabet - 1)];
        EXPECT_EQ(ReferenceProfileInt(text), ParseProfileInt(text.c_str())) << "\"" << text << "\"";
    }
}

}  // namespace
