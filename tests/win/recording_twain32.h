#pragma once

#include "core/twain.h"

struct RecordedDsmCall {
    bool originPresent;
    bool destinationPresent;
    TW_IDENTITY origin;
    TW_IDENTITY destination;
    TW_UINT32 group;
    TW_UINT16 dat;
    TW_UINT16 msg;
    TW_MEMREF data;
};

struct RecordedDsmCalls {
    static constexpr int Capacity = 64;
    int count;
    RecordedDsmCall calls[Capacity];
};

using RecordedCallsProc = RecordedDsmCalls*(TW_CALLINGSTYLE*)();
