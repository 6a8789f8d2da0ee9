#include "core/startup.h"

#include <commctrl.h>

#include <cstring>

#include "core/app_data_path.h"
#include "core/handlers.h"
#include "core/platform_hook.h"
#include "core/ui_callbacks.h"
#include "core/win_handles.h"
#include "core/win_platform.h"
#include "ui/adjustment_settings.h"
#include "ui/main_settings.h"

namespace {

HMODULE resourceModule;

const char ProductName[] = "Tarvik4100 TWAIN";
const char VersionText[] = "V 1.2.0.0";
constexpr int32_t PlatenWidth = 850;    // hundredths of an inch
constexpr int32_t PlatenHeight = 1169;  // hundredths of an inch

bool FileExists(const std::string& path) {
    const FileHandle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(file);
}

void CopyText(char* destination, size_t size, const std::string& text) {
    size_t length = text.size() < size - 1 ? text.size() : size - 1;
    memcpy(destination, text.data(), length);
    destination[length] = '\0';
}

}  // namespace

std::string ModulePathWithExtension(HMODULE module, const char* extension) {
    char path[257] = {};
    DWORD length = GetModuleFileNameA(module, path, 256);
    if (length == 0 || length >= 256) return std::string();
    std::string full(path, length);
    size_t nameStart = full.find_last_of("\\/:");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = full.find_last_of('.');
    if (dot != std::string::npos && dot >= nameStart) full.resize(dot);
    return full + "." + extension;
}

HMODULE GetResourceModule() { return resourceModule; }

void InitCore(HMODULE module) {
    DSCore_InitCorePrompt();
    InitDeviceLinkDefaults();

    CoreInfo info{};
    CopyText(info.productName, sizeof info.productName, ProductName);
    CopyText(info.versionInfo, sizeof info.versionInfo, VersionText);
    CopyText(info.resourcePath, sizeof info.resourcePath, ModulePathWithExtension(module, "DLL"));
    info.physicalWidth = PlatenWidth;
    info.physicalHeight = PlatenHeight;
    SetHelpPath(ModulePathWithExtension(module, "chm"));
    DSCore_UISetCoreInfo(&info);

    // Without a resource module beside the library, its own (dialog-free)
    // resources are used; a module that exists but will not load leaves none.
    resourceModule = module;
    if (FileExists(info.resourcePath)) resourceModule = LoadLibraryA(info.resourcePath);
    ResetAdjustments(GetScanSettings());
}

void StartUp(HMODULE module) {
    InstallPlatformHooks();
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0x0A2F};
    InitCommonControlsEx(&controls);
    memset(GetMainUiState(), 0, sizeof(MainUiState));
    SetAdjustmentDefaults();
    InitCore(module);
    // The interface takes every dialog, string and picture from here.
    GetUiGlobals()->resourceHandle = resourceModule;
    SetMainDefaults();

    std::string adjustmentPath = CommonAppDataFile("ZOL_MF1DS.ini");
    CopyText(GetUiGlobals()->settingsFilePath, sizeof GetUiGlobals()->settingsFilePath, adjustmentPath);
    LoadAdjustmentSettings(GetUiGlobals()->settingsFilePath);
    std::string mainPath = CommonAppDataFile("KTX_TWAIN.ini");
    CopyText(GetMainUiState()->settingsPath, sizeof GetMainUiState()->settingsPath, mainPath);
    LoadMainSettings(GetMainUiState()->settingsPath);
    ApplyAdjustmentSettings();
    InstallUiCallbacks();
}

void ShutDown(HMODULE module) {
    if (resourceModule != nullptr && resourceModule != module) FreeLibrary(resourceModule);
    resourceModule = nullptr;
    GetUiGlobals()->resourceHandle = nullptr;
}
