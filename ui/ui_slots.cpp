// Fills the table through which the core drives the interface. The main
// dialog's slots live with the dialog (ui/main_dialog.cpp).
#include <windows.h>

#include "core/ui_callbacks.h"
#include "ui/adjustment_settings.h"
#include "ui/device_select_dialog.h"
#include "ui/main_dialog.h"
#include "ui/main_ui_state.h"

namespace {

HWND MainDialog() { return static_cast<HWND>(GetMainUiState()->mainDialog); }
HWND ProgressWindow() { return static_cast<HWND>(GetUiGlobals()->progressState.window); }

void CloseAdjustmentDialog() {
    UiGlobals& globals = *GetUiGlobals();
    if (globals.adjustmentDialog == nullptr) return;
    EndDialog(static_cast<HWND>(globals.adjustmentDialog), 0);
    globals.adjustmentDialog = nullptr;
}

int IsAdjustmentDialogOpen() { return GetUiGlobals()->adjustmentDialog != nullptr; }

int IsProgressOpen() { return ProgressWindow() != nullptr; }

void CancelProgress() {
    HWND progress = ProgressWindow();
    if (progress != nullptr) SendMessageA(progress, WM_COMMAND, IDCANCEL, 0);
}

void StartProgress(int) {}

void CloseProgress(uint32_t delayMs) {
    HWND progress = ProgressWindow();
    if (progress == nullptr) return;
    if (delayMs != 0) Sleep(delayMs);
    EndDialog(progress, 0);
    GetUiGlobals()->progressState.window = nullptr;
}

int ChooseDevice() { return static_cast<int>(RunDeviceSelectDialog(1)); }

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
