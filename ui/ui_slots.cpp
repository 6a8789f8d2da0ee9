// Fills the table through which the core drives the interface. The main
// dialog's slots live with the dialog (ui/main_dialog.cpp).
#include <windows.h>

#include "core/ui_callbacks.h"
#include "scan/progress_dialog.h"
#include "ui/adjustment_settings.h"
#include "ui/device_select_dialog.h"
#include "ui/main_dialog.h"
#include "ui/main_ui_state.h"
#include "ui/preview_window.h"
#include "ui/registration_dialogs.h"

namespace {

HWND MainDialog() { return static_cast<HWND>(GetMainUiState()->mainDialog); }
HWND ProgressWindow() { return ProgressDialogWindow(); }

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

void StartProgress(int) { StartProgressDialog(); }

void CloseProgress(uint32_t delayMs) { CloseProgressDialog(delayMs); }

int ChooseDevice() { return static_cast<int>(RunDeviceSelectDialog(1)); }

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
    InstallRegistrationHooks();
    GetMainDialogHooks()->openPreview = OpenPreviewFromMainDialog;
    GetMainDialogHooks()->dropPreviewSurfaces = DeletePreviewSurfaces;
}
