// The USB row and the transport table on a simulated bus of still-image
// devices: enumeration order, id matching, pipes, closing, and devices that
// answer, fall silent or misbehave.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/core_context.h"
#include "core/ui_callbacks.h"
#include "device/device_link.h"
#include "device/device_ops.h"
#include "device/net_transport.h"
#include "device/timed_io.h"
#include "device/transport.h"
#include "device/usb_transport.h"
#include "tests/win/fake_device.h"

namespace {

struct SimDevice {
    int index;
    uint16_t vendorId;
    uint16_t productId;
    std::vector<int> failingPipes;
};

struct SimHandle {
    int index;
    int pipe;
    int closes;
};

// The bus: what is attached, and everything the USB row did to it.
struct SimBus {
    std::vector<SimDevice> devices;
    std::map<uintptr_t, SimHandle> handles;
    uintptr_t nextHandle = 0x1000;
    int openCalls = 0;
    std::vector<std::string> opened;
    std::vector<std::pair<int, Bytes>> writes;  // pipe, bytes
    std::deque<uint8_t> pending;
    std::atomic<bool> silent{false};
    bool oversizedRead = false;
    std::atomic<bool> deaf{false};    // a cancel does not wake a silent read
    std::atomic<int> lateReturns{0};  // silent reads that came back after the caller gave up
    int cancels = 0;
    HANDLE cancelEvent = nullptr;
};

SimBus* bus = nullptr;
std::vector<int32_t> reports;
void RecordReport(int32_t status) { reports.push_back(status); }

SimHandle* Find(HANDLE handle) {
    auto it = bus->handles.find(reinterpret_cast<uintptr_t>(handle));
    return it == bus->handles.end() ? nullptr : &it->second;
}

const SimDevice* DeviceAt(int index) {
    for (const SimDevice& device : bus->devices)
        if (device.index == index) return &device;
    return nullptr;
}

HANDLE SimOpenPath(const char* path) {
    ++bus->openCalls;
    int index = -1;
    int pipe = -1;
    if (sscanf(path, "\\\\.\\Usbscan%d\\%d", &index, &pipe) != 2) return INVALID_HANDLE_VALUE;
    const SimDevice* device = DeviceAt(index);
    if (device == nullptr) return INVALID_HANDLE_VALUE;
    for (int failing : device->failingPipes)
        if (failing == pipe) return INVALID_HANDLE_VALUE;
    bus->opened.push_back(path);
    uintptr_t value = bus->nextHandle++;
    bus->handles[value] = SimHandle{index, pipe, 0};
    return reinterpret_cast<HANDLE>(value);
}

BOOL SimIoControl(HANDLE handle, DWORD code, void* out, DWORD outSize, DWORD* returned) {
    SimHandle* h = Find(handle);
    if (h == nullptr || h->closes > 0 || code != IoctlGetDeviceDescriptor || outSize < 8) return FALSE;
    const SimDevice* device = DeviceAt(h->index);
    uint16_t descriptor[4] = {device->vendorId, device->productId, 0x0100, 0x0409};
    memcpy(out, descriptor, sizeof descriptor);
    *returned = sizeof descriptor;
    return TRUE;
}

BOOL SimWritePipe(HANDLE handle, const void* buffer, DWORD count, DWORD* put) {
    SimHandle* h = Find(handle);
    if (h == nullptr || h->closes > 0) return FALSE;
    Bytes block(static_cast<const uint8_t*>(buffer), static_cast<const uint8_t*>(buffer) + count);
    bus->writes.emplace_back(h->pipe, block);
    if (count == 64) {
        FakeReply reply = HealthyReply(block);
        bus->pending.insert(bus->pending.end(), reply.bytes.begin(), reply.bytes.end());
    }
    *put = count;
    return TRUE;
}

// Hands out what the device has queued, at most 1000 bytes at a time; a silent
// device blocks until the caller cancels the read.
BOOL SimReadPipe(HANDLE handle, void* buffer, DWORD count, DWORD* got) {
    SimHandle* h = Find(handle);
    if (h == nullptr || h->closes > 0) return FALSE;
    if (bus->silent) {
        WaitForSingleObject(bus->cancelEvent, 10000);
        if (bus->deaf) {
            // Late data, for a caller that has long given up.
            memset(buffer, 0x11, std::min<DWORD>(count, 1000));
            *got = std::min<DWORD>(count, 1000);
            ++bus->lateReturns;
            return TRUE;
        }
        SetLastError(ERROR_OPERATION_ABORTED);
        return FALSE;
    }
    DWORD n = std::min<DWORD>({count, 1000, static_cast<DWORD>(bus->pending.size())});
    for (DWORD i = 0; i < n; ++i) {
        static_cast<uint8_t*>(buffer)[i] = bus->pending.front();
        bus->pending.pop_front();
    }
    *got = bus->oversizedRead ? count + 1 : n;
    return TRUE;
}

BOOL SimCloseHandle(HANDLE handle) {
    SimHandle* h = Find(handle);
    if (h == nullptr) return FALSE;
    ++h->closes;
    return TRUE;
}

BOOL SimCancelThreadIo(HANDLE) {
    ++bus->cancels;
    if (!bus->deaf) SetEvent(bus->cancelEvent);
    return TRUE;
}

class DeviceUsbTest : public ::testing::Test {
   protected:
    void SetUp() override {
        bus = &simBus;
        simBus.cancelEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        *GetUsbPlatformCalls() = UsbPlatformCalls{SimOpenPath,  SimIoControl,   SimReadPipe,
                                                  SimWritePipe, SimCloseHandle, SimCancelThreadIo};
        InitCoreContextValues(true);
        SetTransportKind(TRANSPORT_USB);
        SetLinkUsbParameters(DeviceVendorId, DeviceProductIdFirst, 0, 2);
        SetLinkTimeout(1);
        reports.clear();
        *GetUiCallbacks() = UiCallbackTable{};
        GetUiCallbacks()->ReportDeviceStatus = RecordReport;
    }
    void TearDown() override {
        CloseDevice();
        SetLinkTimeout(0);
        ResetUsbPlatformCalls();
        *GetUiCallbacks() = UiCallbackTable{};
        CloseHandle(simBus.cancelEvent);
        bus = nullptr;
    }
    // Every handle the row opened was closed exactly once.
    void ExpectAllClosedOnce() {
        for (const auto& [value, handle] : simBus.handles)
            EXPECT_EQ(1, handle.closes) << "handle of Usbscan" << handle.index << " pipe " << handle.pipe;
    }
    Transport* NewUsb(uint16_t productId, int32_t writePipe = 0, int32_t readPipe = 2) {
        Transport* transport = TransportCreate(TRANSPORT_USB);
        TransportSetUsbIds(transport, DeviceVendorId, productId);
        TransportSetPipes(transport, writePipe, readPipe);
        return transport;
    }

