// Saved scan modes (template 521): the strip of modes, the settings of the
// selected one, and registering, editing and deleting modes.
#include <string>

#include "resources/resource_ids.h"
#include "ui/adjustment_settings.h"
#include "ui/device_status_message.h"
#include "ui/help_topic.h"
#include "ui/main_settings.h"
#include "ui/registration_controls.h"
#include "ui/registration_dialogs.h"
#include "ui/registration_rules.h"

namespace {

constexpr int ModeColumnWidth = 91;
constexpr int ModeItemHeight = 81;

// The dialog's own values; one dialog at a time, on the UI thread.
struct ModeDialogState {
    int selectedModeIndex = 0;
    int changes = NothingChanged;
};
ModeDialogState dialogState;

MainUiState& State() { return *GetMainUiState(); }

const LabelRow labels[] = {
    {0, IDS_MODE_REGISTER_TITLE},
    {IDC_MODE_CLOSE, IDS_SHARED_CLOSE},
    {IDC_MODE_HELP, IDS_SHARED_HELP},
    {IDC_MODE_REGISTER, IDS_BUILTIN_TEMPLATE},
    {IDC_MODE_EDIT, IDS_EDIT_MODE},
    {IDC_MODE_DELETE, IDS_DELETE},
    {IDC_MODE_SELECTED, IDS_BUILTIN_TEMPLATE},
    {IDC_MODE_NAME_LABEL, IDS_MODE_NAME_LABEL},
    {IDC_MODE_COMMENT_LABEL, IDS_COMMENT_LABEL},
    {IDC_MODE_PICTURE_LABEL, IDS_PICTURE_LABEL},
    {IDC_MODE_LIST_LABEL, IDS_SAVED_MODES},
};

void FillModeList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_MODE_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int k = 0; k < ModeRecordCount(State()); ++k) SendMessageA(list, LB_ADDSTRING, 0, k);
    SendMessageA(list, LB_SETCURSEL, 0, 0);
}

// The 24 choices for a new mode, or only the selected mode's picture.
void FillPictureList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_MODE_PICTURES);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    if (dialogState.selectedModeIndex == 0) {
        for (int c = 0; c < ModePictureChoices; ++c) SendMessageA(list, LB_ADDSTRING, 0, c + 1);
        SendMessageA(list, LB_SETCURSEL, 0, 0);
    } else {
        SendMessageA(list, LB_ADDSTRING, 0, State().modeTable[dialogState.selectedModeIndex].bitmapIndex);
    }
}

void UpdateRegisterButton(HWND dialog) {
    EnableControl(dialog, IDC_MODE_REGISTER,
                  dialogState.selectedModeIndex == 0 && !TrimmedName(dialog, IDC_MODE_NAME).empty());
}

// Shows mode k: its texts, which commands apply, its details and pictures.
void ShowMode(HWND dialog, int k) {
    const ScanModeRecord& record = State().modeTable[k];
    dialogState.selectedModeIndex = k;
    SetDlgItemTextA(dialog, IDC_MODE_NAME, record.name);
    SetDlgItemTextA(dialog, IDC_MODE_COMMENT, record.comment);
    SetDlgItemTextA(dialog, IDC_MODE_SELECTED, record.name);
    for (int id : {IDC_MODE_NAME, IDC_MODE_COMMENT})
        SendDlgItemMessageA(dialog, id, EM_SETREADONLY, k != 0, 0);
    EnableControl(dialog, IDC_MODE_EDIT, ModeEditable(State(), k));
    EnableControl(dialog, IDC_MODE_DELETE, ModeEditable(State(), k));
    UpdateRegisterButton(dialog);
    FillModeDetails(GetDlgItem(dialog, IDC_MODE_DETAILS), State(), k);
    FillPictureList(dialog);
}

void ModeChanged(HWND dialog) {
    dialogState.changes |= ModesChanged;
    SaveMainSettings(State().settingsPath);
    FillModeList(dialog);
    ShowMode(dialog, 0);
}

void OnInit(HWND dialog) {
    CenterWindow(dialog);
    State().workingModeCount = State().modeNewCount;
    dialogState = ModeDialogState{};
    SetLabels(dialog, labels);
    SendDlgItemMessageA(dialog, IDC_MODE_NAME, EM_LIMITTEXT, ModeNameLimit, 0);
    SendDlgItemMessageA(dialog, IDC_MODE_COMMENT, EM_LIMITTEXT, ModeCommentLimit, 0);
    SendDlgItemMessageA(dialog, IDC_MODE_LIST, LB_SETCOLUMNWIDTH, ModeColumnWidth, 0);
    SendDlgItemMessageA(dialog, IDC_MODE_LIST, LB_SETITEMHEIGHT, 0, ModeItemHeight);
    SendDlgItemMessageA(dialog, IDC_MODE_PICTURES, LB_SETITEMHEIGHT, 0, ModeItemHeight);
    FillModeList(dialog);
    ShowMode(dialog, 0);
}

