// The narrow seam through which platform-free code asks the system for the few
// things it needs. The Windows build installs real functions at start-up; host
// tests install their own. Unset hooks do nothing.
#pragma once

struct PlatformHooks {
    void (*setEvent)(void* eventHandle);
    void (*debugLine)(const char* text);
};

PlatformHooks* GetPlatformHooks();

void PlatformSetEvent(void* eventHandle);
void PlatformDebugLine(const char* text);
