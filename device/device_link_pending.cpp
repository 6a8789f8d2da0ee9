// The device link before the transports exist: the record and its setters are
// real, but no device can be reached, so every operation reports status 1.
#include <cstring>

#include "core/core_context.h"
#include "core/ui_callbacks.h"
#include "device/device_link.h"
#include "device/device_ops.h"

namespace {
constexpr DeviceStatus NoDevice = 1;
}

int OpenDevice(int reportFlag) {
    if (reportFlag == 1) UiReportDeviceStatus(NoDevice);
    return 1;
}

int CloseDevice() { return 0; }

int SetLinkUsbParameters(uint32_t vendorId, uint32_t productId, uint32_t writePipe, uint32_t readPipe) {
    DeviceLink* link = GetDeviceLink();
    link->vendorId = vendorId;
    link->productId = productId;
    link->writePipeIndex = writePipe;
    link->readPipeIndex = readPipe;
    return 1;
}

int SetLinkPort(uint16_t port) {
    GetDeviceLink()->port = port;
    return 1;
}

int SetLinkAddress(const char* address20) {
    if (address20 != nullptr) memcpy(GetDeviceLink()->address, address20, sizeof GetDeviceLink()->address);
    return 1;
}

int SetLinkIdentity(const uint8_t* bytes, uint32_t length) {
    if (bytes == nullptr || length > DeviceLinkIdentityMax) return 1;
    memcpy(GetDeviceLink()->identity, bytes, length);
    GetDeviceLink()->identityLength = length;
    return 1;
}

DeviceStatus SCAN_STARTSCAN(uint32_t) { return NoDevice; }
DeviceStatus SCAN_ABORT() { return NoDevice; }
DeviceStatus SCAN_GETDATABUFFERSTATE() { return NoDevice; }
DeviceStatus SCAN_SETWINDOW() { return NoDevice; }
DeviceStatus SCAN_GETMACHINESTATE() { return NoDevice; }
DeviceStatus SCAN_READDATA(uint8_t*, uint32_t) { return NoDevice; }
DeviceStatus SCAN_SENSE(int) { return NoDevice; }
DeviceStatus SCAN_CHECKPID(int) { return NoDevice; }
DeviceStatus SCAN_RELEASE() { return NoDevice; }
DeviceStatus SCAN_GETNETWORKSTATUS(int) { return NoDevice; }
DeviceStatus SCAN_STARTKEYSTATUS(int) { return NoDevice; }
