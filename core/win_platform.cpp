#include "core/win_platform.h"

#include <windows.h>

#include "core/platform_hook.h"
#include "device/device_link.h"
#include "ui/help_control.h"

namespace {
void SetEventHook(void* eventHandle) { SetEvent(static_cast<HANDLE>(eventHandle)); }
void DebugLineHook(const char* text) {
    OutputDebugStringA(text);
    OutputDebugStringA("\n");
}
}  // namespace

void InstallPlatformHooks() {
    PlatformHooks* hooks = GetPlatformHooks();
    hooks->setEvent = SetEventHook;
    hooks->debugLine = DebugLineHook;
}

void InitDeviceLinkDefaults() {
    SetLinkUsbParameters(DeviceVendorId, DeviceProductIdFirst, 0, 2);
    SetLinkPort(DeviceDefaultPort);
}

void SetHelpPath(const std::string& path) { StoreHelpPath(path); }
