// Telling the user what a device status means, shared by the dialogs that
// talk to the device.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr int StatusModeProgress = 1;      // the progress dialog: stop its timer first
constexpr int StatusModeDeviceSelect = 2;  // the device selection dialog: success ends it

// The resource string of a device status; 0 for a code without a message.
unsigned DeviceStatusStringId(int32_t code);
// Shows the message of a nonzero code in an error box owned by window; in the
// selection mode, code 0 ends the window as a dialog with result 0.
void ShowDeviceStatus(HWND window, int mode, int32_t code);
constexpr int CenterOverAdjustmentDialog = 1;
// Centres a window on the screen, or in mode 1 over the adjustment dialog
// while one is open; the window keeps its size and is repainted.
void CenterWindow(HWND window, int mode = 0);
// A string of the resource module; empty when it is missing.
std::string ResourceText(unsigned id);
