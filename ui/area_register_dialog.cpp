// Registered areas (template 523): the built-in sizes and the registered
// areas with their sizes in the main dialog's unit; registering the current
// size and area under a name, renaming and deleting areas.
#include <cstdio>
#include <string>

#include "resources/resource_ids.h"
#include "ui/adjustment_settings.h"
#include "ui/device_status_message.h"
#include "ui/help_topic.h"
#include "ui/main_settings.h"
#include "ui/registration_controls.h"
#include "ui/registration_dialogs.h"
#include "ui/registration_rules.h"
#include "ui/shown_sizes.h"

namespace {

constexpr int MainSizeList = 801;   // the main dialog's size list
constexpr int FirstAreaEntry = 12;  // list entries: 0 new, 1..11 built-in sizes, then the areas
constexpr unsigned ShapeAcross = 1316;
constexpr unsigned ShapeUpright = 1317;

// The dialog's own values; UI thread only.
struct AreaDialogState {
    HWND mainDialog = nullptr;
    int selectedAreaEntry = 0;
    int changes = NothingChanged;
    int32_t shownWidth = 0, shownLength = 0;  // for the document-shape picture
};
AreaDialogState areaState;

MainUiState& State() { return *GetMainUiState(); }

const LabelRow labels[] = {
    {0, IDS_AREA_REGISTER_TITLE},
    {IDC_AREA_CLOSE, IDS_SHARED_CLOSE},
    {IDC_AREA_HELP, IDS_SHARED_HELP},
    {IDC_AREA_REGISTER, IDS_BUILTIN_TEMPLATE},
    {IDC_AREA_RENAME, IDS_RENAME},
    {IDC_AREA_DELETE, IDS_DELETE},
    {IDC_AREA_LIST_LABEL, IDS_SHARED_SIZE_LABEL},
    {IDC_AREA_WIDTH_LABEL, IDS_SHARED_WIDTH_LABEL},
    {IDC_AREA_LENGTH_LABEL, IDS_SHARED_LENGTH_LABEL},
    {IDC_AREA_DOCUMENT_LABEL, IDS_DOCUMENT_SIZE},
    {IDC_AREA_LEFT_LABEL, IDS_LEFT_LABEL},
    {IDC_AREA_TOP_LABEL, IDS_TOP_LABEL},
    {IDC_AREA_AREA_WIDTH_LABEL, IDS_SHARED_AREA_WIDTH_LABEL},
    {IDC_AREA_AREA_LENGTH_LABEL, IDS_SHARED_AREA_LENGTH_LABEL},
    {IDC_AREA_SCAN_AREA_LABEL, IDS_SCAN_AREA_HEADING},
    {IDC_AREA_NAME_LABEL, IDS_AREA_NAME_LABEL},
};

const int areaTexts[] = {IDC_AREA_LEFT, IDC_AREA_TOP, IDC_AREA_AREA_WIDTH, IDC_AREA_AREA_LENGTH};

BuiltInSizeNames BuiltIns(std::string (&texts)[BuiltInSizeCount]) {
    BuiltInSizeNames names{};
    for (int s = 0; s < BuiltInSizeCount; ++s) {
        texts[s] = SizeListText(State(), s);
        names.names[s] = texts[s].c_str();
    }
    return names;
}

HWND MainSizes() {
    return areaState.mainDialog != nullptr ? GetDlgItem(areaState.mainDialog, MainSizeList) : nullptr;
}

void ShowDocument(HWND dialog, const ShownSizes& shown, int32_t width, int32_t length) {
    SetDlgItemTextA(dialog, IDC_AREA_WIDTH, shown.width.c_str());
    SetDlgItemTextA(dialog, IDC_AREA_LENGTH, shown.length.c_str());
    areaState.shownWidth = width;
    areaState.shownLength = length;
}

void ShowArea(HWND dialog, const ShownSizes& shown) {
    const std::string* texts[] = {&shown.left, &shown.top, &shown.areaWidth, &shown.areaLength};
    for (int i = 0; i < 4; ++i) SetDlgItemTextA(dialog, areaTexts[i], texts[i]->c_str());
}

void ClearArea(HWND dialog) {
    for (int id : areaTexts) SetDlgItemTextA(dialog, id, "");
}

// The size the main dialog would give a built-in paper size row.
void PaperSides(int sizeIndex, int32_t* width, int32_t* length) {
    const MainUiState& state = State();
    const PaperSizeEntry& paper = state.paperSizeTable[sizeIndex - 1];
    const int r = state.scanOrientation;
    bool upright;
    if (sizeIndex == 2 || sizeIndex == 3 || sizeIndex == 5 || sizeIndex == 8) {
        const int p = state.scanOrientn;
        upright = ((p != 1) && (r == 1 || r == 3)) || (p == 1 && (r == 0 || r == 2));
    } else {
        upright = r == 1 || r == 3;
    }
    *width = upright ? paper.width : paper.length;
    *length = upright ? paper.length : paper.width;
}

void UpdateButtons(HWND dialog) {
    const bool named = !TrimmedName(dialog, IDC_AREA_NAME).empty();
    const int e = areaState.selectedAreaEntry;
    EnableControl(dialog, IDC_AREA_REGISTER, e == 0 && named);
    EnableControl(dialog, IDC_AREA_RENAME, e >= FirstAreaEntry && named);
    EnableControl(dialog, IDC_AREA_DELETE, e >= FirstAreaEntry);
}

// Shows list entry e: its name, its size and area, which commands apply.
void ShowEntry(HWND dialog, int e) {
    const MainUiState& state = State();
    const int unit = state.unit;
    const int dpi = DpiOfResolutionIndex(state.resolution);
    areaState.selectedAreaEntry = e;
    SendDlgItemMessageA(dialog, IDC_AREA_LIST, LB_SETCURSEL, e, 0);
    SendDlgItemMessageA(dialog, IDC_AREA_NAME, EM_SETREADONLY, e >= 1 && e < FirstAreaEntry, 0);
    if (e == 0) {
        SetLabel(dialog, IDC_AREA_NAME, IDS_BUILTIN_TEMPLATE);
        const bool area = state.scanAreaCheck == 1;
        ShownSizes shown = ShowSizes(state.scanA, state.scanB, state.scanX, state.scanY, state.scanH,
                                     state.scanV, area, unit, dpi, true);
        ShowDocument(dialog, shown, state.scanA, state.scanB);
        if (area) {
            ShowArea(dialog, shown);
        } else {
            ClearArea(dialog);
        }
    } else if (e < FirstAreaEntry) {
        SetDlgItemTextA(dialog, IDC_AREA_NAME, SizeListText(state, e - 1).c_str());
        int32_t width, length;
        if (e == 1) {
            const bool exchanged = (state.customOrientation + state.scanOrientation) % 2 != 0;
            width = exchanged ? state.customB : state.customA;
            length = exchanged ? state.customA : state.customB;
        } else {
            PaperSides(e - 1, &width, &length);
        }
        ShowDocument(dialog, ShowSizes(width, length, 0, 0, 0, 0, false, unit, dpi, false), width, length);
    } else {
        const ScanAreaRecord& record = state.areaTable[e - FirstAreaEntry];
        SetDlgItemTextA(dialog, IDC_AREA_NAME, record.name);
        const bool exchanged = (record.orientation + state.scanOrientation) % 2 != 0;
        const int32_t width = exchanged ? record.b : record.a;
        const int32_t length = exchanged ? record.a : record.b;
        const bool area = record.check == 1;
        ShownSizes shown =
            ShowSizes(width, length, record.x, record.y, record.h, record.v, area, unit, dpi, false);
        ShowDocument(dialog, shown, width, length);
        if (area) {
            ShowArea(dialog, shown);
        } else {
            ClearArea(dialog);
        }
    }
    UpdateButtons(dialog);
    InvalidateRect(GetDlgItem(dialog, IDC_AREA_SHAPE), nullptr, TRUE);
}

void FillList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_AREA_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text(IDS_BUILTIN_TEMPLATE).c_str()));
    for (int s = 0; s < BuiltInSizeCount; ++s)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SizeListText(State(), s).c_str()));
    for (int i = 0; i < State().newCount && i < MaxAreas; ++i)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(State().areaTable[i].name));
}

