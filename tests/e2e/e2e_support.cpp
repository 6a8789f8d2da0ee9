// Drives Wine's own Data Source Manager as an application does.
#include "tests/e2e/e2e_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

std::string WinPathFromUnix(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

bool InstallSourceForWineManager(const char* dsPath) {
    char windows[MAX_PATH] = {};
    if (GetWindowsDirectoryA(windows, MAX_PATH) == 0) return false;
    std::string folder = std::string(windows) + "\\twain_32";
    CreateDirectoryA(folder.c_str(), nullptr);
    // Wine's manager looks only at this one name; the resource module and the
    // help file follow the library's own name.
    std::string built = WinPathFromUnix(dsPath);
    if (!CopyFileA(built.c_str(), (folder + "\\sane.ds").c_str(), FALSE)) return false;
    std::string product = WinPathFromUnix(TARVIK_DS_PATH);
    std::string builtBase = product.substr(0, product.size() - 3);
    CopyFileA((builtBase + ".dll").c_str(), (folder + "\\sane.dll").c_str(), FALSE);
    CopyFileA((builtBase + ".chm").c_str(), (folder + "\\sane.chm").c_str(), FALSE);
    return true;
}

std::string SelectionDialogTitle() {
    std::string built = WinPathFromUnix(TARVIK_DS_PATH);
    std::string resources = built.substr(0, built.size() - 3) + ".dll";
    HMODULE module = LoadLibraryExA(resources.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char title[256] = {};
    if (module != nullptr) {
        LoadStringA(module, 2116, title, sizeof title);
        FreeLibrary(module);
    }
    return title;
}

SelectionDialogCanceller::SelectionDialogCanceller() {
    std::string title = SelectionDialogTitle();
    thread_ = std::thread([this, title] {
        while (!stop_ && !title.empty()) {
            HWND dialog = FindWindowA("#32770", title.c_str());
            if (dialog != nullptr && IsWindowVisible(dialog)) {
                ++cancelled_;
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1178, BN_CLICKED), 0);
                Sleep(500);
            }
            Sleep(50);
        }
    });
}

SelectionDialogCanceller::~SelectionDialogCanceller() {
    stop_ = true;
    thread_.join();
}

TestApplication::TestApplication() {
    identity.Id = 0;
    identity.Version.MajorNum = 1;
    identity.Version.Language = TWLG_ENGLISH_USA;
    identity.Version.Country = TWCY_USA;
    strcpy(identity.Version.Info, "1.0");
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 9;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    strcpy(identity.Manufacturer, "Tests");
    strcpy(identity.ProductFamily, "Tests");
    strcpy(identity.ProductName, "E2E application");
    window = CreateWindowA("STATIC", "e2e", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    manager = LoadLibraryA("twain_32.dll");
    if (manager != nullptr) {
        entry = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager, "DSM_Entry")));
    }
}

TestApplication::~TestApplication() {
    if (manager != nullptr) FreeLibrary(manager);
    if (window != nullptr) DestroyWindow(window);
}

TW_UINT16 TestApplication::Call(pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                                TW_MEMREF data) {
    if (entry == nullptr) return TWRC_FAILURE;
    return entry(&identity, destination, group, dat, msg, data);
}

TW_UINT16 TestApplication::OpenManager() {
    // Wine's manager takes the window handle itself as the data, not a pointer to it.
    return Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, reinterpret_cast<TW_MEMREF>(window));
}

TW_UINT16 TestApplication::CloseManager() {
    return Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, reinterpret_cast<TW_MEMREF>(window));
}

bool TestApplication::FindSource(const char* productName, TW_IDENTITY* found) {
    TW_IDENTITY candidate{};
    TW_UINT16 rc = Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &candidate);
    while (rc == TWRC_SUCCESS) {
        if (strcmp(candidate.ProductName, productName) == 0) {
            *found = candidate;
            return true;
        }
        candidate = TW_IDENTITY{};
        rc = Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &candidate);
    }
    return false;
}