    SimBus simBus;
};

TEST_F(DeviceUsbTest, FirstMatchingDeviceInIndexOrderIsOpened) {
    simBus.devices = {{1, 0x1234, DeviceProductIdFirst, {}},
                      {4, DeviceVendorId, 0x9999, {}},
                      {7, DeviceVendorId, DeviceProductIdFirst, {}},
                      {9, DeviceVendorId, DeviceProductIdFirst, {}}};
    Transport* transport = NewUsb(DeviceProductIdFirst, 1, 2);
    ASSERT_EQ(1, TransportOpen(transport));
    const std::vector<std::string> expected = {"\\\\.\\Usbscan1\\0", "\\\\.\\Usbscan4\\0",
                                               "\\\\.\\Usbscan7\\0", "\\\\.\\Usbscan7\\1",
                                               "\\\\.\\Usbscan7\\2"};
    EXPECT_EQ(expected, simBus.opened);
    EXPECT_EQ(10, simBus.openCalls);
    TransportDestroy(transport);
    ExpectAllClosedOnce();
}

TEST_F(DeviceUsbTest, EachProductIdIsTriedInTurnOverTheWholeBus) {
    struct Case {
        uint16_t productId;
        int openCalls;  // control opens of the enumerations plus the read pipe
    };
    const Case cases[] = {{DeviceProductIdFirst, 4 + 1},
                          {DeviceProductIdSecond, UsbscanIndexLimit + 4 + 1},
                          {DeviceProductIdThird, 2 * UsbscanIndexLimit + 4 + 1}};
    for (const Case& c : cases) {
        simBus.devices = {{3, DeviceVendorId, c.productId, {}}};
        simBus.openCalls = 0;
        simBus.handles.clear();
        ASSERT_EQ(0, OpenDevice(1)) << c.productId;
        EXPECT_EQ(c.openCalls, simBus.openCalls) << c.productId;
        EXPECT_EQ(0, SCAN_SENSE(ReportAll));
        EXPECT_EQ(0, CloseDevice());
        ExpectAllClosedOnce();
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(DeviceUsbTest, NoMatchingDeviceFailsAfterThreeFullEnumerations) {
    simBus.devices = {{0, DeviceVendorId, 0x4200, {}}, {2, 0x0001, DeviceProductIdFirst, {}}};
    EXPECT_EQ(1, OpenDevice(1));
    EXPECT_EQ(3 * UsbscanIndexLimit, simBus.openCalls);
    EXPECT_EQ(nullptr, GetCoreContext()->openTransport);
    EXPECT_EQ(std::vector<int32_t>{1}, reports);
    ExpectAllClosedOnce();
    reports.clear();
    EXPECT_EQ(1, OpenDevice(0));
    EXPECT_TRUE(reports.empty());
}

TEST_F(DeviceUsbTest, CommandsGoToTheControlHandleWhenTheWritePipeIsZero) {
    simBus.devices = {{0, DeviceVendorId, DeviceProductIdFirst, {}}};
    ASSERT_EQ(0, OpenDevice(1));
    EXPECT_EQ(0, SCAN_GETMACHINESTATE());
    EXPECT_EQ(1, GetFeederState()->adfLoaded);
    ASSERT_EQ(1u, simBus.writes.size());
    EXPECT_EQ(0, simBus.writes[0].first);
    EXPECT_EQ(0x0D, simBus.writes[0].second[1]);
    CloseDevice();
    EXPECT_EQ(2u, simBus.handles.size());  // control (also the write handle) and read pipe
    ExpectAllClosedOnce();
}

TEST_F(DeviceUsbTest, ReadPipeThatFailsToOpenShowsUpOnTheFirstRead) {
    simBus.devices = {{0, DeviceVendorId, DeviceProductIdFirst, {2}}};
    ASSERT_EQ(0, OpenDevice(1));
    EXPECT_EQ(1, SCAN_SENSE(ReportAll));
    EXPECT_EQ(std::vector<int32_t>{1}, reports);
    ASSERT_EQ(1u, simBus.writes.size());  // the sense block, and no abort after it
    CloseDevice();
    ExpectAllClosedOnce();
}

TEST_F(DeviceUsbTest, CloseTwiceClosesOnceAndTheObjectOpensAgain) {
    simBus.devices = {{5, DeviceVendorId, DeviceProductIdFirst, {}}};
    Transport* transport = NewUsb(DeviceProductIdFirst, 1, 2);
    ASSERT_EQ(1, TransportOpen(transport));
    EXPECT_EQ(1, TransportClose(transport));
    EXPECT_EQ(1, TransportClose(transport));
    ExpectAllClosedOnce();
    ASSERT_EQ(1, TransportOpen(transport));
    TransportDestroy(transport);
    ExpectAllClosedOnce();
    EXPECT_EQ(6u, simBus.handles.size());
}

TEST_F(DeviceUsbTest, ReadLimitAndDataOverUsb) {
    simBus.devices = {{0, DeviceVendorId, DeviceProductIdFirst, {}}};
    ASSERT_EQ(0, OpenDevice(1));
    std::vector<uint8_t> data(65536);
    EXPECT_EQ(6, SCAN_READDATA(data.data(), 65536));
    EXPECT_TRUE(simBus.writes.empty());
    EXPECT_EQ(0, SCAN_READDATA(data.data(), 65535));
    for (size_t i = 0; i < 65535; ++i) ASSERT_EQ(FakeImageByte(i), data[i]) << "byte " << i;
    EXPECT_EQ(std::vector<int32_t>{6}, reports);
}

TEST_F(DeviceUsbTest, SilentDeviceIsCancelledAtTheTimeOut) {
    simBus.devices = {{0, DeviceVendorId, DeviceProductIdFirst, {}}};
    ASSERT_EQ(0, OpenDevice(1));
    simBus.silent = true;
    DWORD start = GetTickCount();
    EXPECT_EQ(1, SCAN_SENSE(ReportAll));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 900u);
    EXPECT_LT(elapsed, 2500u);  // the cancelled read comes back at once
    EXPECT_EQ(1, simBus.cancels);
    EXPECT_EQ(std::vector<int32_t>{1}, reports);
}

// A read that not even the cancel wakes: the caller gets its failure after the
// time-out and the grace, the stuck worker never writes into the caller's
// buffer when it finally comes back, and the next exchange runs on a new one.
TEST_F(DeviceUsbTest, ReadStuckPastTheGraceIsLeftBehindAndTheNextExchangeWorks) {
    simBus.devices = {{0, DeviceVendorId, DeviceProductIdFirst, {}}};
    ASSERT_EQ(0, OpenDevice(1));
    simBus.silent = true;
    simBus.deaf = true;
    std::vector<uint8_t> data(4096, 0xEE);
    DWORD start = GetTickCount();
    EXPECT_EQ(6, SCAN_READDATA(data.data(), static_cast<uint32_t>(data.size())));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 900u + CancelGraceMs);
    EXPECT_LT(elapsed, 1000u + CancelGraceMs + 1000u);

    simBus.silent = false;
    SetEvent(simBus.cancelEvent);  // the stuck read comes back now
    for (int i = 0; i < 200 && simBus.lateReturns == 0; ++i) Sleep(10);
    EXPECT_EQ(1, simBus.lateReturns);
    Sleep(50);
    for (uint8_t byte : data) ASSERT_EQ(0xEE, byte);

    simBus.deaf = false;
    simBus.pending.clear();
    EXPECT_EQ(0, SCAN_GETMACHINESTATE());
    EXPECT_EQ(std::vector<int32_t>{6}, reports);
}

// The link closes while a worker is still stuck in a read of the device: the
// handles are closed at once, the object stays the worker's until its read
// comes back, and the worker then reads no more.
TEST_F(DeviceUsbTest, LinkClosedUnderAStuckReadClosesAtOnceAndTheWorkerLetsGoLater) {
    simBus.devices = {{0, DeviceVendorId, DeviceProductIdFirst, {}}};
    ASSERT_EQ(0, OpenDevice(1));
    simBus.silent = true;
    simBus.deaf = true;
    std::vector<uint8_t> data(4096, 0xEE);
    EXPECT_EQ(6, SCAN_READDATA(data.data(), static_cast<uint32_t>(data.size())));
    CloseDevice();
    EXPECT_EQ(nullptr, GetCoreContext()->openTransport);
    ExpectAllClosedOnce();

    SetEvent(simBus.cancelEvent);  // the stuck read comes back to an object its owner has let go
    for (int i = 0; i < 200 && simBus.lateReturns == 0; ++i) Sleep(10);
    EXPECT_EQ(1, simBus.lateReturns);
    Sleep(50);
    ExpectAllClosedOnce();
    for (uint8_t byte : data) ASSERT_EQ(0xEE, byte);

    simBus.silent = false;
    simBus.deaf = false;
    simBus.pending.clear();
    ASSERT_EQ(0, OpenDevice(1));
    EXPECT_EQ(0, SCAN_GETMACHINESTATE());
}

TEST_F(DeviceUsbTest, ReadClaimingMoreBytesThanAskedFails) {
    simBus.devices = {{0, DeviceVendorId, DeviceProductIdFirst, {}}};
    ASSERT_EQ(0, OpenDevice(1));
    simBus.oversizedRead = true;
    EXPECT_EQ(1, SCAN_GETMACHINESTATE());
    EXPECT_EQ(std::vector<int32_t>{1}, reports);
}

TEST_F(DeviceUsbTest, NullKindHasNoObjectAndEveryOperationFails) {
    SetTransportKind(TRANSPORT_NULL);
    EXPECT_EQ(0, OpenDevice(1));
    EXPECT_EQ(nullptr, GetCoreContext()->openTransport);
    uint8_t data[8];
    EXPECT_EQ(1, SCAN_SENSE(ReportAll));
    EXPECT_EQ(1, SCAN_GETMACHINESTATE());
    EXPECT_EQ(1, SCAN_READDATA(data, 8));
    EXPECT_EQ(0, CloseDevice());
    EXPECT_TRUE(reports.empty());

    bool made = true;
    EXPECT_EQ(nullptr, TransportCreate(TRANSPORT_NULL, &made));
    EXPECT_FALSE(made);
    const TransportIoRow& row = GetTransportOps().io[TRANSPORT_NULL];
    uint32_t count = 8;
    EXPECT_EQ(1, row.Open(nullptr));
    EXPECT_EQ(1, row.Read(nullptr, data, &count));
    EXPECT_EQ(1, row.Write(nullptr, data, &count));
    EXPECT_EQ(1, row.Close(nullptr));
    EXPECT_EQ(nullptr, TransportCreate(7, &made));
    EXPECT_EQ(nullptr, TransportCreate(-1, &made));
}

TEST_F(DeviceUsbTest, DispatchRefusesMissingObjectsAndWrongKinds) {
    EXPECT_EQ(0, TransportOpen(nullptr));
    EXPECT_EQ(0, TransportClose(nullptr));
    TransportDestroy(nullptr);
    EXPECT_EQ(0, TransportSetTimeout(nullptr, 5));
    EXPECT_EQ(0, TransportSetUsbIds(nullptr, 1, 2));
    EXPECT_EQ(0, TransportSetPipes(nullptr, 1, 2));
    EXPECT_EQ(0, TransportSetHost(nullptr, "127.0.0.1", 4567, 0));
    EXPECT_EQ(0, SendWithTimeout(nullptr, "x", 1));

    Transport* usb = TransportCreate(TRANSPORT_USB);
    Transport* net = TransportCreate(TRANSPORT_NETWORK);
    ASSERT_NE(nullptr, usb);
    ASSERT_NE(nullptr, net);
    EXPECT_EQ(TransportDefaultTimeout, usb->timeoutSeconds);
    EXPECT_EQ(TransportDefaultTimeout, net->timeoutSeconds);
    EXPECT_EQ(0, TransportSetHost(usb, "127.0.0.1", 4567, 0));
    EXPECT_EQ(0, TransportSetUsbIds(net, 1, 2));
    EXPECT_EQ(0, TransportSetPipes(net, 1, 2));
    struct Case {
        uint32_t seconds;
        int result;
        uint8_t stored;
    };
    const Case cases[] = {{256, 0, 5}, {300, 1, 44}, {0, 0, 44}, {60, 1, 60}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, TransportSetTimeout(usb, c.seconds)) << c.seconds;
        EXPECT_EQ(c.stored, usb->timeoutSeconds) << c.seconds;
    }
    EXPECT_EQ(1, TransportSetUsbIds(usb, 0x12345678, 0xABCDEF01));
    EXPECT_EQ(0x5678u, reinterpret_cast<UsbTransport*>(usb)->vendorId);
    EXPECT_EQ(0xEF01u, reinterpret_cast<UsbTransport*>(usb)->productId);
    TransportDestroy(usb);
    TransportDestroy(net);
}

