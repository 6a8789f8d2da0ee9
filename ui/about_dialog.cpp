// The About box (template 532): the picture, the product with its version and two lines.
#include <cstdio>

#include "resources/resource_ids.h"
#include "ui/adjustment_settings.h"
#include "ui/device_status_message.h"
#include "ui/registration_controls.h"
#include "ui/registration_dialogs.h"

namespace {

constexpr int PictureWidth = 448;
constexpr int PictureHeight = 173;

// The picture has a fixed size in pixels while the template is laid out in
// dialog units, so the box is fitted to the picture and the text and button
// are placed under it.
void FitToPicture(HWND dialog) {
    const int margin = 12;
    RECT button;
    GetWindowRect(GetDlgItem(dialog, IDOK), &button);
    const int buttonWidth = button.right - button.left, buttonHeight = button.bottom - button.top;
    const int textHeight = 3 * HIWORD(GetDialogBaseUnits()) * 10 / 8 + 4;
    const int flags = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(GetDlgItem(dialog, IDC_ABOUT_PICTURE), nullptr, 0, 0, PictureWidth, PictureHeight, flags);
    SetWindowPos(GetDlgItem(dialog, IDC_ABOUT_TEXT), nullptr, margin, PictureHeight + margin,
                 PictureWidth - 3 * margin - buttonWidth, textHeight, flags);
    SetWindowPos(GetDlgItem(dialog, IDOK), nullptr, PictureWidth - margin - buttonWidth,
                 PictureHeight + margin + textHeight - buttonHeight, buttonWidth, buttonHeight, flags);
    RECT frame = {0, 0, PictureWidth, PictureHeight + 2 * margin + textHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 flags | SWP_NOMOVE);
}

void OnInit(HWND dialog) {
    FitToPicture(dialog);
    CenterWindow(dialog);
    SetLabel(dialog, 0, IDS_ABOUT_TITLE);
    char text[256];
    snprintf(text, sizeof text, "%s %s\n%s\n%s", ProductCaption, ProductVersion,
             Text(IDS_ABOUT_LINE_1).c_str(), Text(IDS_ABOUT_LINE_2).c_str());
    SetDlgItemTextA(dialog, IDC_ABOUT_TEXT, text);
}

void DrawAboutPicture(const DRAWITEMSTRUCT& item) {
    HMODULE module = static_cast<HMODULE>(GetUiGlobals()->resourceHandle);
    auto bitmap =
        static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(IDB_ABOUT), IMAGE_BITMAP, 0, 0, 0));
    if (bitmap == nullptr) return;
    HDC memory = CreateCompatibleDC(item.hDC);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(item.hDC, 0, 0, PictureWidth, PictureHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(dialog);
            return TRUE;
        case WM_DRAWITEM:
            DrawAboutPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void RunAboutBox(HWND parent) { RunModal(parent, IDD_ABOUT, AboutProc, 0); }
