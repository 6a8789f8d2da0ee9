// The table through which the core drives the interface. The core never calls
// dialog code directly; an empty slot behaves as "no interface".
#pragma once

#include <cstdint>

struct UiCallbackTable {
    int (*ShowMainDialog)(void* parentWindow);  // 0 success, 1 the dialog failed
    void (*DestroyMainDialog)();
    void (*CloseAdjustmentDialog)();
    void (*ShowMainWindows)();
    void (*HideMainWindows)();
    int (*IsAdjustmentDialogOpen)();
    int (*IsProgressOpen)();
    void (*CancelProgress)();
    void (*StartProgress)(int unused);
    void (*CloseProgress)(uint32_t delayMs);
    int (*ChooseDevice)();  // 0 chosen, 255 open unchecked, other: abandoned
    int (*FilterEvent)(void* platformMessage);
    void (*ReportDeviceStatus)(int32_t status);
};

UiCallbackTable* GetUiCallbacks();

// Fills the table with the interface module's slots (run last at start-up).
void InstallUiCallbacks();

// Calls that tolerate an empty slot, so the core can run without any interface.
int UiShowMainDialog(void* parentWindow);
void UiDestroyMainDialog();
void UiCloseAdjustmentDialog();
void UiShowMainWindows();
void UiHideMainWindows();
int UiIsAdjustmentDialogOpen();
int UiIsProgressOpen();
void UiCancelProgress();
void UiStartProgress(int unused);
void UiCloseProgress(uint32_t delayMs);
int UiChooseDevice();
int UiFilterEvent(void* platformMessage);
void UiReportDeviceStatus(int32_t status);
