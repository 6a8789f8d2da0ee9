// The main scan dialog: the modeless window an application sees when it
// enables the source with its interface. It runs on the application's thread;
// its messages arrive through the application's loop and FilterEvent.
#pragma once

#include <windows.h>

#include <cstdint>

// What the dialog asks of the core; the default rows reach the real core,
// tests put recorders here.
struct MainDialogBackend {
    int (*startFinalScan)();  // 0 announced, 1 device failed, 5 feeder empty
    int (*startPreview)();    // 0 when the preview job began
    void (*requestClose)();
    void (*saveSettings)(const char* path);
};
MainDialogBackend* GetMainDialogBackend();

// Where other dialogs plug in; an empty row does nothing. The registration
// dialogs, the About box and help come with their own code; the preview
// window opens once a preview has started and drops its drawing surfaces
// when the dialog closes.
struct MainDialogHooks {
    void (*modeRegistration)(HWND mainDialog);  // button 650
    void (*areaRegistration)(HWND mainDialog);  // button 657
    void (*help)(HWND mainDialog);              // button 654
    void (*about)(HWND mainDialog);             // button 658
    void (*openPreview)(HWND mainDialog);       // after a preview started
    void (*dropPreviewSurfaces)();              // when the dialog closes
};
MainDialogHooks* GetMainDialogHooks();

// Interface slots of the main dialog.
int ShowMainDialog(void* parentWindow);  // 0 shown, 1 the dialog failed
void DestroyMainDialog();
void ShowMainWindows();
void HideMainWindows();
int FilterEvent(void* platformMessage);  // true when the dialog consumed it

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// For the registration dialogs: rebuild the mode list from modeTable, the
// size list from areaTable (keeping scanSize selected), and select a size as
// if the user had picked it.
void ReloadModeList(HWND dialog);
void ReloadSizeList(HWND dialog);
void SelectSize(HWND dialog, int32_t sizeIndex);
// The signed byte sum of the code page's ideographic space, for TrimName.
int MainDbcsSpaceSum();
// The message 0x8002 that carries a device status to the dialog.
constexpr UINT DeviceStatusMessage = WM_APP + 2;