void OnInit(HWND dialog, HWND mainDialog) {
    CenterWindow(dialog);
    MainUiState& state = State();
    areaState = AreaDialogState{};
    areaState.mainDialog = mainDialog;
    SetLabels(dialog, labels);
    SendDlgItemMessageA(dialog, IDC_AREA_NAME, EM_LIMITTEXT, AreaNameLimit, 0);
    char unit[64];
    const std::string label = Text(IDS_SHARED_UNIT_LABEL);
    const bool colon = !label.empty() && label.back() == ':';
    snprintf(unit, sizeof unit, "%s%s %s", label.c_str(), colon ? "" : ":", UnitName(state.unit).c_str());
    SetDlgItemTextA(dialog, IDC_AREA_UNIT, unit);
    state.workingAreaCount = state.newCount < 0 ? 0 : (state.newCount > MaxAreas ? MaxAreas : state.newCount);
    FillList(dialog);
    ShowEntry(dialog, 0);
}

void OnSelect(HWND dialog) {
    auto e = static_cast<int>(SendDlgItemMessageA(dialog, IDC_AREA_LIST, LB_GETCURSEL, 0, 0));
    if (e >= 0) ShowEntry(dialog, e);
}

void OnNameChanged(HWND dialog) {
    CutEditText(dialog, IDC_AREA_NAME, AreaNameLimit);
    UpdateButtons(dialog);
}

void Committed(int changes) {
    areaState.changes |= changes;
    SaveMainSettings(State().settingsPath);
    if (HWND sizes = MainSizes()) SendMessageA(sizes, CB_SETCURSEL, State().scanSize, 0);
}

