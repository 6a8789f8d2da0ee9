#include <windows.h>

#include "scan/scan_job.h"

namespace {
// Created on first use, so loading the library for listing creates nothing.
HANDLE ScanFinishedEvent() {
    static HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return event;
}
}  // namespace

void SignalScanFinished() { SetEvent(ScanFinishedEvent()); }

void WaitForScanFinished() {
    HANDLE event = ScanFinishedEvent();
    if (event != nullptr) WaitForSingleObject(event, INFINITE);
}
