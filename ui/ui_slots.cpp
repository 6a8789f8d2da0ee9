// Fills the table through which the core drives the interface. The main
// dialog comes with its own template later; until then its slots find no
// window and do nothing, and ShowMainDialog reports that the dialog could not
// be opened.
#include <windows.h>

#include "core/ui_callbacks.h"
#include "scan/progress_dialog.h"
#include "ui/adjustment_settings.h"
#include "ui/device_select_dialog.h"
#include "ui/main_ui_state.h"

namespace {

constexpr UINT DeviceStatusMessage = ProgressStatusMessage;

HWND MainDialog() { return static_cast<HWND>(GetMainUiState()->mainDialog); }
HWND ProgressWindow() { return ProgressDialogWindow(); }

int ShowMainDialog(void*) { return 1; }

void DestroyMainDialog() {
    HWND dialog = MainDialog();
    if (dialog == nullptr) return;
    ShowWindow(dialog, SW_HIDE);
    DestroyWindow(dialog);
    GetMainUiState()->mainDialog = nullptr;
}

void CloseAdjustmentDialog() {
    UiGlobals& globals = *GetUiGlobals();
    if (globals.adjustmentDialog == nullptr) return;
    EndDialog(static_cast<HWND>(globals.adjustmentDialog), 0);
    globals.adjustmentDialog = nullptr;
}

void ShowMainWindows() {
    HWND dialog = MainDialog();
    if (dialog == nullptr) return;
    // The scan thread ends a preview with this call: it only posts the change
    // to the dialog's own thread, which paints when it comes to it.
    if (GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId()) {
        ShowWindowAsync(dialog, SW_SHOW);
        return;
    }
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    InvalidateRect(dialog, nullptr, FALSE);
    UpdateWindow(dialog);
}

void HideMainWindows() {
    HWND dialog = MainDialog();
    if (dialog != nullptr) ShowWindow(dialog, SW_HIDE);
}

int IsAdjustmentDialogOpen() { return GetUiGlobals()->adjustmentDialog != nullptr; }

int IsProgressOpen() { return ProgressWindow() != nullptr; }

void CancelProgress() {
    HWND progress = ProgressWindow();
    if (progress != nullptr) SendMessageA(progress, WM_COMMAND, IDCANCEL, 0);
}

void StartProgress(int) { StartProgressDialog(); }

void CloseProgress(uint32_t delayMs) { CloseProgressDialog(delayMs); }

int ChooseDevice() { return static_cast<int>(RunDeviceSelectDialog(1)); }

int FilterEvent(void* platformMessage) {
    HWND dialog = MainDialog();
    if (dialog == nullptr || platformMessage == nullptr) return 0;
    return IsDialogMessageA(dialog, static_cast<MSG*>(platformMessage)) ? 1 : 0;
}

// Synchronous, so the job waits until the user has read the message: the
// progress dialog's thread always serves its messages, and the application's
// thread serves sent messages in every wait for the job.
void ReportDeviceStatus(int32_t status) {
    HWND target = ProgressWindow();
    if (target == nullptr) target = MainDialog();
    if (target != nullptr) SendMessageA(target, DeviceStatusMessage, static_cast<WPARAM>(status), 0);
}

}  // namespace

void InstallUiCallbacks() {
    *GetUiCallbacks() = UiCallbackTable{
        ShowMainDialog,         DestroyMainDialog, CloseAdjustmentDialog, ShowMainWindows, HideMainWindows,
        IsAdjustmentDialogOpen, IsProgressOpen,    CancelProgress,        StartProgress,   CloseProgress,
        ChooseDevice,           FilterEvent,       ReportDeviceStatus,
    };
}
