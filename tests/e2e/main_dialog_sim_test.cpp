// A user scanning from the source's own dialog: the application enables the
// source with its interface through Wine's manager, the test sets colour,
// resolution and an area in the dialog and presses Scan, the page arrives by
// native transfer, and Close asks the application to close the source.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/support/sim_client.h"

namespace {

// Control numbers of the main dialog (the resource module's header is for
// the source's own build; these few are what a user touches here).
constexpr int MethodList = 800, SizeList = 801, RotationList = 803, UnitList = 804, ColourList = 805,
              ResolutionList = 807, AreaBox = 851, AreaLeft = 752, AreaTop = 753, AreaWidth = 754,
              AreaLength = 755, ScanButton = 651, CloseButton = 653;

void Type(HWND dialog, int id, const char* text) {
    SetFocus(GetDlgItem(dialog, id));
    SetDlgItemTextA(dialog, id, text);
    SetFocus(GetDlgItem(dialog, ColourList));
}

std::string SetWindowLine(const std::string& log) {
    const size_t start = log.rfind("SCAN_SETWINDOW ");
    if (start == std::string::npos) return "";
    return log.substr(start, log.find('\n', start) - start);
}

TEST(MainDialogWithSimulator, ScanFromTheDialogDeliversTheChosenArea) {
    DeleteFileA(SettingsFile().c_str());
    SimulatedDevice device;
    TestApplication app;
    TW_IDENTITY source{};
    OpenSourceOnSimulator("", "0", &device, &app, &source);
    if (HasFatalFailure() || IsSkipped()) return;

    TW_USERINTERFACE ui{1, 0, app.window};
    ASSERT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    HWND dialog = SourceDialog();
    ASSERT_NE(nullptr, dialog);

    // A4 on the glass, unturned, grey at 150 dpi, an area of 100 x 50 mm at (20, 30).
    Select(dialog, SizeList, 1);
    Select(dialog, MethodList, 0);
    Select(dialog, RotationList, 3);
    Select(dialog, UnitList, 1);
    Select(dialog, ColourList, 2);
    Select(dialog, ResolutionList, 1);
    CheckDlgButton(dialog, AreaBox, BST_CHECKED);
    Click(dialog, AreaBox);
    Type(dialog, AreaLeft, "20");
    Type(dialog, AreaTop, "30");
    Type(dialog, AreaWidth, "100");
    Type(dialog, AreaLength, "50");
    Click(dialog, ScanButton);
    ASSERT_EQ(MSG_XFERREADY, app.WaitForSourceMessage(&source, 20000)) << ReadSimulatorLog(device);

    TW_UINT32 handle = 0;
    ASSERT_EQ(TWRC_XFERDONE, app.Call(&source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle))
        << ReadSimulatorLog(device);
    HGLOBAL dib = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handle));
    const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    ASSERT_NE(nullptr, header);
    // 100 x 50 mm at 150 dpi, whole pixels of the area's 1/6000-inch values.
    EXPECT_EQ(590, header->biWidth);
    EXPECT_EQ(295, std::abs(header->biHeight));
    EXPECT_EQ(8, header->biBitCount);
    GlobalUnlock(dib);
    GlobalFree(dib);

    // The device was asked for that window in 1/600 inch, grey.
    const std::string window = SetWindowLine(ReadSimulatorLog(device));
    EXPECT_NE(std::string::npos, window.find("type=2")) << window;
    EXPECT_NE(std::string::npos, window.find("x=472 y=708 width=2360 length=1180")) << window;

    TW_PENDINGXFERS pending{};
    EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(0, pending.Count);

    Click(dialog, CloseButton);
    EXPECT_EQ(MSG_CLOSEDSREQ, app.WaitForSourceMessage(&source, 10000));
    EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
    EXPECT_EQ(nullptr, SourceDialog()) << "disabling the source removes its dialog";
    EXPECT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source));
    EXPECT_EQ(TWRC_SUCCESS, app.CloseManager());
    StopSimulatedDevice(&device);
    DeleteFileA(SettingsFile().c_str());
}

