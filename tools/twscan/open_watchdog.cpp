// The watchdog over opening and enabling the source.
#include "tools/twscan/open_watchdog.h"

#include <cstdio>

namespace {

// Time the source gets to return after its dialogs were closed, and between
// attempts to close them (a dialog busy testing a device reads its queue
// only afterwards).
constexpr DWORD GraceMs = 5000;
constexpr DWORD RetryMs = 250;

struct CloseRequest {
    DWORD process;
    HWND spare;
};

BOOL CALLBACK CloseDialogOfProcess(HWND window, LPARAM data) {
    const auto* request = reinterpret_cast<const CloseRequest*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != request->process || window == request->spare) return TRUE;
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    // Dialogs and message boxes: both end on WM_CLOSE, as by their close box.
    if (lstrcmpA(name, "#32770") == 0) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

OpenWatchdog::OpenWatchdog(DWORD limitMs, HWND ownWindow, std::string message, int exitCode)
    : ownWindow_(ownWindow),
      message_(std::move(message)),
      exitCode_(exitCode),
      returned_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (limitMs != 0 && returned_ != nullptr) thread_ = std::thread([this, limitMs] { Watch(limitMs); });
}

OpenWatchdog::~OpenWatchdog() {
    Disarm();
    if (returned_ != nullptr) CloseHandle(returned_);
}

bool OpenWatchdog::Disarm() {
    if (returned_ != nullptr) SetEvent(returned_);
    if (thread_.joinable()) thread_.join();
    return fired_;
}

void OpenWatchdog::Watch(DWORD limitMs) {
    if (WaitForSingleObject(returned_, limitMs) == WAIT_OBJECT_0) return;
    fired_ = true;
    const CloseRequest request{GetCurrentProcessId(), ownWindow_};
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < GraceMs) {
        EnumWindows(CloseDialogOfProcess, reinterpret_cast<LPARAM>(&request));
        if (WaitForSingleObject(returned_, RetryMs) == WAIT_OBJECT_0) return;
    }
    // The source is stuck inside the call: nothing can be stepped down in
    // order from here, and waiting longer would be the hang itself.
    std::fprintf(stderr, "twscan: %s\n", message_.c_str());
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode_));
}
