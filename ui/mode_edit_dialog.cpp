// The mode edit dialog (template 522): a saved mode's name, comment and picture.
#include <string>

#include "resources/resource_ids.h"
#include "ui/adjustment_settings.h"
#include "ui/device_status_message.h"
#include "ui/registration_controls.h"
#include "ui/registration_dialogs.h"
#include "ui/registration_rules.h"

namespace {

constexpr int PictureItemHeight = 81;

// The record being edited and whether OK changed it; UI thread only.
struct EditDialogState {
    int record = 0;
    bool changed = false;
};
EditDialogState editState;

MainUiState& State() { return *GetMainUiState(); }

const LabelRow labels[] = {
    {0, IDS_EDIT_MODE},
    {IDC_EDIT_OK, IDS_OK_LABEL},
    {IDC_EDIT_CANCEL, IDS_CANCEL_LABEL},
    {IDC_EDIT_NAME_LABEL, IDS_MODE_NAME_LABEL},
    {IDC_EDIT_COMMENT_LABEL, IDS_COMMENT_LABEL},
    {IDC_EDIT_PICTURE_LABEL, IDS_PICTURE_LABEL},
};

void UpdateOkButton(HWND dialog) {
    EnableControl(dialog, IDC_EDIT_OK, !TrimmedName(dialog, IDC_EDIT_NAME).empty());
}

void OnInit(HWND dialog, int r) {
    CenterWindow(dialog);
    editState = EditDialogState{r, false};
    const ScanModeRecord& record = State().modeTable[r];
    SetLabels(dialog, labels);
    SendDlgItemMessageA(dialog, IDC_EDIT_NAME, EM_LIMITTEXT, ModeNameLimit, 0);
    SendDlgItemMessageA(dialog, IDC_EDIT_COMMENT, EM_LIMITTEXT, ModeCommentLimit, 0);
    SetDlgItemTextA(dialog, IDC_EDIT_NAME, record.name);
    SetDlgItemTextA(dialog, IDC_EDIT_COMMENT, record.comment);
    SetDlgItemTextA(dialog, IDC_EDIT_SELECTED, record.name);
    FillModeDetails(GetDlgItem(dialog, IDC_EDIT_DETAILS), State(), r);
    HWND list = GetDlgItem(dialog, IDC_EDIT_PICTURES);
    SendMessageA(list, LB_SETITEMHEIGHT, 0, PictureItemHeight);
    for (int c = 0; c < ModePictureChoices; ++c) SendMessageA(list, LB_ADDSTRING, 0, c + 1);
    const int chosen =
        record.bitmapIndex >= 1 && record.bitmapIndex <= ModePictureChoices ? record.bitmapIndex - 1 : 0;
    SendMessageA(list, LB_SETCURSEL, chosen, 0);
    SendMessageA(list, LB_SETTOPINDEX, chosen, 0);
    UpdateOkButton(dialog);
}

void OnOk(HWND dialog) {
    if (!Confirm(dialog, IDS_EDIT_CONFIRM)) return;
    std::string comment = OneLine(ControlText(dialog, IDC_EDIT_COMMENT));
    RegistrationResult result =
        EditMode(State(), editState.record, ControlText(dialog, IDC_EDIT_NAME).c_str(), comment.c_str(),
                 ChosenPicture(GetDlgItem(dialog, IDC_EDIT_PICTURES)), SystemDbcsSpaceSum());
    if (result == RegistrationResult::Duplicate) {
        Warn(dialog, IDS_DUPLICATE_NAME);
        return;
    }
    editState.changed = result == RegistrationResult::Done;
    EndDialog(dialog, 1);
}

void OnCancel(HWND dialog) { EndDialog(dialog, 0); }

void OnNameChanged(HWND dialog) {
    CutEditText(dialog, IDC_EDIT_NAME, ModeNameLimit);
    UpdateOkButton(dialog);
}

void OnCommentChanged(HWND dialog) { CutEditText(dialog, IDC_EDIT_COMMENT, ModeCommentLimit); }

const CommandRow commands[] = {
    {IDC_EDIT_NAME, EN_CHANGE, OnNameChanged}, {IDC_EDIT_COMMENT, EN_CHANGE, OnCommentChanged},
    {IDC_EDIT_OK, BN_CLICKED, OnOk},           {IDOK, BN_CLICKED, OnOk},
    {IDC_EDIT_CANCEL, BN_CLICKED, OnCancel},   {IDCANCEL, AnyNotification, OnCancel},
};

void DrawPictureItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) return;
    DrawPictureEntry(item, RGB(255, 255, 255), true);
}

INT_PTR CALLBACK ModeEditProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(dialog, static_cast<int>(lParam));
            return TRUE;
        case WM_MEASUREITEM:
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = PictureItemHeight;
            return TRUE;
        case WM_DRAWITEM:
            DrawPictureItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_COMMAND:
            return DispatchCommand(commands, dialog, wParam);
        default:
            return FALSE;
    }
}

}  // namespace

bool RunModeEdit(HWND parent, int r) {
    if (!ModeEditable(State(), r)) return false;
    editState = EditDialogState{r, false};
    if (!RunModal(parent, IDD_MODE_NAME, ModeEditProc, r)) return false;
    return editState.changed;
}
