#include "device/command_block.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t ScannerFamily = 0x03;
constexpr uint8_t ConnectionFamily = 0x04;

void PutLe16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

void PutLe32(uint8_t* at, uint32_t value) {
    PutLe16(at, value & 0xFFFF);
    PutLe16(at + 2, value >> 16);
}

int32_t GetLe16(const uint8_t* at) { return at[0] | (at[1] << 8); }

// Writes up to three header bytes shared by every block.
void PutHeader(uint8_t* block, uint8_t family, uint8_t code, uint8_t third) {
    block[0] = family;
    block[1] = code;
    block[2] = third;
}

bool BuildAbort(uint8_t* block, const CommandParameters*, uint32_t* replyLength) {
    PutHeader(block, ScannerFamily, 0x0A, 0x00);
    *replyLength = 0;
    return true;
}

bool BuildSense(uint8_t* block, const CommandParameters*, uint32_t* replyLength) {
    PutHeader(block, ScannerFamily, 0x09, 0x01);
    *replyLength = StatusReplySize;
    return true;
}

bool BuildGetDataBufferState(uint8_t* block, const CommandParameters*, uint32_t* replyLength) {
    PutHeader(block, ScannerFamily, 0x0B, 0x08);
    *replyLength = DataBufferStateReplySize;
    return true;
}

bool BuildGetMachineState(uint8_t* block, const CommandParameters*, uint32_t* replyLength) {
    PutHeader(block, ScannerFamily, 0x0D, 0x0A);
    *replyLength = MachineStateReplySize;
    return true;
}

bool BuildReadData(uint8_t* block, const CommandParameters* parameters, uint32_t* replyLength) {
    if (parameters == nullptr) return false;
    PutHeader(block, ScannerFamily, 0x0E, 0x04);
    PutLe32(block + 6, parameters->byteCount);
    *replyLength = parameters->byteCount;
    return true;
}

bool BuildSetWindow(uint8_t* block, const CommandParameters* parameters, uint32_t* replyLength) {
    if (parameters == nullptr) return false;
    PutHeader(block, ScannerFamily, 0x0C, 0x11);
    EncodeWindowDescriptor(parameters->window, block + 6);
    *replyLength = 0;
    return true;
}

bool BuildStartScan(uint8_t* block, const CommandParameters* parameters, uint32_t* replyLength) {
    if (parameters == nullptr) return false;
    PutHeader(block, ScannerFamily, 0x08, 0x04);
    PutLe32(block + 6, parameters->totalBytes);
    block[10] = 0x01;
    *replyLength = 0;
    return true;
}

// The device sends this status by itself when a connection is made; nothing goes out.
bool BuildGetNetworkStatus(uint8_t*, const CommandParameters*, uint32_t* replyLength) {
    *replyLength = ConnectionReplySize;
    return true;
}

// Identity bytes beyond the block's end are dropped: the device reads 64 bytes.
bool BuildCheckPid(uint8_t* block, const CommandParameters* parameters, uint32_t* replyLength) {
    if (parameters == nullptr) return false;
    PutHeader(block, ConnectionFamily, 0x01, 0x00);
    uint32_t length = std::min(parameters->identityLength, CheckPidIdentityRoom);
    if (length > 0) {
        if (parameters->identity == nullptr) return false;
        memcpy(block + 3, parameters->identity, length);
    }
    *replyLength = ConnectionReplySize;
    return true;
}

bool BuildRelease(uint8_t* block, const CommandParameters*, uint32_t* replyLength) {
    PutHeader(block, ConnectionFamily, 0x03, 0x00);
    *replyLength = ConnectionReplySize;
    return true;
}

bool BuildStartKeyStatus(uint8_t* block, const CommandParameters* parameters, uint32_t* replyLength) {
    if (parameters == nullptr) return false;
    PutHeader(block, ScannerFamily, 0x0F, 0x01);
    block[6] = parameters->paperSource;
    *replyLength = StatusReplySize;
    return true;
}

bool DecodeNothing(const uint8_t*, void*, uint32_t) { return false; }

bool DecodeStatusByte(const uint8_t* reply, void* out, uint32_t outSize) {
    if (outSize != sizeof(StatusReply)) return false;
    StatusReply decoded{reply[0]};
    memcpy(out, &decoded, sizeof decoded);
    return true;
}

bool DecodeDataBufferState(const uint8_t* reply, void* out, uint32_t outSize) {
    if (outSize != sizeof(DataBufferState)) return false;
    DataBufferState decoded{GetLe16(reply), GetLe16(reply + 2), GetLe16(reply + 4), GetLe16(reply + 6)};
    memcpy(out, &decoded, sizeof decoded);
    return true;
}

