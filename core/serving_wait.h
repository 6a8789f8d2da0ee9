// Waiting on a thread that owns windows. Other threads report to those
// windows with sent messages (a device status, a cancel, activation), so a
// plain wait would deadlock with them: these waits serve every message sent to
// the calling thread's windows while they wait. Posted messages stay queued
// for the thread's own loop, so no application code runs inside the wait.
#pragma once

#include <windows.h>

constexpr DWORD WaitTimedOut = 0xFFFFFFFF;

// Waits until one of count handles is signalled or timeoutMs (INFINITE: no
// limit) has passed. Returns the index of the signalled handle, WaitTimedOut
// on time-out or failure.
DWORD WaitServingMessages(const HANDLE* handles, DWORD count, DWORD timeoutMs);
// One handle; true when it was signalled.
bool WaitServingMessages(HANDLE handle, DWORD timeoutMs);
