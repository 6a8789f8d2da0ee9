// Device operations: one command block out, the reply in, each bounded by the
// transport's time-out. Results are DeviceStatus codes, 0 for success.
#pragma once

#include <cstdint>

using DeviceStatus = int32_t;

// Report modes of the operations that take one.
constexpr int ReportNothing = 0;
constexpr int ReportAll = 1;
constexpr int ReportAllButCoverOpen = 2;

DeviceStatus SCAN_STARTSCAN(uint32_t totalBytes);
DeviceStatus SCAN_ABORT();
DeviceStatus SCAN_GETDATABUFFERSTATE();
DeviceStatus SCAN_SETWINDOW();
DeviceStatus SCAN_GETMACHINESTATE();
DeviceStatus SCAN_READDATA(uint8_t* destination, uint32_t count);
DeviceStatus SCAN_SENSE(int reportMode);
DeviceStatus SCAN_CHECKPID(int reportMode);
DeviceStatus SCAN_RELEASE();
DeviceStatus SCAN_GETNETWORKSTATUS(int reportMode);
DeviceStatus SCAN_STARTKEYSTATUS(int reportMode);