// Flags 12 and 13 would lie beyond the ten bytes the device is asked for; they
// stay 0 rather than being read from outside the reply.
bool DecodeMachineState(const uint8_t* reply, void* out, uint32_t outSize) {
    if (outSize != sizeof(MachineState)) return false;
    MachineState decoded{};
    for (int bit = 0; bit < 8; ++bit) decoded.flags[bit] = (reply[0] >> bit) & 1;
    decoded.flags[8] = reply[1] & 1;
    decoded.flags[9] = (reply[1] >> 1) & 1;
    decoded.flags[10] = reply[2] & 1;
    decoded.flags[11] = (reply[2] >> 1) & 1;
    memcpy(out, &decoded, sizeof decoded);
    return true;
}

// Connection replies are 04, the reply code the command expects, then 00 or 01.
// Anything else stores 2 so a caller that ignores the result still sees no "ok".
bool DecodeConnection(const uint8_t* reply, void* out, uint32_t outSize, uint8_t expectedCode) {
    if (outSize != sizeof(StatusReply)) return false;
    bool valid = reply[0] == ConnectionFamily && reply[1] == expectedCode && reply[2] <= 1;
    StatusReply decoded{valid ? reply[2] : 2};
    memcpy(out, &decoded, sizeof decoded);
    return valid;
}

bool DecodeNetworkStatus(const uint8_t* reply, void* out, uint32_t outSize) {
    return DecodeConnection(reply, out, outSize, 0x00);
}

bool DecodeCheckPid(const uint8_t* reply, void* out, uint32_t outSize) {
    return DecodeConnection(reply, out, outSize, 0x02);
}

bool DecodeRelease(const uint8_t* reply, void* out, uint32_t outSize) {
    return DecodeConnection(reply, out, outSize, 0x04);
}

const CommandDescriptor commandTable[ScanCommandCount] = {
    {CMD_ABORT, BuildAbort, DecodeNothing},
    {CMD_SENSE, BuildSense, DecodeStatusByte},
    {CMD_GETDATABUFFERSTATE, BuildGetDataBufferState, DecodeDataBufferState},
    {CMD_GETMACHINESTATE, BuildGetMachineState, DecodeMachineState},
    {CMD_READDATA, BuildReadData, DecodeNothing},
    {CMD_SETWINDOW, BuildSetWindow, DecodeNothing},
    {CMD_STARTSCAN, BuildStartScan, DecodeNothing},
    {CMD_GETNETWORKSTATUS, BuildGetNetworkStatus, DecodeNetworkStatus},
    {CMD_CHECKPID, BuildCheckPid, DecodeCheckPid},
    {CMD_RELEASE, BuildRelease, DecodeRelease},
    {CMD_STARTKEYSTATUS, BuildStartKeyStatus, DecodeStatusByte},
};

bool IsKnownCommand(int32_t id) { return id >= 0 && id < ScanCommandCount; }

}  // namespace

const CommandDescriptor* GetCommandTable() { return commandTable; }

bool BuildCommand(int32_t id, uint8_t* block, uint32_t capacity, const CommandParameters* parameters,
                  uint32_t* replyLength) {
    if (!IsKnownCommand(id) || block == nullptr || replyLength == nullptr) return false;
    if (capacity < ScanCommandBlockSize) return false;
    uint8_t built[ScanCommandBlockSize] = {};
    uint32_t length = 0;
    if (!commandTable[id].build(built, parameters, &length)) return false;
    memcpy(block, built, sizeof built);
    *replyLength = length;
    return true;
}

bool ParseReply(int32_t id, const uint8_t* reply, void* out, uint32_t outSize) {
    if (!IsKnownCommand(id) || reply == nullptr || out == nullptr) return false;
    return commandTable[id].decode(reply, out, outSize);
}

void EncodeWindowDescriptor(const WindowDescriptor& window, uint8_t* out17) {
    out17[0] = window.reso;
    out17[1] = window.scanType;
    out17[2] = window.brightness;
    out17[3] = window.origSize;
    PutLe16(out17 + 4, window.x);
    PutLe16(out17 + 6, window.y);
    PutLe16(out17 + 8, window.width);
    PutLe16(out17 + 10, window.length);
    out17[12] = window.paperSource;
    PutLe16(out17 + 13, window.xResolution);
    PutLe16(out17 + 15, window.yResolution);
}
