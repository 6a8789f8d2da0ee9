#include "ui/help_control.h"

#include <windows.h>

namespace {
std::string helpPath;
int helpReferences;
}  // namespace

void StoreHelpPath(const std::string& path) { helpPath = path; }

const std::string& HelpPath() { return helpPath; }

void* AcquireHelpControl() {
    HMODULE control = LoadLibraryA("HHCTRL.ocx");
    if (control != nullptr) ++helpReferences;
    return control;
}

void ReleaseHelpControlReferences() {
    for (; helpReferences > 0; --helpReferences) {
        HMODULE control = GetModuleHandleA("HHCTRL.ocx");
        if (control == nullptr) break;
        FreeLibrary(control);
    }
    helpReferences = 0;
}
