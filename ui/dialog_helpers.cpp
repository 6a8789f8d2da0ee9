#include "ui/dialog_helpers.h"

#include <cstdio>
#include <cstdlib>

#include "ui/device_status_message.h"

void SetLabels(HWND dialog, std::span<const ControlLabel> labels) {
    for (const ControlLabel& label : labels)
        SetDlgItemTextA(dialog, label.controlId, ResourceText(label.stringId).c_str());
}

void FillListFromStrings(HWND dialog, int controlId, unsigned firstString, int count) {
    SendDlgItemMessageA(dialog, controlId, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i) {
        const std::string text = ResourceText(firstString + static_cast<unsigned>(i));
        SendDlgItemMessageA(dialog, controlId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void FillListFromStringIds(HWND dialog, int controlId, std::span<const unsigned> stringIds) {
    SendDlgItemMessageA(dialog, controlId, CB_RESETCONTENT, 0, 0);
    for (unsigned id : stringIds) {
        const std::string text = ResourceText(id);
        SendDlgItemMessageA(dialog, controlId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

int ListSelection(HWND dialog, int controlId) {
    return static_cast<int>(SendDlgItemMessageA(dialog, controlId, CB_GETCURSEL, 0, 0));
}

void SelectListEntry(HWND dialog, int controlId, int index) {
    SendDlgItemMessageA(dialog, controlId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string ControlText(HWND dialog, int controlId) {
    char text[256] = {};
    GetDlgItemTextA(dialog, controlId, text, sizeof text);
    return text;
}

void SetControlText(HWND dialog, int controlId, const std::string& text) {
    SetDlgItemTextA(dialog, controlId, text.c_str());
}

int32_t ControlNumber(HWND dialog, int controlId) {
    const std::string text = ControlText(dialog, controlId);
    long value = strtol(text.c_str(), nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

void SetControlNumber(HWND dialog, int controlId, int32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%d", static_cast<int>(value));
    SetDlgItemTextA(dialog, controlId, text);
}

void EnableControls(HWND dialog, std::initializer_list<int> controlIds, bool enable) {
    for (int id : controlIds) EnableWindow(GetDlgItem(dialog, id), enable);
}

bool IsChecked(HWND dialog, int controlId) { return IsDlgButtonChecked(dialog, controlId) == BST_CHECKED; }

void SetChecked(HWND dialog, int controlId, bool checked) {
    CheckDlgButton(dialog, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}
