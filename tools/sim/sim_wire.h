// The device's view of the wire: decoding the 64-byte command blocks it receives
// and encoding the replies it sends. Pure functions, no input or output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sim/sim_chart.h"

namespace tarvik_sim {

inline constexpr size_t kBlockSize = 64;
inline constexpr size_t kConnectionStatusSize = 3;
inline constexpr size_t kBufferStateSize = 8;
inline constexpr size_t kMachineStateSize = 10;

// Every command the device tells apart, plus the unasked connection status it
// sends itself (`Status`) and anything it does not understand (`Unknown`).
enum class CommandKind {
    Abort,
    Sense,
    GetDataBufferState,
    GetMachineState,
    ReadData,
    SetWindow,
    StartScan,
    Status,
    CheckPid,
    Release,
    StartKeyStatus,
    Unknown,
};
inline constexpr int kCommandKindCount = static_cast<int>(CommandKind::Unknown) + 1;

// A decoded block; only the fields of its kind are meaningful.
struct Command {
    CommandKind kind = CommandKind::Unknown;
    uint32_t count = 0;             // ReadData: bytes asked for; StartScan: total the host expects
    ChartWindow window;             // SetWindow
    uint8_t brightness = 0;         // SetWindow: 1..201
    uint8_t paperSource = 0;        // SetWindow, StartKeyStatus
    uint8_t startFlag = 0;          // StartScan byte 10
    std::vector<uint8_t> identity;  // CheckPid: block bytes 3..63
    uint8_t head[8] = {};           // first bytes of the block, for the log
};

// The log name of a kind, e.g. "SCAN_SENSE"; "UNKNOWN" for Unknown.
const char* CommandName(CommandKind kind);

// Parses a command name as given on the command line ("sense", "SCAN_SENSE",
// "readdata", "status", ...), case-insensitive; false when unknown.
bool ParseCommandName(std::string_view text, CommandKind* kind);

// Decodes one 64-byte block; blocks it does not recognise give kind Unknown.
Command DecodeCommand(const uint8_t (&block)[kBlockSize]);

// The identity the device accepts: 02, "Tarvik4100", 0, "MorvelTarvik4100", 0.
const std::vector<uint8_t>& ExpectedIdentity();

// Whether the identity bytes of a CHECKPID block name this device: the expected
// bytes followed by zeros only.
bool IdentityMatches(const std::vector<uint8_t>& identity);

// 04, reply code, status byte.
std::vector<uint8_t> EncodeConnectionStatus(uint8_t replyCode, uint8_t status);

// Four 16-bit little-endian values: logic width, logic height, actual width, actual height.
std::vector<uint8_t> EncodeBufferState(const ChartGeometry& geometry);

// Ten bytes: byte 0 bit 0 feeder present, bit 7 two-sided possible; byte 1 bit 0 paper loaded.
std::vector<uint8_t> EncodeMachineState(bool feeder, bool duplex, bool paperLoaded);

// One log line (without newline) describing a received command.
std::string DescribeCommand(const Command& command, uint64_t connection);

}  // namespace tarvik_sim
