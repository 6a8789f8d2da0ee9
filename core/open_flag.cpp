// One flag shared by every process that has the library mapped: it lets one
// session at a time exist across all of them. The session that took it gives
// it back when it ends, so a process that opens, closes and opens again, or
// retries after a failed open, is not locked out while the library stays loaded.
#include <windows.h>

#include "core/handlers.h"

namespace {
volatile LONG openFlag __attribute__((section(".shared"), shared)) = 0;
// Whether this process's session holds it; not shared.
bool heldHere = false;
}  // namespace

bool TakeOpenFlag() {
    if (InterlockedCompareExchange(&openFlag, 1, 0) != 0) return false;
    heldHere = true;
    return true;
}

void GiveBackOpenFlag() {
    if (!heldHere) return;
    heldHere = false;
    InterlockedExchange(&openFlag, 0);
}

bool IsOpenFlagTaken() { return openFlag != 0; }
