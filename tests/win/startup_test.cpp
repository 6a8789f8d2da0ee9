// The attach sequence: resource module beside the library (missing, present,
// not loadable) and the two settings files in the common application-data
// folder (absent, present).
#include "core/startup.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/app_data_path.h"
#include "core/core_context.h"
#include "tests/win/win_test_support.h"
#include "ui/adjustment_settings.h"
#include "ui/main_settings.h"

namespace {

enum class ResourceCase { Missing, Present, Unloadable };

// A copy of the built library in a folder of its own, with or without a
// resource module beside it, loaded as a manager would load it.
class InstalledCopy {
   public:
    explicit InstalledCopy(ResourceCase resources) {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder_ = std::string(temp) + "tarvik-startup-" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(static_cast<int>(resources));
        CreateDirectoryA(folder_.c_str(), nullptr);
        CopyFileA(WinPathFromUnix(TARVIK_DS_PATH).c_str(), Ds().c_str(), FALSE);
        if (resources == ResourceCase::Present) {
            CopyFileA(WinPathFromUnix(TARVIK_RESOURCE_PATH).c_str(), Dll().c_str(), FALSE);
        } else if (resources == ResourceCase::Unloadable) {
            FILE* f = fopen(Dll().c_str(), "wb");
            if (f != nullptr) {
                fputs("MZ but nothing a loader could use", f);
                fclose(f);
            }
        }
        module = LoadLibraryA(Ds().c_str());
    }
    ~InstalledCopy() {
        if (module != nullptr) FreeLibrary(module);
        DeleteFileA(Dll().c_str());
        DeleteFileA(Ds().c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string Ds() const { return folder_ + "\\Tarvik4100.ds"; }
    std::string Dll() const { return folder_ + "\\Tarvik4100.dll"; }
    HMODULE module = nullptr;

   private:
    std::string folder_;
};

// Moves existing settings files aside for the test and puts them back after.
class SettingsFilesAside {
   public:
    SettingsFilesAside() {
        for (const char* name : names_)
            MoveFileExA(Path(name).c_str(), Aside(name).c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ~SettingsFilesAside() {
        for (const char* name : names_) {
            DeleteFileA(Path(name).c_str());
            MoveFileExA(Aside(name).c_str(), Path(name).c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
    void Write(const char* name, const char* text) {
        FILE* f = fopen(Path(name).c_str(), "wb");
        ASSERT_NE(nullptr, f) << Path(name);
        fputs(text, f);
        fclose(f);
    }

   private:
    static std::string Path(const char* name) { return CommonAppDataFile(name); }
    static std::string Aside(const char* name) { return CommonAppDataFile(name) + ".test-aside"; }
    const char* names_[2] = {"ZOL_MF1DS.ini", "KTX_TWAIN.ini"};
};

// Runs the attach sequence of the test program's copy of the code as if it
// were the library at the copy's path.
void StartUpAs(HMODULE module) {
    ShutDown(GetModuleHandleA(nullptr));
    StartUp(module);
}

void Restore(HMODULE module) {
    ShutDown(module);
    ResetSource();
}

TEST(StartUp, ResourceModuleMissingPresentOrUnloadable) {
    struct Case {
        ResourceCase resources;
        const char* name;
    };
    for (const Case& c : {Case{ResourceCase::Missing, "missing"}, Case{ResourceCase::Present, "present"},
                          Case{ResourceCase::Unloadable, "unloadable"}}) {
        InstalledCopy copy(c.resources);
        ASSERT_NE(nullptr, copy.module) << "the library itself must attach with the module " << c.name;
        StartUpAs(copy.module);
        HMODULE resources = static_cast<HMODULE>(GetUiGlobals()->resourceHandle);
        EXPECT_EQ(resources, GetResourceModule()) << c.name;
        char text[256] = {};
        switch (c.resources) {
            case ResourceCase::Missing:
                EXPECT_EQ(copy.module, resources);
                EXPECT_EQ(-1, GetUiCallbacks()->ChooseDevice()) << "no template 102 in the library itself";
                EXPECT_STREQ("", GetMainUiState()->modeTable[1].name);
                break;
            case ResourceCase::Present:
                ASSERT_NE(nullptr, resources);
                EXPECT_NE(copy.module, resources);
                EXPECT_GT(LoadStringA(resources, 2080, text, sizeof text), 0);
                EXPECT_STREQ("Standard", GetMainUiState()->modeTable[1].name);
                EXPECT_NE(nullptr, FindResourceA(resources, MAKEINTRESOURCEA(102), MAKEINTRESOURCEA(5)));
                break;
            case ResourceCase::Unloadable:
                EXPECT_EQ(nullptr, resources);
                EXPECT_EQ(-1, GetUiCallbacks()->ChooseDevice());
                break;
        }
        // Only a loaded resource module holds the main dialog's template.
        const int shown = GetUiCallbacks()->ShowMainDialog(nullptr);
        EXPECT_EQ(c.resources == ResourceCase::Present ? 0 : 1, shown) << c.name;
        GetUiCallbacks()->DestroyMainDialog();
        EXPECT_EQ(nullptr, GetMainUiState()->mainDialog) << c.name;
        Restore(copy.module);
    }
}

TEST(StartUp, WithoutSettingsFilesTheStartValuesReachTheCore) {
    SettingsFilesAside aside;
    InstalledCopy copy(ResourceCase::Missing);
    StartUpAs(copy.module);
    const CoreContext& core = *GetCoreContext();
    bool metric = GetProfileIntA("intl", "iMeasure", 1) != 1;
    EXPECT_EQ(0, core.transportKindSetting);
    EXPECT_EQ(2, core.scan.pixelType);
    EXPECT_EQ(4, core.scanWindow.resolutionIndex);
    EXPECT_EQ(metric ? 2 : 12, core.scanWindow.paperSizeCode);
    EXPECT_EQ(metric ? 2480 : 2550, core.scanWindow.areaWidth);
    EXPECT_EQ(metric ? 1 : 7, GetMainUiState()->scanSize);
    EXPECT_STREQ("", GetMainUiState()->ipAddress);
    std::string adjustmentPath = GetUiGlobals()->settingsFilePath;
    std::string mainPath = GetMainUiState()->settingsPath;
    EXPECT_EQ(CommonAppDataFile("ZOL_MF1DS.ini"), adjustmentPath);
    EXPECT_EQ(CommonAppDataFile("KTX_TWAIN.ini"), mainPath);
    Restore(copy.module);
}

TEST(StartUp, SettingsFilesAreLoadedAndApplied) {
    SettingsFilesAside aside;
    aside.Write("ZOL_MF1DS.ini",
                "[KRVDS TWAIN]\r\nIOTypeSelect=1\r\nBright=150\r\nPaperSize=12\r\nScanMode=3\r\n");
    aside.Write("KTX_TWAIN.ini", "[KRVDS TWAIN]\r\nIPAddress=10.0.0.7\r\nScan_Size=5\r\n");
    InstalledCopy copy(ResourceCase::Present);
    StartUpAs(copy.module);
    const CoreContext& core = *GetCoreContext();
    EXPECT_EQ(1, core.transportKindSetting);
    EXPECT_EQ(100, core.scan.brightness);
    EXPECT_EQ(3, core.scan.pixelType);
    EXPECT_EQ(12, core.scanWindow.paperSizeCode);
    EXPECT_EQ(2550, core.scanWindow.areaWidth);
    EXPECT_STREQ("10.0.0.7", GetMainUiState()->ipAddress);
    EXPECT_EQ(5, GetMainUiState()->scanSize);
    EXPECT_EQ(30236, GetMainUiState()->scanA) << "the B6 the file names";
    Restore(copy.module);
}

TEST(StartUp, EveryInterfaceSlotIsFilledAndSafeWithoutWindows) {
    ResetSource();
    UiCallbackTable& t = *GetUiCallbacks();
    void* const slots[] = {
        reinterpret_cast<void*>(t.ShowMainDialog),        reinterpret_cast<void*>(t.DestroyMainDialog),
        reinterpret_cast<void*>(t.CloseAdjustmentDialog), reinterpret_cast<void*>(t.ShowMainWindows),
        reinterpret_cast<void*>(t.HideMainWindows),       reinterpret_cast<void*>(t.IsAdjustmentDialogOpen),
        reinterpret_cast<void*>(t.IsProgressOpen),        reinterpret_cast<void*>(t.CancelProgress),
        reinterpret_cast<void*>(t.StartProgress),         reinterpret_cast<void*>(t.CloseProgress),
        reinterpret_cast<void*>(t.ChooseDevice),          reinterpret_cast<void*>(t.FilterEvent),
        reinterpret_cast<void*>(t.ReportDeviceStatus),
    };
    for (size_t i = 0; i < sizeof slots / sizeof slots[0]; ++i) EXPECT_NE(nullptr, slots[i]) << "slot " << i;
    t.DestroyMainDialog();
    t.CloseAdjustmentDialog();
    t.ShowMainWindows();
    t.HideMainWindows();
    EXPECT_EQ(0, t.IsAdjustmentDialogOpen());
    EXPECT_EQ(0, t.IsProgressOpen());
    t.CancelProgress();
    t.StartProgress(0);
    DWORD before = GetTickCount();
    t.CloseProgress(2000);
    EXPECT_LT(GetTickCount() - before, 1000u) << "no progress dialog: no wait either";
    MSG message{};
    EXPECT_EQ(0, t.FilterEvent(&message));
    EXPECT_EQ(0, t.FilterEvent(nullptr));
    t.ReportDeviceStatus(1);
}

TEST(StartUp, ReportDeviceStatusReachesTheProgressWindowFirst) {
    ResetSource();
    struct Seen {
        static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
            if (m == WM_APP + 2) SetWindowLongPtrA(w, GWLP_USERDATA, static_cast<LONG_PTR>(wp) + 1);
            return DefWindowProcA(w, m, wp, lp);
        }
    };
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = Seen::Proc;
    windowClass.lpszClassName = "TarvikStatusProbe";
    windowClass.hInstance = GetModuleHandleA(nullptr);
    RegisterClassA(&windowClass);
    HWND progress = CreateWindowA("TarvikStatusProbe", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    HWND main = CreateWindowA("TarvikStatusProbe", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    GetMainUiState()->mainDialog = main;
    GetUiGlobals()->progressState.window = progress;
    GetUiCallbacks()->ReportDeviceStatus(4);
    EXPECT_EQ(5, GetWindowLongPtrA(progress, GWLP_USERDATA));
    EXPECT_EQ(0, GetWindowLongPtrA(main, GWLP_USERDATA));
    GetUiGlobals()->progressState.window = nullptr;
    GetUiCallbacks()->ReportDeviceStatus(2);
    EXPECT_EQ(3, GetWindowLongPtrA(main, GWLP_USERDATA));
    GetUiCallbacks()->DestroyMainDialog();
    EXPECT_EQ(nullptr, GetMainUiState()->mainDialog);
    EXPECT_FALSE(IsWindow(main));
    DestroyWindow(progress);
}

}  // namespace
