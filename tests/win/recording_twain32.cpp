// A stand-in for the Data Source Manager that records what a source sends to
// the application. Loaded instead of Wine's twain_32.dll by the DLL override.
#include <windows.h>

#include "core/twain.h"
#include "tests/win/recording_twain32.h"

namespace {
RecordedDsmCalls recorded;
}

extern "C" TW_UINT16 TW_CALLINGSTYLE DSM_Entry(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 group,
                                               TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (recorded.count < RecordedDsmCalls::Capacity) {
        RecordedDsmCall& call = recorded.calls[recorded.count];
        call.originPresent = origin != nullptr;
        call.destinationPresent = destination != nullptr;
        if (origin != nullptr) call.origin = *origin;
        if (destination != nullptr) call.destination = *destination;
        call.group = group;
        call.dat = dat;
        call.msg = msg;
        call.data = data;
    }
    ++recorded.count;
    return TWRC_SUCCESS;
}

extern "C" RecordedDsmCalls* TW_CALLINGSTYLE RecordedCalls() { return &recorded; }
