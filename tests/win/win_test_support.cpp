#include "tests/win/win_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <deque>

#include "core/startup.h"
#include "device/usb_transport.h"
#include "tests/win/recording_twain32.h"

namespace {
constexpr UINT ScriptMessage = WM_APP + 71;
std::deque<std::function<void(HWND)>> script;
bool closeScriptLeftOpen;
HHOOK filterHook;

LRESULT CALLBACK ScriptFilter(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code >= 0 && message->hwnd == nullptr && message->message == ScriptMessage) {
        if (script.empty()) {
            if (!closeScriptLeftOpen) return CallNextHookEx(filterHook, code, wParam, lParam);
            ADD_FAILURE() << "the script left a dialog open";
            PostMessageA(GetActiveWindow(), WM_CLOSE, 0, 0);
            return TRUE;
        }
        auto step = script.front();
        script.pop_front();
        // The next step waits in the queue: it runs in whichever modal loop
        // comes next, also in one this step opens.
        if (!script.empty() || closeScriptLeftOpen)
            PostThreadMessageA(GetCurrentThreadId(), ScriptMessage, 0, 0);
        step(GetActiveWindow());
        return TRUE;
    }
    return CallNextHookEx(filterHook, code, wParam, lParam);
}

bool openFlag;
// Wine has no still-image devices: every Usbscan path fails to open. Saying so
// directly spares each USB open 200,000 real failed file opens.
HANDLE NoUsbDevice(const char*) { return INVALID_HANDLE_VALUE; }
int choiceAnswer;
int AnswerChoice() { return choiceAnswer; }
}  // namespace

// Test build of the open flag: process-local, so tests can start afresh.
bool TakeOpenFlag() {
    if (openFlag) return false;
    openFlag = true;
    return true;
}
void GiveBackOpenFlag() { openFlag = false; }
bool IsOpenFlagTaken() { return openFlag; }
void ResetOpenFlagForTest() { openFlag = false; }

std::string WinPathFromUnix(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

TW_IDENTITY AppIdentity(TW_UINT32 id) {
    TW_IDENTITY app{};
    app.Id = id;
    app.ProtocolMajor = 1;
    app.ProtocolMinor = 9;
    app.SupportedGroups = DG_CONTROL | DG_IMAGE;
    strcpy(app.ProductName, "Test application");
    return app;
}

void ResetSource() {
    ShutDown(GetModuleHandleA(nullptr));
    StartUp(GetModuleHandleA(nullptr));
    ResetOpenFlagForTest();
    ResetUsbPlatformCalls();
    GetUsbPlatformCalls()->openPath = NoUsbDevice;
}

TW_UINT16 OpenSourceWithChoice(TW_UINT32 appId, int choice) {
    choiceAnswer = choice;
    GetUiCallbacks()->ChooseDevice = AnswerChoice;
    TW_IDENTITY app = AppIdentity(appId);
    TW_IDENTITY ds = GetCoreContext()->dsIdentity;
    ds.Id = appId + 1000;
    return DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds);
}

RecordedDsmCalls* RecordedManagerCalls() {
    HMODULE manager = GetModuleHandleA("TWAIN_32.DLL");
    if (manager == nullptr) return nullptr;
    auto proc = reinterpret_cast<RecordedCallsProc>(
        reinterpret_cast<void*>(GetProcAddress(manager, "RecordedCalls")));
    return proc != nullptr ? proc() : nullptr;
}

void PointLinkAtLoopbackDevice(uint16_t port) {
    char address[20] = "127.0.0.1";
    SetTransportKind(1);
    SetLinkAddress(address);
    SetLinkPort(port);
    uint8_t identity[29] = {0x02};
    memcpy(identity + 1, "Tarvik4100", 11);
    memcpy(identity + 12, "MorvelTarvik4100", 17);
    SetLinkIdentity(identity, sizeof identity);
}

HMODULE ResourceModule() {
    static HMODULE module = LoadLibraryA(WinPathFromUnix(TARVIK_RESOURCE_PATH).c_str());
    return module;
}

std::string ResourceString(unsigned id) {
    char text[512] = {};
    LoadStringA(ResourceModule(), id, text, sizeof text);
    return text;
}

bool SaveScreenshot(HWND window, const std::string& name) {
    if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOWNA);
    // Painted now by the window's thread, into the pixels its window DC reads back.
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r;
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC windowDc = GetWindowDC(window);
    MemoryDc memory(CreateCompatibleDC(windowDc));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap(CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap) {
        SelectedObject selected(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
        GdiFlush();
    }
    ReleaseDC(window, windowDc);
    if (bits == nullptr) return false;
    const std::string folder = WinPathFromUnix(TARVIK_SCREENSHOT_DIR);
    CreateDirectoryA(folder.c_str(), nullptr);
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof info.bmiHeader};
    file.bfSize = file.bfOffBits + rowBytes * height;
    FILE* f = fopen((folder + "\\" + name + ".bmp").c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = fwrite(&file, sizeof file, 1, f) == 1 &&
                         fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f) == 1 &&
                         fwrite(bits, rowBytes * height, 1, f) == 1;
    return fclose(f) == 0 && written;
}

void MessageBoxReader::Watch(DWORD threadId) {
    hooks_.emplace_back(SetWindowsHookExA(WH_CBT, Hook, nullptr, threadId));
    ASSERT_TRUE(hooks_.back()) << "no hook on thread " << threadId;
}

std::vector<std::string> MessageBoxReader::Texts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
}

void MessageBoxReader::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    texts_.clear();
}

LRESULT CALLBACK MessageBoxReader::Hook(int code, WPARAM wParam, LPARAM lParam) {
    HWND box = reinterpret_cast<HWND>(wParam);
    // A message box is the one dialog whose text is a static numbered 0xFFFF.
    if (code == HCBT_ACTIVATE && GetDlgItem(box, 0xFFFF) != nullptr &&
        (notInDialogWith_ == 0 || GetDlgItem(box, notInDialogWith_) == nullptr)) {
        char text[512] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            texts_.emplace_back(text);
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void RunScript(std::vector<std::function<void(HWND)>> steps, const std::function<void()>& open,
               bool closeLeftOpen) {
    script.assign(steps.begin(), steps.end());
    closeScriptLeftOpen = closeLeftOpen;
    filterHook = SetWindowsHookExA(WH_MSGFILTER, ScriptFilter, nullptr, GetCurrentThreadId());
    PostThreadMessageA(GetCurrentThreadId(), ScriptMessage, 0, 0);
    open();
    UnhookWindowsHookEx(filterHook);
    EXPECT_TRUE(script.empty()) << script.size() << " steps did not run";
    script.clear();
    // A step that ended the last dialog leaves the next turn in the queue.
    MSG left;
    while (PeekMessageA(&left, nullptr, ScriptMessage, ScriptMessage, PM_REMOVE)) {
    }
}