void OnModeSelected(HWND dialog) {
    auto k = static_cast<int>(SendDlgItemMessageA(dialog, IDC_MODE_LIST, LB_GETCURSEL, 0, 0));
    if (k >= 0 && k < ModeRecordCount(State())) ShowMode(dialog, k);
}

void OnNameChanged(HWND dialog) {
    CutEditText(dialog, IDC_MODE_NAME, ModeNameLimit);
    UpdateRegisterButton(dialog);
}

void OnCommentChanged(HWND dialog) { CutEditText(dialog, IDC_MODE_COMMENT, ModeCommentLimit); }

void OnRegister(HWND dialog) {
    if (dialogState.selectedModeIndex != 0) return;
    if (ModeTableFull(State())) {
        Warn(dialog, IDS_MODES_FULL);
        return;
    }
    const std::string name = TrimmedName(dialog, IDC_MODE_NAME);
    if (name.empty()) return;
    if (!Confirm(dialog, IDS_REGISTER_CONFIRM, name.c_str())) return;
    SetDlgItemTextA(dialog, IDC_MODE_NAME, name.c_str());
    std::string comment = OneLine(ControlText(dialog, IDC_MODE_COMMENT));
    RegistrationResult result =
        RegisterMode(State(), name.c_str(), comment.c_str(),
                     ChosenPicture(GetDlgItem(dialog, IDC_MODE_PICTURES)), SystemDbcsSpaceSum());
    if (result == RegistrationResult::Duplicate) {
        Warn(dialog, IDS_DUPLICATE_NAME);
        return;
    }
    if (result == RegistrationResult::Done) ModeChanged(dialog);
}

void OnEdit(HWND dialog) {
    const int k = dialogState.selectedModeIndex;
    if (!ModeEditable(State(), k)) return;
    if (RunModeEdit(dialog, k)) dialogState.changes |= ModesChanged;
    // The list keeps its selection; only the texts and the picture change.
    ShowMode(dialog, k);
    InvalidateRect(GetDlgItem(dialog, IDC_MODE_LIST), nullptr, TRUE);
}

void OnDelete(HWND dialog) {
    const int k = dialogState.selectedModeIndex;
    if (!ModeEditable(State(), k)) return;
    if (!Confirm(dialog, IDS_DELETE_CONFIRM, TrimmedName(dialog, IDC_MODE_NAME).c_str())) return;
    if (DeleteMode(State(), k) == RegistrationResult::Done) ModeChanged(dialog);
}

void OnHelp(HWND dialog) { ShowHelpTopic(dialog, HelpTopicModes); }

void OnClose(HWND dialog) {
    SaveMainSettings(State().settingsPath);
    EndDialog(dialog, 0);
}

const CommandRow commands[] = {
    {IDC_MODE_LIST, LBN_SELCHANGE, OnModeSelected},
    {IDC_MODE_NAME, EN_CHANGE, OnNameChanged},
    {IDC_MODE_COMMENT, EN_CHANGE, OnCommentChanged},
    {IDC_MODE_REGISTER, BN_CLICKED, OnRegister},
    {IDC_MODE_EDIT, BN_CLICKED, OnEdit},
    {IDC_MODE_DELETE, BN_CLICKED, OnDelete},
    {IDC_MODE_HELP, BN_CLICKED, OnHelp},
    {IDC_MODE_CLOSE, BN_CLICKED, OnClose},
    {IDCANCEL, AnyNotification, OnClose},
};

void DrawItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) return;
    const MainUiState& state = State();
    if (item.CtlID == IDC_MODE_LIST) {
        const auto k = static_cast<int>(item.itemData);
        if (k < 0 || k >= ModeRecordCount(state)) return;
        DrawModeCell(item.hDC, item.rcItem.left, item.rcItem.top, state.modeTable[k],
                     (item.itemState & ODS_SELECTED) != 0);
        return;
    }
    // The picture list: choices on white, a saved mode's own on the button face.
    const bool choices = dialogState.selectedModeIndex == 0;
    const COLORREF back = choices ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNFACE);
    DrawPictureEntry(item, back, choices);
}

INT_PTR CALLBACK ModeRegisterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(dialog);
            return TRUE;
        case WM_MEASUREITEM: {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            measure->itemHeight = ModeItemHeight;
            measure->itemWidth = ModeColumnWidth;
            return TRUE;
        }
        case WM_DRAWITEM:
            DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_COMMAND:
            return DispatchCommand(commands, dialog, wParam);
        default:
            return FALSE;
    }
}

}  // namespace

int RunModeRegistration(HWND parent) {
    if (!RunModal(parent, IDD_MODE_REGISTER, ModeRegisterProc, 0)) return NothingChanged;
    return dialogState.changes;
}
