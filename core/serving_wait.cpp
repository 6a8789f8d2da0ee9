#include "core/serving_wait.h"

namespace {

DWORD Remaining(ULONGLONG deadline, DWORD timeoutMs) {
    if (timeoutMs == INFINITE) return INFINITE;
    const ULONGLONG now = GetTickCount64();
    return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

// Runs the handlers of the messages other threads have sent to this thread.
void ServeSentMessages() {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

DWORD WaitServingMessages(const HANDLE* handles, DWORD count, DWORD timeoutMs) {
    if (count == 0 || count >= MAXIMUM_WAIT_OBJECTS) return WaitTimedOut;
    const ULONGLONG deadline = GetTickCount64() + (timeoutMs == INFINITE ? 0 : timeoutMs);
    for (;;) {
        // A message sent before the wait began would not wake it: serve it first.
        ServeSentMessages();
        const DWORD result =
            MsgWaitForMultipleObjects(count, handles, FALSE, Remaining(deadline, timeoutMs), QS_SENDMESSAGE);
        if (result < WAIT_OBJECT_0 + count) return result - WAIT_OBJECT_0;
        if (result != WAIT_OBJECT_0 + count) return WaitTimedOut;
    }
}

bool WaitServingMessages(HANDLE handle, DWORD timeoutMs) {
    return handle != nullptr && WaitServingMessages(&handle, 1, timeoutMs) == 0;
}
