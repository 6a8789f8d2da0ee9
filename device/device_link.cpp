#include "device/device_link.h"

#include <algorithm>
#include <cstring>

#include "core/core_context.h"
#include "core/ui_callbacks.h"
#include "device/device_ops.h"
#include "device/device_status.h"
#include "device/discovery.h"
#include "device/timed_io.h"
#include "device/transport.h"

namespace {

uint8_t linkTimeout = LinkTimeoutSeconds;

void ReportIf(int reportFlag) {
    if (reportFlag == 1) UiReportDeviceStatus(DEVSTATUS_FAILED);
}

// Tears down a transport that never became the open link's.
int GiveUp(Transport* transport) {
    TransportDestroy(transport);
    GetCoreContext()->openTransport = nullptr;
    return 1;
}

// Tries the device under each of its product ids in turn.
int OpenUsb(int reportFlag) {
    const DeviceLink& link = GetCoreContext()->link;
    Transport* transport = TransportCreate(TRANSPORT_USB);
    if (transport == nullptr) {
        ReportIf(reportFlag);
        return 1;
    }
    GetCoreContext()->openTransport = transport;
    TransportSetUsbIds(transport, link.vendorId, link.productId);
    TransportSetPipes(transport, static_cast<int32_t>(link.writePipeIndex),
                      static_cast<int32_t>(link.readPipeIndex));
    TransportSetTimeout(transport, GetLinkTimeout());
    for (uint32_t productId :
         {link.productId, uint32_t{DeviceProductIdSecond}, uint32_t{DeviceProductIdThird}}) {
        TransportSetUsbIds(transport, link.vendorId, productId);
        if (TransportOpen(transport)) return 0;
    }
    ReportIf(reportFlag);
    return GiveUp(transport);
}

// Connects, reads the status the device sends unasked, then introduces the
// source. The status operations report their own failures.
int OpenNetwork(int reportFlag) {
    const DeviceLink& link = GetCoreContext()->link;
    Transport* transport = TransportCreate(TRANSPORT_NETWORK);
    if (transport == nullptr) {
        ReportIf(reportFlag);
        return 1;
    }
    GetCoreContext()->openTransport = transport;
    TransportSetHost(transport, link.address, link.port, 0);
    TransportSetTimeout(transport, GetLinkTimeout());
    if (!TransportOpen(transport)) {
        ReportIf(reportFlag);
        return GiveUp(transport);
    }
    if (SCAN_GETNETWORKSTATUS(ReportAll) != DEVSTATUS_OK) return GiveUp(transport);
    if (SCAN_CHECKPID(ReportAll) != DEVSTATUS_OK) return GiveUp(transport);
    return 0;
}

}  // namespace

uint8_t GetLinkTimeout() { return linkTimeout; }
void SetLinkTimeout(uint8_t seconds) { linkTimeout = seconds == 0 ? LinkTimeoutSeconds : seconds; }

int OpenDevice(int reportFlag) {
    CoreContext* context = GetCoreContext();
    if (context->openTransport != nullptr) return 0;
    switch (context->transportKindSetting) {
        case TRANSPORT_USB:
            return OpenUsb(reportFlag);
        case TRANSPORT_NETWORK:
            return OpenNetwork(reportFlag);
        default:
            return 0;  // no transport: every device operation then fails
    }
}

// Goes by the open object's own kind, so a kind changed while the link was
// open cannot leave the transport behind.
int CloseDevice() {
    CoreContext* context = GetCoreContext();
    Transport* transport = context->openTransport;
    if (transport == nullptr) return 0;
    if (transport->kind == TRANSPORT_NETWORK) SCAN_RELEASE();
    TransportClose(transport);
    TransportDestroy(transport);
    context->openTransport = nullptr;
    EndIdleIoWorker();
    return 0;
}

// The search borrows the link's transport slot: creating a network object
// starts the socket library, closing the link stops it again.
DiscoveredHost* DiscoverDevices(const uint8_t* request, uint32_t length, int32_t* count) {
    if (count != nullptr) *count = 0;
    CoreContext* context = GetCoreContext();
    if (count == nullptr || context->openTransport != nullptr) return nullptr;
    context->openTransport = TransportCreate(TRANSPORT_NETWORK);
    DiscoveredHost* hosts = DiscoverHosts(count, request, length);
    CloseDevice();
    return hosts;
}

int SetLinkUsbParameters(uint32_t vendorId, uint32_t productId, uint32_t writePipe, uint32_t readPipe) {
    DeviceLink& link = GetCoreContext()->link;
    link.vendorId = vendorId;
    link.productId = productId;
    link.writePipeIndex = writePipe;
    link.readPipeIndex = readPipe;
    return 1;
}

int SetLinkPort(uint16_t port) {
    GetCoreContext()->link.port = port;
    return 1;
}

// Reads no further than the text's NUL and always leaves the field terminated,
// since it is later handed on as a C string.
int SetLinkAddress(const char* address20) {
    DeviceLink& link = GetCoreContext()->link;
    memset(link.address, 0, sizeof link.address);
    if (address20 != nullptr) memcpy(link.address, address20, strnlen(address20, sizeof link.address - 1));
    return 1;
}

int SetLinkIdentity(const uint8_t* bytes, uint32_t length) {
    if (length > DeviceLinkIdentityMax || (length > 0 && bytes == nullptr)) return 0;
    DeviceLink& link = GetCoreContext()->link;
    if (length > 0) memcpy(link.identity, bytes, length);
    link.identityLength = length;
    return 1;
}
