// The device selection dialog: tests the saved device when it opens and
// closes by itself when it answers; otherwise lets the user choose USB or the
// network, search, pick an address and try again.
#pragma once

#include <windows.h>

#include <cstdint>

#include "device/device_link.h"

constexpr INT_PTR DeviceChosen = 0;
constexpr INT_PTR DeviceAbandoned = 1;
constexpr INT_PTR DeviceUnchecked = 255;  // the hot key: open without testing
constexpr int DeviceSelectHotKeyId = 103;

// What the dialog asks of the device side. The default rows reach the real
// device; tests put doubles here.
struct DeviceSelectBackend {
    int32_t (*testDevice)();  // DeviceStatus of one test, 0 when the device answered
    DiscoveredHost* (*discover)(const uint8_t* request, uint32_t length, int32_t* count);
};

DeviceSelectBackend* GetDeviceSelectBackend();
// Opens the link without reporting, asks the device's state and closes again.
int32_t TestDevice();
// Runs the dialog modally from the resource module; -1 when it cannot open.
INT_PTR RunDeviceSelectDialog(LPARAM testAtOnce);
INT_PTR CALLBACK DeviceSelectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