TEST_F(DeviceUsbTest, SocketLibraryStartsAndCleanUpsPairUp) {
    Transport* first = TransportCreate(TRANSPORT_NETWORK);
    Transport* second = TransportCreate(TRANSPORT_NETWORK);
    EXPECT_EQ(0, TransportOpen(first));  // no host set: nothing to connect to
    EXPECT_EQ(1, TransportClose(first));
    TransportDestroy(first);
    TransportDestroy(second);
    EXPECT_EQ(SOCKET_ERROR, WSACleanup());
    EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
}

TEST_F(DeviceUsbTest, LinkSettersKeepTheirBounds) {
    SetLinkAddress("192.168.100.200-too-long-for-the-field");
    EXPECT_STREQ("192.168.100.200-too", GetDeviceLink()->address);
    SetLinkAddress(nullptr);
    EXPECT_STREQ("", GetDeviceLink()->address);
    std::vector<uint8_t> identity(DeviceLinkIdentityMax + 1, 0x41);
    EXPECT_EQ(1, SetLinkIdentity(identity.data(), DeviceLinkIdentityMax));
    EXPECT_EQ(DeviceLinkIdentityMax, GetDeviceLink()->identityLength);
    EXPECT_EQ(0, SetLinkIdentity(identity.data(), DeviceLinkIdentityMax + 1));
    EXPECT_EQ(DeviceLinkIdentityMax, GetDeviceLink()->identityLength);
    int32_t count = -1;
    uint8_t request[29] = {0x02};
    EXPECT_EQ(nullptr, DiscoverDevices(request, sizeof request, &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(nullptr, GetCoreContext()->openTransport);
}

}  // namespace
