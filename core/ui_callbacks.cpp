#include "core/ui_callbacks.h"

namespace {
UiCallbackTable callbacks;
}

UiCallbackTable* GetUiCallbacks() { return &callbacks; }

int UiShowMainDialog(void* parentWindow) {
    return callbacks.ShowMainDialog ? callbacks.ShowMainDialog(parentWindow) : 1;
}
void UiDestroyMainDialog() {
    if (callbacks.DestroyMainDialog) callbacks.DestroyMainDialog();
}
void UiCloseAdjustmentDialog() {
    if (callbacks.CloseAdjustmentDialog) callbacks.CloseAdjustmentDialog();
}
void UiShowMainWindows() {
    if (callbacks.ShowMainWindows) callbacks.ShowMainWindows();
}
void UiHideMainWindows() {
    if (callbacks.HideMainWindows) callbacks.HideMainWindows();
}
int UiIsAdjustmentDialogOpen() { return callbacks.IsAdjustmentDialogOpen ? callbacks.IsAdjustmentDialogOpen() : 0; }
int UiIsProgressOpen() { return callbacks.IsProgressOpen ? callbacks.IsProgressOpen() : 0; }
void UiCancelProgress() {
    if (callbacks.CancelProgress) callbacks.CancelProgress();
}
void UiStartProgress(int unused) {
    if (callbacks.StartProgress) callbacks.StartProgress(unused);
}
void UiCloseProgress(uint32_t delayMs) {
    if (callbacks.CloseProgress) callbacks.CloseProgress(delayMs);
}
// A missing device-selection dialog counts as a failed dialog: the choice is abandoned.
int UiChooseDevice() { return callbacks.ChooseDevice ? callbacks.ChooseDevice() : -1; }
int UiFilterEvent(void* platformMessage) {
    return callbacks.FilterEvent ? callbacks.FilterEvent(platformMessage) : 0;
}
void UiReportDeviceStatus(int32_t status) {
    if (callbacks.ReportDeviceStatus) callbacks.ReportDeviceStatus(status);
}
