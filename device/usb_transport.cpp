#include "device/usb_transport.h"

#include <cstdio>
#include <cstdlib>

namespace {

HANDLE Win32OpenPath(const char* path) {
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

BOOL Win32IoControl(HANDLE device, DWORD code, void* out, DWORD outSize, DWORD* returned) {
    return DeviceIoControl(device, code, nullptr, 0, out, outSize, returned, nullptr);
}

BOOL Win32ReadPipe(HANDLE pipe, void* buffer, DWORD count, DWORD* got) {
    return ReadFile(pipe, buffer, count, got, nullptr);
}

BOOL Win32WritePipe(HANDLE pipe, const void* buffer, DWORD count, DWORD* put) {
    return WriteFile(pipe, buffer, count, put, nullptr);
}

BOOL Win32CloseHandle(HANDLE handle) { return CloseHandle(handle); }
BOOL Win32CancelThreadIo(HANDLE thread) { return CancelSynchronousIo(thread); }

constexpr UsbPlatformCalls win32Calls = {Win32OpenPath,  Win32IoControl,   Win32ReadPipe,
                                         Win32WritePipe, Win32CloseHandle, Win32CancelThreadIo};
UsbPlatformCalls platformCalls = win32Calls;

// The eight bytes the device returns for its descriptor request.
struct UsbDeviceDescriptor {
    uint16_t vendorId;
    uint16_t productId;
    uint16_t bcdDevice;
    uint16_t languageId;
};

UsbTransport* AsUsb(Transport* transport) {
    if (transport == nullptr || transport->kind != TRANSPORT_USB) return nullptr;
    return reinterpret_cast<UsbTransport*>(transport);
}

bool IsValid(HANDLE handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }

// True when the device behind `control` reports the object's vendor and product id.
bool DeviceMatches(const UsbTransport* usb, HANDLE control) {
    UsbDeviceDescriptor descriptor{};
    DWORD returned = 0;
    if (!platformCalls.ioControl(control, IoctlGetDeviceDescriptor, &descriptor, sizeof descriptor,
                                 &returned))
        return false;
    if (returned < 4) return false;  // the ids were not filled in
    return descriptor.vendorId == usb->vendorId && descriptor.productId == usb->productId;
}

// Opens pipe `index` of the device at `basePath`; a failure leaves the handle
// invalid so the first read or write on it fails instead of the open.
HANDLE OpenPipe(const char* basePath, int32_t index) {
    char path[64];
    snprintf(path, sizeof path, "%s\\%d", basePath, static_cast<int>(index));
    return platformCalls.openPath(path);
}

// Opens the device at Usbscan index `i` if it is ours; false to go on looking.
bool TryIndex(UsbTransport* usb, int i) {
    char basePath[32];
    char controlPath[40];
    snprintf(basePath, sizeof basePath, "\\\\.\\Usbscan%d", i);
    snprintf(controlPath, sizeof controlPath, "%s\\0", basePath);
    HANDLE control = platformCalls.openPath(controlPath);
    if (!IsValid(control)) return false;
    if (!DeviceMatches(usb, control)) {
        platformCalls.closeHandle(control);
        return false;
    }
    usb->controlHandle = control;
    usb->writeHandle = usb->writePipeIndex == 0 ? control : OpenPipe(basePath, usb->writePipeIndex);
    usb->readHandle = OpenPipe(basePath, usb->readPipeIndex);
    return true;
}

}  // namespace

UsbPlatformCalls* GetUsbPlatformCalls() { return &platformCalls; }
void ResetUsbPlatformCalls() { platformCalls = win32Calls; }

Transport* UsbCreate() {
    auto* usb = static_cast<UsbTransport*>(calloc(1, sizeof(UsbTransport)));
    if (usb == nullptr) return nullptr;
    usb->header.kind = TRANSPORT_USB;
    usb->header.timeoutSeconds = TransportDefaultTimeout;
    usb->writePipeIndex = -1;
    usb->readPipeIndex = -1;
    usb->controlHandle = INVALID_HANDLE_VALUE;
    usb->writeHandle = INVALID_HANDLE_VALUE;
    usb->readHandle = INVALID_HANDLE_VALUE;
    return &usb->header;
}

int UsbDestroy(Transport* transport) {
    UsbTransport* usb = AsUsb(transport);
    if (usb == nullptr) return 0;
    UsbClose(transport);
    free(usb);
    return 1;
}

// Indices are tried in order so the first matching device wins; gaps left by
// unplugged devices are no reason to stop.
int UsbOpen(Transport* transport) {
    UsbTransport* usb = AsUsb(transport);
    if (usb == nullptr) return 0;
    UsbClose(transport);
    for (int i = 0; i < UsbscanIndexLimit; ++i) {
        if (TryIndex(usb, i)) return 1;
    }
    return 0;
}

// The write handle may be the control handle itself; each handle is closed once.
int UsbClose(Transport* transport) {
    UsbTransport* usb = AsUsb(transport);
    if (usb == nullptr) return 0;
    if (IsValid(usb->controlHandle)) platformCalls.closeHandle(usb->controlHandle);
    if (IsValid(usb->writeHandle) && usb->writeHandle != usb->controlHandle)
        platformCalls.closeHandle(usb->writeHandle);
    if (IsValid(usb->readHandle)) platformCalls.closeHandle(usb->readHandle);
    usb->controlHandle = INVALID_HANDLE_VALUE;
    usb->writeHandle = INVALID_HANDLE_VALUE;
    usb->readHandle = INVALID_HANDLE_VALUE;
    return 1;
}

int UsbRead(Transport* transport, void* buffer, uint32_t* count) {
    UsbTransport* usb = AsUsb(transport);
    if (usb == nullptr || buffer == nullptr || !IsValid(usb->readHandle)) return 0;
    DWORD got = 0;
    if (!platformCalls.readPipe(usb->readHandle, buffer, *count, &got) || got > *count) return 0;
    *count = got;
    return 1;
}

int UsbWrite(Transport* transport, const void* buffer, uint32_t* count) {
    UsbTransport* usb = AsUsb(transport);
    if (usb == nullptr || buffer == nullptr || !IsValid(usb->writeHandle)) return 0;
    DWORD put = 0;
    if (!platformCalls.writePipe(usb->writeHandle, buffer, *count, &put) || put > *count) return 0;
    *count = put;
    return 1;
}

void UsbCancel(Transport*, void* workerThread) {
    if (workerThread != nullptr) platformCalls.cancelThreadIo(static_cast<HANDLE>(workerThread));
}

int TransportSetUsbIds(Transport* transport, uint32_t vendorId, uint32_t productId) {
    UsbTransport* usb = AsUsb(transport);
    if (usb == nullptr) return 0;
    usb->vendorId = vendorId & 0xFFFF;
    usb->productId = productId & 0xFFFF;
    return 1;
}

int TransportSetPipes(Transport* transport, int32_t writePipe, int32_t readPipe) {
    UsbTransport* usb = AsUsb(transport);
    if (usb == nullptr) return 0;
    usb->writePipeIndex = writePipe;
    usb->readPipeIndex = readPipe;
    return 1;
}
