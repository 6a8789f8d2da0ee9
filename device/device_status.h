// The meaning of the device's one-byte replies and the rule of the report modes.
#pragma once

#include <cstdint>

#include "device/command_block.h"
#include "device/device_ops.h"

constexpr DeviceStatus DEVSTATUS_OK = 0;
constexpr DeviceStatus DEVSTATUS_FAILED = 1;        // no device, failed exchange, odd reply
constexpr DeviceStatus DEVSTATUS_SENSE_NOTICE = 2;  // sense reply 3
constexpr DeviceStatus DEVSTATUS_COVER_OPEN = 3;    // sense or key reply 1
constexpr DeviceStatus DEVSTATUS_DEVICE_FAULT = 4;  // sense or key reply 2
constexpr DeviceStatus DEVSTATUS_NO_PAPER = 5;      // raised by callers: feeder empty
constexpr DeviceStatus DEVSTATUS_DATA_ERROR = 6;    // data cannot be requested or read
constexpr DeviceStatus DEVSTATUS_STOP_KEY = 7;      // key reply 3

// What a status reply means: the status to return, and whether the scan must be
// aborted on the device first.
struct ReplyOutcome {
    DeviceStatus status;
    bool abort;
};

// SCAN_SENSE: 0 ok; 1 and 2 abort; 3 is a warning that needs no abort; others abort.
ReplyOutcome SenseOutcome(int32_t reply);
// SCAN_STARTKEYSTATUS: 0 ok; everything else aborts the scan.
ReplyOutcome StartKeyOutcome(int32_t reply);
// Whether a SCAN_STARTKEYSTATUS result says a key on the device was pressed
// (its stop key, reply 1, or a job started at its panel, reply 3): the scan
// then ends as cancelled. A poll that failed or found a fault is a device failure.
bool IsDeviceKeyPress(DeviceStatus status);
// True when an operation in `reportMode` must show `status` to the user.
bool ShouldReport(int reportMode, DeviceStatus status);

// The largest raw image the source accepts from the device: the buffers built
// from it (twice the raw size plus headers) must still fit a 32-bit process.
constexpr int64_t MaxDeviceImageBytes = int64_t{1} << 30;

// False for a buffer state the scan cannot be built on: an empty image, an
// image wider or taller than the lines the device sends (the line repacking
// would read past each line), or a raw image beyond MaxDeviceImageBytes.
bool IsUsableBufferState(const DataBufferState& state);