TW_UINT16 TestApplication::WaitForSourceMessage(pTW_IDENTITY source, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TW_EVENT event{&message, MSG_NULL};
            TW_UINT16 rc = Call(source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
            if (rc == TWRC_DSEVENT && event.TWMessage != MSG_NULL) return event.TWMessage;
            if (rc == TWRC_NOTDSEVENT) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return MSG_NULL;
}

namespace {

// An inheritable file the child writes its output to. Files rather than pipes:
// Wine's helper processes inherit the handles and would keep a pipe open
// long after the child has ended. For the same reason the child's copy may
// still be open when we are done: the file goes when its last handle closes.
HANDLE CaptureFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

std::string ReadCapture(HANDLE file) {
    std::string text;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    return text;
}

}  // namespace

ProgramRun RunProgram(const std::string& commandLine, DWORD timeoutMs) {
    ProgramRun run;
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string base = std::string(folder) + "e2e_run_" + std::to_string(GetCurrentProcessId());
    HANDLE out = CaptureFile(base + ".out");
    HANDLE err = CaptureFile(base + ".err");
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
        return run;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::string mutableLine = commandLine;
    if (CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 0xffffffff);
            WaitForSingleObject(process.hProcess, INFINITE);
        }
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    run.out = ReadCapture(out);
    run.err = ReadCapture(err);
    CloseHandle(out);
    CloseHandle(err);
    return run;
}

void RemoveTestFolder(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                DeleteFileA((folder + "\\" + entry.cFileName).c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

void OpenSourceOnSimulator(const std::string& flags, const char* paperSource, SimulatedDevice* device,
                           TestApplication* app, TW_IDENTITY* source) {
    std::string why;
    if (!StartSimulatedDevice(flags, device, &why)) GTEST_SKIP() << why;
    // Read by the test build when the manager loads it.
    SetEnvironmentVariableA("TARVIK_SIM_PORT", std::to_string(device->port).c_str());
    SetEnvironmentVariableA("TARVIK_SIM_PAPER_SOURCE", paperSource);
    ASSERT_TRUE(InstallSourceForWineManager(TARVIK_SIM_DS_PATH));
    ASSERT_NE(nullptr, app->entry) << "Wine's twain_32.dll did not load";
    ASSERT_EQ(TWRC_SUCCESS, app->OpenManager());
    ASSERT_TRUE(app->FindSource("Tarvik4100 TWAIN", source));
    ASSERT_EQ(TWRC_SUCCESS, app->Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, source));
}

namespace {
BOOL CALLBACK TakeSourceDialog(HWND window, LPARAM out) {
    char title[64] = {}, kind[16] = {};
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, kind, sizeof kind);
    // The preview window has the same title; the main dialog has the size list.
    constexpr int SizeList = 801;
    if (std::string(kind) != "#32770" || std::string(title) != "Tarvik4100" ||
        GetDlgItem(window, SizeList) == nullptr)
        return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}
}  // namespace

HWND SourceDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeSourceDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

void Select(HWND dialog, int id, int index) {
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Click(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string CommonAppData(const char* name) {
    char folder[MAX_PATH] = {};
    GetEnvironmentVariableA("ProgramData", folder, sizeof folder);
    return std::string(folder[0] != '\0' ? folder : "C:\\ProgramData") + "\\" + name;
}

std::string SettingsFile() { return CommonAppData("KTX_TWAIN.ini"); }

SettingsFilesKept::SettingsFilesKept() {
    for (const char* name : names_)
        MoveFileExA(CommonAppData(name).c_str(), (CommonAppData(name) + ".kept").c_str(),
                    MOVEFILE_REPLACE_EXISTING);
}

SettingsFilesKept::~SettingsFilesKept() {
    for (const char* name : names_) {
        DeleteFileA(CommonAppData(name).c_str());
        MoveFileExA((CommonAppData(name) + ".kept").c_str(), CommonAppData(name).c_str(),
                    MOVEFILE_REPLACE_EXISTING);
    }
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string TempFolder(const char* name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void TwscanSimulatorTest::StartDevice(const std::string& flags) {
    std::string why;
    if (!StartSimulatedDevice(flags, &device, &why)) GTEST_SKIP() << why;
    started = true;
    SetEnvironmentVariableA("TARVIK_SIM_PORT", std::to_string(device.port).c_str());
    ASSERT_TRUE(InstallSourceForWineManager(TARVIK_SIM_DS_PATH));
    folder = TempFolder(folderName_);
}

void TwscanSimulatorTest::TearDown() {
    SetEnvironmentVariableA("TARVIK_SIM_PAPER_SOURCE", nullptr);
    if (started) StopSimulatedDevice(&device);
    if (!folder.empty()) RemoveTestFolder(folder);
}
