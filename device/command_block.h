// The device's command packets and the records its replies decode into. Pure
// byte work, no I/O: the device operations send what is built here and hand the
// bytes they read back to the decoders.
#pragma once

#include <cstdint>

// Every command travels as one block of exactly this many bytes.
constexpr uint32_t ScanCommandBlockSize = 64;
// Callers build into a buffer of this size and send its first 64 bytes.
constexpr uint32_t ScanCommandBufferSize = 256;
constexpr uint32_t WindowDescriptorSize = 17;
// Identity bytes that fit behind the three header bytes of a connection block.
constexpr uint32_t CheckPidIdentityRoom = ScanCommandBlockSize - 3;

enum ScanCommandId : int32_t {
    CMD_ABORT = 0,
    CMD_SENSE = 1,
    CMD_GETDATABUFFERSTATE = 2,
    CMD_GETMACHINESTATE = 3,
    CMD_READDATA = 4,
    CMD_SETWINDOW = 5,
    CMD_STARTSCAN = 6,
    CMD_GETNETWORKSTATUS = 7,
    CMD_CHECKPID = 8,
    CMD_RELEASE = 9,
    CMD_STARTKEYSTATUS = 10,
};
constexpr int32_t ScanCommandCount = 11;

// The scan window as the device reads it; lengths in 1/600 inch.
struct WindowDescriptor {
    uint8_t reso;        // 0 = 150, 1 = 300, 2 = 600 dpi, 3 = xResolution; FF preview
    uint8_t scanType;    // pixel type: 0/1 black and white, 2 grey, 3 colour
    uint8_t brightness;  // -100..100 sent as 1..201
    uint8_t origSize;    // paper size code; FF custom area
    uint16_t x;
    uint16_t y;
    uint16_t width;
    uint16_t length;
    uint8_t paperSource;  // 0 flatbed, 1 feeder, 2 feeder both sides
    uint16_t xResolution;
    uint16_t yResolution;
};

// What the builders that need input take; each reads only its own fields.
struct CommandParameters {
    uint32_t byteCount;       // SCAN_READDATA
    WindowDescriptor window;  // SCAN_SETWINDOW
    uint32_t totalBytes;      // SCAN_STARTSCAN
    const uint8_t* identity;  // SCAN_CHECKPID
    uint32_t identityLength;
    uint8_t paperSource;  // SCAN_STARTKEYSTATUS
};

// Decoded one-byte status (sense, start key) and connection status replies.
struct StatusReply {
    int32_t value;
};

struct DataBufferState {
    int32_t logicWidth;   // pixels per line the device sends
    int32_t logicHeight;  // lines the device sends
    int32_t actualWidth;  // pixels of the image in each line
    int32_t actualHeight;
};

constexpr int MachineStateFlagCount = 14;
constexpr int MachineFlagAdfEnable = 0;
constexpr int MachineFlagDuplexEnable = 7;
constexpr int MachineFlagAdfSetDoc = 8;

struct MachineState {
    uint8_t flags[MachineStateFlagCount];  // each 0 or 1
};

// Reply sizes in bytes as the device sends them.
constexpr uint32_t StatusReplySize = 1;
constexpr uint32_t DataBufferStateReplySize = 8;
constexpr uint32_t MachineStateReplySize = 10;
constexpr uint32_t ConnectionReplySize = 3;

using CommandBuilder = bool (*)(uint8_t* block, const CommandParameters* parameters, uint32_t* replyLength);
using ReplyDecoder = bool (*)(const uint8_t* reply, void* out, uint32_t outSize);

struct CommandDescriptor {
    int32_t id;
    CommandBuilder build;
    ReplyDecoder decode;
};

// The eleven rows, indexed by command id.
const CommandDescriptor* GetCommandTable();

// Zeroes block bytes 0..63 and writes command `id` with its parameters; stores
// the number of reply bytes to read. False (block untouched) for an unknown id,
// a missing buffer or output, a capacity below 64, or missing parameters.
bool BuildCommand(int32_t id, uint8_t* block, uint32_t capacity, const CommandParameters* parameters,
                  uint32_t* replyLength);

// Decodes the reply of command `id` into `out`, whose size must be exactly that
// of the command's record. False for an unknown id, missing pointers, a wrong
// size, a command without a reply, or bytes the device may not send.
bool ParseReply(int32_t id, const uint8_t* reply, void* out, uint32_t outSize);

// Writes the 17 descriptor bytes (16-bit fields little-endian).
void EncodeWindowDescriptor(const WindowDescriptor& window, uint8_t* out17);