// What a long-lived application leaves behind: windows of its process and
// kernel handles, counted after each session opened with the dialog, scanned
// from it and closed. (Wine does not count GDI objects for a process, so
// those are left to the dialog tests' scope objects.)
BOOL CALLBACK CountOwnWindow(HWND window, LPARAM counter) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

int WindowsOfThisProcess() {
    int count = 0;
    EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Wine answers GetProcessHandleCount with 0; the system's handle list, which
// it does keep, names each handle's owner.
DWORD HandlesOfThisProcess() {
    struct HandleEntry {
        ULONG ownerPid;
        BYTE objectType, flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    struct HandleList {
        ULONG count;
        HandleEntry entries[1];
    };
    using QueryProc = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return 0;
    constexpr ULONG SystemHandleInformation = 16;
    std::vector<char> buffer(1 << 20);
    ULONG needed = 0;
    while (query(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) != 0) {
        if (buffer.size() >= (64u << 20)) return 0;
        buffer.resize(buffer.size() * 2);
    }
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    DWORD own = 0;
    for (ULONG i = 0; i < list->count; ++i) {
        if (list->entries[i].ownerPid == GetCurrentProcessId()) ++own;
    }
    return own;
}

TEST(MainDialogWithSimulator, TwentySessionsWithTheDialogLeaveWindowsAndHandlesFlat) {
    DeleteFileA(SettingsFile().c_str());
    SimulatedDevice device;
    std::string why;
    if (!StartSimulatedDevice("", &device, &why)) GTEST_SKIP() << why;
    SetEnvironmentVariableA("TARVIK_SIM_PORT", std::to_string(device.port).c_str());
    SetEnvironmentVariableA("TARVIK_SIM_PAPER_SOURCE", "0");
    ASSERT_TRUE(InstallSourceForWineManager(TARVIK_SIM_DS_PATH));
    TestApplication app;
    ASSERT_NE(nullptr, app.entry) << "Wine's twain_32.dll did not load";
    ASSERT_EQ(TWRC_SUCCESS, app.OpenManager());
    TW_IDENTITY source{};
    ASSERT_TRUE(app.FindSource("Tarvik4100 TWAIN", &source));

    int windowsAfterFirst = 0;
    DWORD handlesAfterFirst = 0;
    for (int session = 0; session < 20; ++session) {
        SCOPED_TRACE("session " + std::to_string(session));
        ASSERT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source));
        TW_USERINTERFACE ui{1, 0, app.window};
        ASSERT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
        HWND dialog = SourceDialog();
        ASSERT_NE(nullptr, dialog);
        Select(dialog, ColourList, 2);
        Select(dialog, ResolutionList, 0);
        Click(dialog, ScanButton);
        ASSERT_EQ(MSG_XFERREADY, app.WaitForSourceMessage(&source, 20000)) << ReadSimulatorLog(device);
        TW_UINT32 handle = 0;
        ASSERT_EQ(TWRC_XFERDONE, app.Call(&source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
        GlobalFree(reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handle)));
        TW_PENDINGXFERS pending{};
        ASSERT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
        Click(dialog, CloseButton);
        ASSERT_EQ(MSG_CLOSEDSREQ, app.WaitForSourceMessage(&source, 10000));
        ASSERT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
        ASSERT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source));
        // The first session makes what lives as long as the library (Winsock,
        // the progress thread's class); every later one must give back all it took.
        if (session == 0) {
            windowsAfterFirst = WindowsOfThisProcess();
            handlesAfterFirst = HandlesOfThisProcess();
        }
    }
    ASSERT_GT(handlesAfterFirst, 0u) << "the handle list could not be read";
    EXPECT_EQ(windowsAfterFirst, WindowsOfThisProcess());
    // A few handles of Wine's own (its RPC and timer threads) come and go.
    EXPECT_LE(HandlesOfThisProcess(), handlesAfterFirst + 4) << "after the first session: " << handlesAfterFirst;
    EXPECT_EQ(TWRC_SUCCESS, app.CloseManager());
    StopSimulatedDevice(&device);
    DeleteFileA(SettingsFile().c_str());
}

}  // namespace
