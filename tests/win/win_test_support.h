// Helpers shared by the Windows tests.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/handlers.h"
#include "core/ui_callbacks.h"
#include "core/win_handles.h"

extern "C" TW_UINT16 TW_CALLINGSTYLE DS_Entry(pTW_IDENTITY origin, TW_UINT32 group, TW_UINT16 dat,
                                              TW_UINT16 msg, TW_MEMREF data);

// "/work/x" as Wine sees it: "Z:\work\x".
std::string WinPathFromUnix(const std::string& unixPath);
// An application identity as a manager would hand it to the source.
TW_IDENTITY AppIdentity(TW_UINT32 id);
// The library's start-up run on the test program, with a fresh open flag, an
// empty interface table and an empty USB bus.
void ResetSource();
// The process-local open flag of the test build.
void ResetOpenFlagForTest();
// Opens the source as application 'appId' with the device choice answering 'choice'.
TW_UINT16 OpenSourceWithChoice(TW_UINT32 appId, int choice);
// Points the device link at a network device on loopback, with the identity
// the selection dialog would give it.
void PointLinkAtLoopbackDevice(uint16_t port);
// The messages the recording stand-in manager received; null when it is not loaded.
struct RecordedDsmCalls* RecordedManagerCalls();

// The resource module of the build, loaded once for the test program.
HMODULE ResourceModule();
// String 'id' of the resource module.
std::string ResourceString(unsigned id);
// Has the window paint itself now, copies what it painted and saves it as a
// 24-bit BMP 'name'.bmp under the build tree; false when the file could not be
// written.
bool SaveScreenshot(HWND window, const std::string& name);

// Records the text of every message box that becomes active on the watched
// threads and presses its OK, as a user reading it would. A dialog holding
// control 'notInDialogWith' is not taken for a message box.
class MessageBoxReader {
   public:
    explicit MessageBoxReader(int notInDialogWith = 0) { notInDialogWith_ = notInDialogWith; }
    ~MessageBoxReader() { Clear(); }
    MessageBoxReader(const MessageBoxReader&) = delete;
    MessageBoxReader& operator=(const MessageBoxReader&) = delete;
    void Watch(DWORD threadId);
    std::vector<std::string> Texts();
    void Clear();

   private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static inline std::mutex mutex_;
    static inline std::vector<std::string> texts_;
    static inline int notInDialogWith_ = 0;
    std::vector<WindowsHook> hooks_;
};

// Runs 'open', which shows modal dialogs on this thread, while 'steps' drive
// them: each step runs from the message filter of whichever modal loop is
// running when its turn comes (also one the step before opened), with the
// active window. Every step must run. With 'closeLeftOpen', a dialog still
// open once the steps are done fails the test and is closed, so a fault
// cannot hang it.
void RunScript(std::vector<std::function<void(HWND)>> steps, const std::function<void()>& open,
               bool closeLeftOpen = false);
