// Keeps a call into the source from hanging twscan: when the call has not
// returned within the limit, the watchdog closes the dialogs of this process
// (the source's device selection waiting for a user who is not there), so
// that the source can finish the call without a device. When the call still
// has not returned a little later (the source stuck on a silent device), it
// prints the message and ends the process with the exit code.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

class OpenWatchdog {
   public:
    // 'limitMs' 0: no watchdog. 'ownWindow' is never closed.
    OpenWatchdog(DWORD limitMs, HWND ownWindow, std::string message, int exitCode);
    ~OpenWatchdog();
    OpenWatchdog(const OpenWatchdog&) = delete;
    OpenWatchdog& operator=(const OpenWatchdog&) = delete;

    // The call returned: stops the watchdog. True when it had fired, that is
    // when the call returned only because its dialogs were closed.
    bool Disarm();

   private:
    void Watch(DWORD limitMs);

    HWND ownWindow_;
    std::string message_;
    int exitCode_;
    HANDLE returned_;
    std::atomic<bool> fired_{false};
    std::thread thread_;
};
