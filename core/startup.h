// What the library does when a process attaches it, and the paths derived
// from its own file name.
#pragma once

#include <windows.h>

#include <string>

// The whole attach sequence; run once per process before any DS_Entry call.
void StartUp(HMODULE module);
// The core's own start-up: context values, device link, identity, resource module.
void InitCore(HMODULE module);
// Frees the resource module if one was loaded.
void ShutDown(HMODULE module);
// The library's own path with its extension replaced ("DLL", "chm").
std::string ModulePathWithExtension(HMODULE module, const char* extension);
// The module that holds dialogs, strings and pictures; null when it failed to load.
HMODULE GetResourceModule();
