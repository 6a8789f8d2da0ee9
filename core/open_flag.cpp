// One flag shared by every process that has the library mapped: the first
// MSG_OPENDS takes it, and it lives until the last process unloads the library.
#include <windows.h>

#include "core/handlers.h"

namespace {
volatile LONG openFlag __attribute__((section(".shared"), shared)) = 0;
}

bool TakeOpenFlag() {
    if (openFlag != 0) return false;
    openFlag = 1;
    return true;
}

bool IsOpenFlagTaken() { return openFlag != 0; }
