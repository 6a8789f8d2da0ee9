#include "core/platform_hook.h"

namespace {
PlatformHooks hooks;
}

PlatformHooks* GetPlatformHooks() { return &hooks; }

void PlatformSetEvent(void* eventHandle) {
    if (hooks.setEvent != nullptr && eventHandle != nullptr) hooks.setEvent(eventHandle);
}

void PlatformDebugLine(const char* text) {
    if (hooks.debugLine != nullptr && text != nullptr) hooks.debugLine(text);
}