void OnRegister(HWND dialog) {
    if (areaState.selectedAreaEntry != 0) return;
    if (AreaTableFull(State())) {
        Warn(dialog, IDS_AREAS_FULL);
        return;
    }
    const std::string name = TrimmedName(dialog, IDC_AREA_NAME);
    if (name.empty()) return;
    if (!Confirm(dialog, IDS_REGISTER_CONFIRM, name.c_str())) return;
    std::string texts[BuiltInSizeCount];
    int i = -1;
    RegistrationResult result = RegisterArea(State(), BuiltIns(texts), name.c_str(), State().scanOrientation,
                                             SystemDbcsSpaceSum(), &i);
    if (result == RegistrationResult::Duplicate) {
        Warn(dialog, IDS_DUPLICATE_NAME);
        return;
    }
    if (result != RegistrationResult::Done) return;
    const char* stored = State().areaTable[i].name;
    SendDlgItemMessageA(dialog, IDC_AREA_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(stored));
    if (HWND sizes = MainSizes()) SendMessageA(sizes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(stored));
    ShowEntry(dialog, FirstAreaEntry + i);
    Committed(AreasChanged);
}

void ReplaceEntry(HWND list, UINT remove, UINT insert, int index, const char* text) {
    SendMessageA(list, remove, index, 0);
    SendMessageA(list, insert, index, reinterpret_cast<LPARAM>(text));
}

void OnRename(HWND dialog) {
    const int e = areaState.selectedAreaEntry;
    if (e < FirstAreaEntry) return;
    const int i = e - FirstAreaEntry;
    const std::string old = State().areaTable[i].name;
    const std::string name = TrimmedName(dialog, IDC_AREA_NAME);
    if (name.empty()) return;
    if (!Confirm(dialog, IDS_RENAME_CONFIRM, old.c_str(), name.c_str())) return;
    std::string texts[BuiltInSizeCount];
    RegistrationResult result = RenameArea(State(), BuiltIns(texts), i, name.c_str(), SystemDbcsSpaceSum());
    if (result == RegistrationResult::Duplicate) {
        Warn(dialog, IDS_DUPLICATE_NAME);
        SetDlgItemTextA(dialog, IDC_AREA_NAME, old.c_str());
        ShowEntry(dialog, e);
        return;
    }
    if (result != RegistrationResult::Done) return;
    const char* stored = State().areaTable[i].name;
    ReplaceEntry(GetDlgItem(dialog, IDC_AREA_LIST), LB_DELETESTRING, LB_INSERTSTRING, e, stored);
    if (HWND sizes = MainSizes()) ReplaceEntry(sizes, CB_DELETESTRING, CB_INSERTSTRING, e - 1, stored);
    ShowEntry(dialog, e);
    Committed(AreasChanged | ModesChanged);
}

void OnDelete(HWND dialog) {
    const int e = areaState.selectedAreaEntry;
    if (e < FirstAreaEntry) return;
    if (!Confirm(dialog, IDS_DELETE_CONFIRM, TrimmedName(dialog, IDC_AREA_NAME).c_str())) return;
    if (DeleteArea(State(), e - FirstAreaEntry) != RegistrationResult::Done) return;
    SendDlgItemMessageA(dialog, IDC_AREA_LIST, LB_DELETESTRING, e, 0);
    if (HWND sizes = MainSizes()) SendMessageA(sizes, CB_DELETESTRING, e - 1, 0);
    ShowEntry(dialog, 0);
    Committed(AreasChanged | ModesChanged);
}

void OnHelp(HWND dialog) { ShowHelpTopic(dialog, HelpTopicAreas); }

void OnClose(HWND dialog) { EndDialog(dialog, 0); }

const CommandRow commands[] = {
    {IDC_AREA_LIST, AnyNotification, OnSelect},  {IDC_AREA_NAME, EN_CHANGE, OnNameChanged},
    {IDC_AREA_REGISTER, BN_CLICKED, OnRegister}, {IDC_AREA_RENAME, BN_CLICKED, OnRename},
    {IDC_AREA_DELETE, BN_CLICKED, OnDelete},     {IDC_AREA_HELP, BN_CLICKED, OnHelp},
    {IDC_AREA_CLOSE, BN_CLICKED, OnClose},       {IDCANCEL, AnyNotification, OnClose},
};

void DrawShape(const DRAWITEMSTRUCT& item) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    HBRUSH brush = CreateSolidBrush(face);
    FillRect(item.hDC, &item.rcItem, brush);
    DeleteObject(brush);
    const unsigned shape = areaState.shownLength < areaState.shownWidth ? ShapeAcross : ShapeUpright;
    DrawPicture(item.hDC, shape, item.rcItem.left, item.rcItem.top, face);
}

INT_PTR CALLBACK AreaRegisterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(dialog, reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_DRAWITEM:
            DrawShape(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_COMMAND:
            return DispatchCommand(commands, dialog, wParam);
        default:
            return FALSE;
    }
}

}  // namespace

int RunAreaRegistration(HWND parent) {
    if (!RunModal(parent, IDD_AREA_REGISTER, AreaRegisterProc, reinterpret_cast<LPARAM>(parent)))
        return NothingChanged;
    return areaState.changes;
}
