// The USB row: a still-image device found by enumerating "\\.\Usbscan%d",
// matched by vendor and product id, commands out on one pipe and replies and
// data in on another.
#pragma once

#include <windows.h>

#include <cstdint>

#include "device/transport.h"

struct UsbTransport {
    Transport header;
    uint32_t vendorId;
    uint32_t productId;
    int32_t writePipeIndex;  // 0 = the control handle itself
    int32_t readPipeIndex;
    HANDLE controlHandle;
    HANDLE writeHandle;
    HANDLE readHandle;
};

constexpr DWORD IoctlGetDeviceDescriptor = 0x80002018;
constexpr int UsbscanIndexLimit = 65535;

// The few system calls the row needs. The default rows call Win32; tests
// install rows that simulate a bus of still-image devices.
struct UsbPlatformCalls {
    HANDLE (*openPath)(const char* path);  // INVALID_HANDLE_VALUE on failure
    BOOL (*ioControl)(HANDLE device, DWORD code, void* out, DWORD outSize, DWORD* returned);
    BOOL (*readPipe)(HANDLE pipe, void* buffer, DWORD count, DWORD* got);
    BOOL (*writePipe)(HANDLE pipe, const void* buffer, DWORD count, DWORD* put);
    BOOL (*closeHandle)(HANDLE handle);
    BOOL (*cancelThreadIo)(HANDLE thread);  // wakes a read or write blocked on that thread
};

UsbPlatformCalls* GetUsbPlatformCalls();
// Puts the Win32 rows back.
void ResetUsbPlatformCalls();

Transport* UsbCreate();
int UsbDestroy(Transport* transport);
int UsbOpen(Transport* transport);
int UsbClose(Transport* transport);
int UsbRead(Transport* transport, void* buffer, uint32_t* count);
int UsbWrite(Transport* transport, const void* buffer, uint32_t* count);
void UsbCancel(Transport* transport, void* workerThread);
