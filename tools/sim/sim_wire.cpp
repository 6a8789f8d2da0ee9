#include "tools/sim/sim_wire.h"

#include <cctype>
#include <cstdio>

namespace tarvik_sim {
namespace {

struct NameRow {
    CommandKind kind;
    const char* logName;
    const char* shortName;
};

constexpr NameRow kNames[] = {
    {CommandKind::Abort, "SCAN_ABORT", "abort"},
    {CommandKind::Sense, "SCAN_SENSE", "sense"},
    {CommandKind::GetDataBufferState, "SCAN_GETDATABUFFERSTATE", "getdatabufferstate"},
    {CommandKind::GetMachineState, "SCAN_GETMACHINESTATE", "getmachinestate"},
    {CommandKind::ReadData, "SCAN_READDATA", "readdata"},
    {CommandKind::SetWindow, "SCAN_SETWINDOW", "setwindow"},
    {CommandKind::StartScan, "SCAN_STARTSCAN", "startscan"},
    {CommandKind::Status, "SCAN_GETNETWORKSTATUS", "status"},
    {CommandKind::CheckPid, "SCAN_CHECKPID", "checkpid"},
    {CommandKind::Release, "SCAN_RELEASE", "release"},
    {CommandKind::StartKeyStatus, "SCAN_STARTKEYSTATUS", "startkeystatus"},
    {CommandKind::Unknown, "UNKNOWN", "unknown"},
};

// Little-endian fields of the blocks and replies.
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

// ASCII comparison without case, for command names typed by people.
bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Scanner commands (block byte 0 = 03), by their command byte.
void DecodeScannerCommand(const uint8_t (&b)[kBlockSize], Command& c) {
    switch (b[1]) {
        case 0x0A:
            c.kind = CommandKind::Abort;
            break;
        case 0x09:
            c.kind = CommandKind::Sense;
            break;
        case 0x0B:
            c.kind = CommandKind::GetDataBufferState;
            break;
        case 0x0D:
            c.kind = CommandKind::GetMachineState;
            break;
        case 0x0E:
            c.kind = CommandKind::ReadData;
            c.count = Le32(b + 6);
            break;
        case 0x0C:
            c.kind = CommandKind::SetWindow;
            c.window.resolutionCode = b[6];
            c.window.scanType = b[7];
            c.brightness = b[8];
            c.window.paperCode = b[9];
            c.window.x = Le16(b + 10);
            c.window.y = Le16(b + 12);
            c.window.width = Le16(b + 14);
            c.window.length = Le16(b + 16);
            c.paperSource = b[18];
            c.window.xResolution = Le16(b + 19);
            break;
        case 0x08:
            c.kind = CommandKind::StartScan;
            c.count = Le32(b + 6);
            c.startFlag = b[10];
            break;
        case 0x0F:
            c.kind = CommandKind::StartKeyStatus;
            c.paperSource = b[6];
            break;
        default:
            break;
    }
}

}  // namespace

const char* CommandName(CommandKind kind) {
    for (const NameRow& row : kNames)
        if (row.kind == kind) return row.logName;
    return "UNKNOWN";
}

bool ParseCommandName(std::string_view text, CommandKind* kind) {
    for (const NameRow& row : kNames) {
        if (row.kind == CommandKind::Unknown) continue;
        if (EqualsIgnoringCase(text, row.shortName) || EqualsIgnoringCase(text, row.logName)) {
            *kind = row.kind;
            return true;
        }
    }
    return false;
}

Command DecodeCommand(const uint8_t (&block)[kBlockSize]) {
    Command c;
    for (size_t i = 0; i < sizeof(c.head); ++i) c.head[i] = block[i];
    if (block[0] == 0x03) {
        DecodeScannerCommand(block, c);
    } else if (block[0] == 0x04 && block[2] == 0x00) {
        if (block[1] == 0x01) {
            c.kind = CommandKind::CheckPid;
            c.identity.assign(block + 3, block + kBlockSize);
        } else if (block[1] == 0x03) {
            c.kind = CommandKind::Release;
        }
    }
    return c;
}

const std::vector<uint8_t>& ExpectedIdentity() {
    static const std::vector<uint8_t> identity = [] {
        std::vector<uint8_t> v{0x02};
        for (char ch : std::string_view("Tarvik4100")) v.push_back(static_cast<uint8_t>(ch));
        v.push_back(0);
        for (char ch : std::string_view("MorvelTarvik4100")) v.push_back(static_cast<uint8_t>(ch));
        v.push_back(0);
        return v;
    }();
    return identity;
}

bool IdentityMatches(const std::vector<uint8_t>& identity) {
    const std::vector<uint8_t>& expected = ExpectedIdentity();
    if (identity.size() < expected.size()) return false;
    for (size_t i = 0; i < identity.size(); ++i) {
        const uint8_t want = i < expected.size() ? expected[i] : 0;
        if (identity[i] != want) return false;
    }
    return true;
}

std::vector<uint8_t> EncodeConnectionStatus(uint8_t replyCode, uint8_t status) {
    return {0x04, replyCode, status};
}

std::vector<uint8_t> EncodeBufferState(const ChartGeometry& g) {
    std::vector<uint8_t> out;
    PutLe16(out, g.logicWidth);
    PutLe16(out, g.logicHeight);
    PutLe16(out, g.actualWidth);
    PutLe16(out, g.actualHeight);
    return out;
}

std::vector<uint8_t> EncodeMachineState(bool feeder, bool duplex, bool paperLoaded) {
    std::vector<uint8_t> out(kMachineStateSize, 0);
    out[0] = static_cast<uint8_t>((feeder ? 0x01 : 0) | (feeder && duplex ? 0x80 : 0));
    out[1] = static_cast<uint8_t>(feeder && paperLoaded ? 0x01 : 0);
    return out;
}

std::string DescribeCommand(const Command& c, uint64_t connection) {
    char text[256];
    const unsigned long long conn = connection;
    switch (c.kind) {
        case CommandKind::ReadData:
            std::snprintf(text, sizeof(text), "%s conn=%llu count=%u", CommandName(c.kind), conn, c.count);
            break;
        case CommandKind::StartScan:
            std::snprintf(text, sizeof(text), "%s conn=%llu total=%u flag=%u", CommandName(c.kind), conn,
                          c.count, c.startFlag);
            break;
        case CommandKind::SetWindow:
            std::snprintf(text, sizeof(text),
                          "%s conn=%llu reso=%u type=%u brightness=%u paper=%u x=%u y=%u width=%u length=%u "
                          "source=%u xres=%u",
                          CommandName(c.kind), conn, c.window.resolutionCode, c.window.scanType, c.brightness,
                          c.window.paperCode, c.window.x, c.window.y, c.window.width, c.window.length,
                          c.paperSource, c.window.xResolution);
            break;
        case CommandKind::StartKeyStatus:
            std::snprintf(text, sizeof(text), "%s conn=%llu source=%u", CommandName(c.kind), conn,
                          c.paperSource);
            break;
        case CommandKind::CheckPid:
            std::snprintf(text, sizeof(text), "%s conn=%llu match=%d", CommandName(c.kind), conn,
                          IdentityMatches(c.identity) ? 1 : 0);
            break;
        case CommandKind::Unknown:
            std::snprintf(text, sizeof(text), "UNKNOWN conn=%llu head=%02x%02x%02x%02x%02x%02x%02x%02x", conn,
                          c.head[0], c.head[1], c.head[2], c.head[3], c.head[4], c.head[5], c.head[6],
                          c.head[7]);
            break;
        default:
            std::snprintf(text, sizeof(text), "%s conn=%llu", CommandName(c.kind), conn);
            break;
    }
    return text;
}

}  // namespace tarvik_sim
