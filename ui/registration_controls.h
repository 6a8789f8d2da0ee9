// Chores shared by the registration dialogs and the About box: labels from
// strings, message boxes, edit texts, the details list of a mode and the
// mode pictures.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>

#include "ui/dialog_helpers.h"
#include "ui/main_ui_state.h"

constexpr char ProductCaption[] = "Tarvik4100";

// One row of a dialog's command table: a control, the notification it sends
// (any when AnyNotification) and what the dialog does then.
constexpr int AnyNotification = -1;
struct CommandRow {
    int control;
    int notification;
    void (*handler)(HWND dialog);
};
// Runs the first row matching the WM_COMMAND's wParam; false when none does.
template <size_t N>
bool DispatchCommand(const CommandRow (&rows)[N], HWND dialog, WPARAM wParam) {
    for (const CommandRow& row : rows) {
        if (row.control == LOWORD(wParam) &&
            (row.notification == AnyNotification || row.notification == HIWORD(wParam))) {
            row.handler(dialog);
            return true;
        }
    }
    return false;
}

// Runs a modal dialog from template templateId of the resource module; false
// when it could not be shown.
bool RunModal(HWND parent, unsigned templateId, DLGPROC proc, LPARAM param);

// A resource string; empty when missing.
std::string Text(unsigned id);
// Sets a control's (or, with id 0, the window's) text from a string; the
// template's own text stays when the module lacks the string.
void SetLabel(HWND dialog, int id, unsigned stringId);
struct LabelRow {
    int control;
    unsigned text;
};
template <size_t N>
void SetLabels(HWND dialog, const LabelRow (&rows)[N]) {
    for (const LabelRow& row : rows) SetLabel(dialog, row.control, row.text);
}
void EnableControl(HWND dialog, int id, bool enable);
// A name edit's text as the tables keep it: trimmed, and up to the first
// NUL the trimming leaves.
std::string TrimmedName(HWND dialog, int id);
// Cuts an edit's text to limit bytes, caret at the end, when longer.
void CutEditText(HWND dialog, int id, int limit);
// A comment goes into the settings file as one line.
std::string OneLine(std::string text);

// Message boxes with the product caption: a warning, and a question that is
// true for OK. message may hold one or two "%s" for the names.
void Warn(HWND owner, unsigned message);
bool Confirm(HWND owner, unsigned message, const char* name1 = "", const char* name2 = "");
// Tests answer these message boxes through a recorder; null restores MessageBoxA.
using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
void SetMessageBoxForTesting(MessageBoxFunction function);

// The language's ideographic space for TrimName.
int SystemDbcsSpaceSum();

// Fills a details list view with the settings of mode record k, or with the
// current settings for k = 0.
void FillModeDetails(HWND list, const MainUiState& state, int k);
// The size-list text of size index s: a built-in size or a registered area.
std::string SizeListText(const MainUiState& state, int s);
// The unit's name (inch, mm, pixel).
std::string UnitName(int unit);
// Dots per inch the main dialog's pixel values stand for.
int CurrentDpi(const MainUiState& state);

// The 25 mode pictures in mode order (template first), masked on magenta;
// null when the module holds none. Kept for the life of the process.
HIMAGELIST ModePictures();
// Draws one cell of a mode strip as the main dialog does: the picture of
// record r at (x, top - 5), the name band and the name.
void DrawModeCell(HDC dc, int x, int top, const ScanModeRecord& record, bool selected);
// The picture a list of pictures gives: the one the user picked, else the
// list's top entry, else the first.
int ChosenPicture(HWND list);
// Draws one entry of a picture list: the mode picture its item data names on
// back, framed in the selection blue when framed and the entry is selected.
void DrawPictureEntry(const DRAWITEMSTRUCT& item, COLORREF back, bool framed);
// Draws a magenta-masked bitmap of the resource module at (x, y) on back.
void DrawPicture(HDC dc, unsigned bitmap, int x, int y, COLORREF back);
