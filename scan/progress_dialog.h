// The progress dialog of a scan job: a modal dialog on a thread of its own
// with a scanning and a delivery bar, a Cancel button and the device-status
// messages of the job. Other threads reach it only by messages; it ends
// itself on a posted close request, at Cancel, or when a preview is done.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr UINT ProgressStatusMessage = WM_APP + 2;  // wParam: the device status to show
constexpr UINT ProgressCloseMessage = WM_APP + 3;   // wParam: delay in milliseconds

// Starts the dialog on a new thread and returns once its window exists (or
// could not be made); a dialog still open from an earlier job is closed first.
void StartProgressDialog();
// Asks the open dialog to end after delayMs and forgets its window at once;
// returns when its thread has ended. The wait serves messages sent to the
// caller's windows, so the caller's thread keeps answering meanwhile.
void CloseProgressDialog(uint32_t delayMs);
// The window of the dialog, null when none was started since the last close.
HWND ProgressDialogWindow();
