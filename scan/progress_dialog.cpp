#include "scan/progress_dialog.h"

#include <commctrl.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "core/core_context.h"
#include "core/serving_wait.h"
#include "core/win_handles.h"
#include "resources/resource_ids.h"
#include "scan/progress_model.h"
#include "ui/adjustment_settings.h"
#include "ui/device_status_message.h"

namespace {

constexpr UINT_PTR ProgressTimer = 1000;  // the bars, every 100 ms
constexpr UINT ProgressPeriodMs = 100;
constexpr UINT_PTR CloseTimer = 1001;    // the delayed end of a close request
constexpr UINT PreviewEndDelayMs = 200;  // a finished preview stays this long at 100
constexpr int PreviewWidth = 328;
constexpr int PreviewHeight = 115;
constexpr int PreviewCancelX = -208;
constexpr int PreviewCancelY = -47;

// The dialog's own state, on its thread's stack for the dialog's life.
struct DialogState {
    void** windowSlot;   // where the dialog publishes its window (UiGlobals)
    HANDLE created;      // set once the window exists or could not be made
    bool showingStatus;  // a device-status box is up on this thread
    bool endPending;     // an end asked for while the box was up
};

// The thread of the open dialog; whoever takes it waits for it and closes it.
std::atomic<HANDLE> progressThread{nullptr};

std::atomic_ref<void*> WindowSlot() { return std::atomic_ref<void*>(GetUiGlobals()->progressState.window); }

void DebugPrint(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    OutputDebugStringA(text);
}

DialogState& State(HWND dialog) {
    return *reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// Moves a window, keeping its size, to (x, y) in the parent's client area;
// negative values count back from the parent window's width or height.
void MoveChildTo(HWND window, HWND parent, int x, int y) {
    RECT parentRect;
    GetWindowRect(parent, &parentRect);
    x = FromParentEdge(x, parentRect.right - parentRect.left);
    y = FromParentEdge(y, parentRect.bottom - parentRect.top);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Resizes a window in place; negative values count back from the parent
// window's width or height.
void ResizeWindowTo(HWND window, HWND parent, int width, int height) {
    if (parent != nullptr) {
        RECT parentRect;
        GetWindowRect(parent, &parentRect);
        width = FromParentEdge(width, parentRect.right - parentRect.left);
        height = FromParentEdge(height, parentRect.bottom - parentRect.top);
    }
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Ends the dialog now, or once the status box the user is reading is closed.
void EndProgress(HWND dialog) {
    DialogState& state = State(dialog);
    KillTimer(dialog, ProgressTimer);
    KillTimer(dialog, CloseTimer);
    if (state.showingStatus) {
        state.endPending = true;
        return;
    }
    EndDialog(dialog, 0);
}

void LayOutForPreview(HWND dialog) {
    ShowWindow(GetDlgItem(dialog, IDC_PROGRESS_DELIVERY_BAR), SW_HIDE);
    EnableWindow(GetDlgItem(dialog, IDC_PROGRESS_DELIVERY_BAR), FALSE);
    ShowWindow(GetDlgItem(dialog, IDC_PROGRESS_DELIVERY_TEXT), SW_HIDE);
    EnableWindow(GetDlgItem(dialog, IDC_PROGRESS_DELIVERY_TEXT), FALSE);
    ResizeWindowTo(dialog, nullptr, PreviewWidth, PreviewHeight);
    MoveChildTo(GetDlgItem(dialog, IDCANCEL), dialog, PreviewCancelX, PreviewCancelY);
    // The frame keeps its width and now ends above Cancel, with the space it
    // keeps above its top: sized against the whole window it would run past
    // the bottom of the smaller dialog.
    HWND frame = GetDlgItem(dialog, IDC_PROGRESS_FRAME);
    RECT frameRect, cancelRect;
    GetWindowRect(frame, &frameRect);
    GetWindowRect(GetDlgItem(dialog, IDCANCEL), &cancelRect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&frameRect), 2);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&cancelRect), 2);
    ResizeWindowTo(frame, nullptr, frameRect.right - frameRect.left, cancelRect.top - 2 * frameRect.top);
}

INT_PTR OnInitDialog(HWND dialog, LPARAM param) {
    SetWindowLongPtrA(dialog, DWLP_USER, param);
    DialogState& state = State(dialog);
    CenterWindow(dialog, CenterOverAdjustmentDialog);
    std::atomic_ref<void*>(*state.windowSlot).store(dialog);
    SetDlgItemTextA(dialog, IDC_PROGRESS_SCAN_TEXT, ResourceText(IDS_PROGRESS_SCANNING).c_str());
    SetDlgItemTextA(dialog, IDC_PROGRESS_DELIVERY_TEXT, ResourceText(IDS_PROGRESS_DELIVERING).c_str());
    SetDlgItemTextA(dialog, IDCANCEL, ResourceText(IDS_CANCEL_LABEL).c_str());
    SetTimer(dialog, ProgressTimer, ProgressPeriodMs, nullptr);
    for (int bar : {IDC_PROGRESS_SCAN_BAR, IDC_PROGRESS_DELIVERY_BAR}) {
        SendDlgItemMessageA(dialog, bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    }
    if (GetScanSettings()->scanPurpose == SCANPURPOSE_PREVIEW) LayOutForPreview(dialog);
    // Shown before the starter goes on, so the job's first report finds it on screen.
    ShowWindow(dialog, SW_SHOW);
    SetEvent(state.created);
    return TRUE;
}

// Cancel writes the cancel the scan thread looks for before its next read.
// A job already delivered or failed keeps its outcome.
void OnCancel(HWND dialog) {
    SharedValue<int32_t>& status = GetScanSettings()->scanStatus;
    for (int32_t current : {SCANSTATUS_SCANNING, SCANSTATUS_SCANNED}) {
        if (status.CompareExchange(current, SCANSTATUS_CANCELLED)) break;
    }
    DebugPrint("process cancel");
    EndProgress(dialog);
}

void SetBar(HWND dialog, int bar, int32_t position) {
    if (position != BarUnchanged)
        SendDlgItemMessageA(dialog, bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void OnProgressTick(HWND dialog) {
    SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const ScanSettings& s = *GetScanSettings();
    const ProgressSnapshot job{s.rowsScanned,  s.imageHeight, s.rowsDelivered,
                               s.outputHeight, s.scanPurpose, s.scanStatus};
    const ProgressBars bars = ProgressBarsFor(job);
    SetBar(dialog, IDC_PROGRESS_SCAN_BAR, bars.scanning);
    SetBar(dialog, IDC_PROGRESS_DELIVERY_BAR, bars.delivery);
    if (bars.previewFinished) {
        KillTimer(dialog, ProgressTimer);
        SetTimer(dialog, CloseTimer, PreviewEndDelayMs, nullptr);
    }
}

void OnTimer(HWND dialog, WPARAM timer) {
    if (timer == ProgressTimer) OnProgressTick(dialog);
    if (timer == CloseTimer) EndProgress(dialog);
}

// The box is modal on this thread; a close request that arrives meanwhile
// waits until the user has read the message.
void OnDeviceStatus(HWND dialog, WPARAM code) {
    DialogState& state = State(dialog);
    state.showingStatus = true;
    ShowDeviceStatus(dialog, StatusModeProgress, static_cast<int32_t>(code));
    state.showingStatus = false;
    if (state.endPending) EndProgress(dialog);
}

void OnClose(HWND dialog, WPARAM delayMs) {
    KillTimer(dialog, ProgressTimer);  // the bars stay where the job left them
    if (delayMs == 0) {
        EndProgress(dialog);
    } else {
        SetTimer(dialog, CloseTimer, static_cast<UINT>(delayMs), nullptr);
    }
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(dialog, lParam);
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) OnCancel(dialog);
            return 0;
        case WM_TIMER:
            OnTimer(dialog, wParam);
            return 0;
        case ProgressStatusMessage:
            OnDeviceStatus(dialog, wParam);
            return 0;
        case ProgressCloseMessage:
            OnClose(dialog, wParam);
            return 0;
        default:
            return 0;
    }
}

DWORD WINAPI ProgressThread(void* param) {
    DialogState state{&GetUiGlobals()->progressState.window, static_cast<HANDLE>(param), false, false};
    HINSTANCE module = static_cast<HINSTANCE>(GetUiGlobals()->resourceHandle);
    const INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr,
                                           ProgressDialogProc, reinterpret_cast<LPARAM>(&state));
    if (result == -1) SetEvent(state.created);
    return 0;
}

}  // namespace

void StartProgressDialog() {
    CloseProgressDialog(0);
    KernelHandle created(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!created) return;
    KernelHandle thread(CreateThread(nullptr, 0, ProgressThread, created.get(), 0, nullptr));
    if (!thread) return;
    // The dialog is there before the job can report to it.
    HANDLE waits[] = {created.get(), thread.get()};
    WaitServingMessages(waits, 2, INFINITE);
    progressThread.store(thread.release());
}

void CloseProgressDialog(uint32_t delayMs) {
    HWND window = static_cast<HWND>(WindowSlot().exchange(nullptr));
    if (window != nullptr) PostMessageA(window, ProgressCloseMessage, delayMs, 0);
    KernelHandle thread(progressThread.exchange(nullptr));
    if (!thread) return;
    if (GetThreadId(thread.get()) == GetCurrentThreadId()) return;
    WaitServingMessages(thread.get(), INFINITE);
}

HWND ProgressDialogWindow() { return static_cast<HWND>(WindowSlot().load()); }
