#include "ui/main_dialog.h"

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/core_context.h"
#include "core/handlers.h"
#include "device/device_status.h"
#include "resources/resource_ids.h"
#include "ui/adjustment_settings.h"
#include "ui/device_status_message.h"
#include "ui/dialog_helpers.h"
#include "ui/main_dialog_model.h"
#include "ui/main_settings.h"
#include "ui/main_ui_state.h"
#include "ui/size_fields.h"

namespace {

const char ModelName[] = "Tarvik4100";
constexpr int ModeCellWidth = 91;
constexpr int ModeCellHeight = 81;
constexpr int PlacementPictureWidth = 36;
constexpr COLORREF SelectedBlue = RGB(49, 106, 197);
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Magenta = RGB(255, 0, 255);
constexpr int AnyNotification = -1;

MainDialogBackend backend{StartFinalScan, StartPreview, RequestClose, SaveMainSettings};
MainDialogHooks hooks{};

MainUiState& State() { return *GetMainUiState(); }

// An image list the dialog owns for as long as it is open.
class ImageList {
   public:
    ImageList() = default;
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;
    ~ImageList() { Reset(nullptr); }
    void Reset(HIMAGELIST list) {
        if (list_ != nullptr) ImageList_Destroy(list_);
        list_ = list;
    }
    HIMAGELIST get() const { return list_; }

   private:
    HIMAGELIST list_ = nullptr;
};

// A GDI object the code created, deleted when the scope ends.
class GdiObject {
   public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() {
        if (object_ != nullptr) DeleteObject(object_);
    }
    HGDIOBJ get() const { return object_; }

   private:
    HGDIOBJ object_;
};

// An object selected into a device context until the scope ends.
class Selection {
   public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { SelectObject(dc_, old_); }

   private:
    HDC dc_;
    HGDIOBJ old_;
};

// A bitmap of the resource module; empty when the module lacks it.
class Bitmap {
   public:
    explicit Bitmap(unsigned id)
        : bitmap_(static_cast<HBITMAP>(LoadImageA(static_cast<HINSTANCE>(GetUiGlobals()->resourceHandle),
                                                  MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                                  LR_CREATEDIBSECTION))) {}
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    ~Bitmap() {
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
    }
    HBITMAP get() const { return bitmap_; }
    SIZE Size() const {
        BITMAP info{};
        if (bitmap_ != nullptr) GetObjectA(bitmap_, sizeof info, &info);
        return {info.bmWidth, info.bmHeight};
    }

   private:
    HBITMAP bitmap_;
};

// The dialog's own values: one dialog at a time, on the application's thread.
struct DialogValues {
    int32_t uiScanMethod = METHOD_FLATBED;
    int32_t focusValue = 0;
    int32_t workingBrightness = 0;
    int32_t workingContrast = 0;
    int32_t selectedModeIndex = -1;
    int dbcsSpaceSum = -31;
    int quiet = 0;  // > 0 while the dialog writes its own controls
    ImageList placementPictures;
    ImageList rotationPictures[2];  // flatbed, feeder strip
    ImageList modePictures;
    int modePictureSlot[ModePictureCount] = {};  // image list index, -1 when missing
};
DialogValues values;

// Notifications that the dialog's own writes cause are not the user's input.
struct Quiet {
    Quiet() { ++values.quiet; }
    ~Quiet() { --values.quiet; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;
};

constexpr ControlLabel Labels[] = {
    {IDC_MAIN_MODE_REGISTER, IDS_MAIN_MODE_REGISTER},
    {IDC_MAIN_SCAN, IDS_MAIN_SCAN},
    {IDC_MAIN_PREVIEW, IDS_MAIN_PREVIEW},
    {IDC_MAIN_CLOSE, IDS_MAIN_CLOSE},
    {IDC_MAIN_HELP, IDS_MAIN_HELP},
    {IDC_MAIN_LABEL_MODES, IDS_MAIN_LABEL_MODES},
    {IDC_MAIN_LABEL_SIZE, IDS_MAIN_LABEL_DOCUMENT},
    {IDC_MAIN_LABEL_PLACEMENT, IDS_MAIN_LABEL_PLACEMENT},
    {IDC_MAIN_LABEL_ROTATION, IDS_MAIN_LABEL_ROTATION},
    {IDC_MAIN_LABEL_UNIT, IDS_MAIN_LABEL_UNIT},
    {IDC_MAIN_LABEL_SHAPE, IDS_MAIN_LABEL_DOCUMENT},
    {IDC_MAIN_LABEL_WIDTH, IDS_MAIN_LABEL_WIDTH},
    {IDC_MAIN_LABEL_LENGTH, IDS_MAIN_LABEL_LENGTH},
    {IDC_MAIN_AREA_CHECK, IDS_MAIN_AREA_CHECK},
    {IDC_MAIN_LABEL_AREA_LEFT, IDS_MAIN_LABEL_AREA_LEFT},
    {IDC_MAIN_LABEL_AREA_TOP, IDS_MAIN_LABEL_AREA_TOP},
    {IDC_MAIN_LABEL_AREA_WIDTH, IDS_MAIN_LABEL_AREA_WIDTH},
    {IDC_MAIN_LABEL_AREA_LENGTH, IDS_MAIN_LABEL_AREA_LENGTH},
    {IDC_MAIN_LABEL_METHOD, IDS_MAIN_LABEL_METHOD},
    {IDC_MAIN_AREA_REGISTER, IDS_MAIN_AREA_REGISTER},
    {IDC_MAIN_LABEL_COLOUR, IDS_MAIN_LABEL_COLOUR},
    {IDC_MAIN_LABEL_BRIGHTNESS, IDS_MAIN_LABEL_BRIGHTNESS},
    {IDC_MAIN_LABEL_CONTRAST, IDS_MAIN_LABEL_CONTRAST},
    {IDC_MAIN_LABEL_RESOLUTION, IDS_MAIN_LABEL_RESOLUTION},
    {IDC_MAIN_LABEL_CURVE, IDS_MAIN_LABEL_CURVE},
    {IDC_MAIN_ABOUT, IDS_MAIN_ABOUT},
    {IDC_MAIN_START_FROM_SCANNER, IDS_MAIN_START_FROM_SCANNER},
    {IDC_MAIN_GROUP_PAGE, IDS_MAIN_GROUP_PAGE},
    {IDC_MAIN_GROUP_IMAGE, IDS_MAIN_GROUP_IMAGE},
};

constexpr unsigned RotationStrings[4] = {IDS_ROTATION_0, IDS_ROTATION_1, IDS_ROTATION_2, IDS_ROTATION_3};
constexpr int AreaFieldIds[4] = {IDC_MAIN_AREA_LEFT, IDC_MAIN_AREA_TOP, IDC_MAIN_AREA_WIDTH,
                                 IDC_MAIN_AREA_LENGTH};

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

void ShowWarning(HWND dialog, const std::string& text) {
    MessageBoxA(dialog, text.c_str(), ModelName, MB_OK | MB_ICONWARNING);
}

void ShowRangeMessage(HWND dialog, const std::string& lower, const std::string& upper) {
    ShowWarning(dialog, FormatRangeMessage(ResourceText(IDS_RANGE_MESSAGE), lower, upper));
}

// ----- size fields: the model's mirror of the six edits -----

int32_t SelectedDpi(HWND dialog) {
    const int selection = ListSelection(dialog, IDC_MAIN_RESOLUTION);
    return UiResolutionDpi(selection >= 0 ? selection : State().resolution);
}

SizeFieldContext FieldContext(HWND dialog) {
    const int resolution = ListSelection(dialog, IDC_MAIN_RESOLUTION);
    return {State().unit, resolution >= 0 ? resolution : State().resolution,
            ListSelection(dialog, IDC_MAIN_PLACEMENT), ListSelection(dialog, IDC_MAIN_ROTATION)};
}

SizeFields ReadFields(HWND dialog) {
    SizeFields f;
    for (int i = 0; i < SizeFieldCount; ++i) f.text[i] = ControlText(dialog, IDC_MAIN_WIDTH + i);
    f.areaTicked = IsChecked(dialog, IDC_MAIN_AREA_CHECK);
    return f;
}

void WriteFields(HWND dialog, const SizeFields& f) {
    Quiet quiet;
    for (int i = 0; i < SizeFieldCount; ++i) {
        if (ControlText(dialog, IDC_MAIN_WIDTH + i) != f.text[i])
            SetControlText(dialog, IDC_MAIN_WIDTH + i, f.text[i]);
    }
    SetChecked(dialog, IDC_MAIN_AREA_CHECK, f.areaTicked);
    for (int id : AreaFieldIds) EnableWindow(Item(dialog, id), f.areaTicked);
    EnableControls(dialog,
                   {IDC_MAIN_LABEL_AREA_LEFT, IDC_MAIN_LABEL_AREA_TOP, IDC_MAIN_LABEL_AREA_WIDTH,
                    IDC_MAIN_LABEL_AREA_LENGTH},
                   f.areaTicked);
}

void RefreshFields(HWND dialog, SizeFields& f) {
    RefreshSizeFields(f, State().unit, SelectedDpi(dialog));
    WriteFields(dialog, f);
}

// The raw values of MainUiState into the fields, converted for the unit.
void ReloadFields(HWND dialog) {
    SizeFields f = ReadFields(dialog);
    LoadRawFields(f, State(), f.areaTicked);
    RefreshFields(dialog, f);
}

void SetTextLimits(HWND dialog) {
    const int limit = SizeTextLimit(State().unit);
    for (int i = 0; i < SizeFieldCount; ++i)
        SendDlgItemMessageA(dialog, IDC_MAIN_WIDTH + i, EM_LIMITTEXT, limit, 0);
    SendDlgItemMessageA(dialog, IDC_MAIN_BRIGHTNESS, EM_LIMITTEXT, 4, 0);
    SendDlgItemMessageA(dialog, IDC_MAIN_CONTRAST, EM_LIMITTEXT, 4, 0);
}

void RedrawPictures(HWND dialog) {
    InvalidateRect(Item(dialog, IDC_MAIN_ROTATION_PICTURE), nullptr, TRUE);
    InvalidateRect(Item(dialog, IDC_MAIN_SHAPE_PICTURE), nullptr, TRUE);
}

// ----- lists -----

HIMAGELIST StripPictures(unsigned id, int count, int pictureWidth) {
    Bitmap strip(id);
    if (strip.get() == nullptr) return nullptr;
    const SIZE size = strip.Size();
    const int width = pictureWidth > 0 ? pictureWidth : size.cx / count;
    HIMAGELIST list = ImageList_Create(width, size.cy, ILC_COLOR24 | ILC_MASK, count, 0);
    if (list != nullptr) ImageList_AddMasked(list, strip.get(), Magenta);
    return list;
}

void AddImageEntry(HWND dialog, int id, int index, unsigned stringId, int picture) {
    std::string text = ResourceText(stringId);
    COMBOBOXEXITEMA item{};
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
    item.iItem = index;
    item.pszText = text.data();
    item.iImage = item.iSelectedImage = picture;
    SendDlgItemMessageA(dialog, id, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void FillPlacementList(HWND dialog) {
    if (values.placementPictures.get() == nullptr)
        values.placementPictures.Reset(StripPictures(IDB_PLACEMENT_STRIP, 2, PlacementPictureWidth));
    SendDlgItemMessageA(dialog, IDC_MAIN_PLACEMENT, CBEM_SETIMAGELIST, 0,
                        reinterpret_cast<LPARAM>(values.placementPictures.get()));
    SendDlgItemMessageA(dialog, IDC_MAIN_PLACEMENT, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < 2; ++i) AddImageEntry(dialog, IDC_MAIN_PLACEMENT, i, IDS_PLACEMENT_FIRST + i, i);
}

void FillRotationList(HWND dialog, int32_t method) {
    ImageList& pictures = values.rotationPictures[method == METHOD_FEEDER ? 1 : 0];
    if (pictures.get() == nullptr)
        pictures.Reset(
            StripPictures(method == METHOD_FEEDER ? IDB_ROTATION_STRIP : IDB_ROTATION_STRIP_2, 4, 0));
    SendDlgItemMessageA(dialog, IDC_MAIN_ROTATION, CBEM_SETIMAGELIST, 0,
                        reinterpret_cast<LPARAM>(pictures.get()));
    SendDlgItemMessageA(dialog, IDC_MAIN_ROTATION, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < 4; ++i) AddImageEntry(dialog, IDC_MAIN_ROTATION, i, RotationStrings[i], i);
    SelectListEntry(dialog, IDC_MAIN_ROTATION, State().scanOrientation);
}

void FillMethodList(HWND dialog, const std::vector<int32_t>& methods, int selection) {
    SendDlgItemMessageA(dialog, IDC_MAIN_METHOD, CB_RESETCONTENT, 0, 0);
    for (int32_t method : methods) {
        const std::string text =
            ResourceText(method == METHOD_FEEDER ? IDS_METHOD_FEEDER : IDS_METHOD_FLATBED);
        SendDlgItemMessageA(dialog, IDC_MAIN_METHOD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SelectListEntry(dialog, IDC_MAIN_METHOD, methods.size() == 1 ? 0 : selection);
}

// The method of the selected entry of the method list.
int32_t SelectedMethod(HWND dialog, int32_t sizeIndex) {
    const std::vector<int32_t> methods = MethodsForSize(sizeIndex);
    const int selection = ListSelection(dialog, IDC_MAIN_METHOD);
    const int count = static_cast<int>(SendDlgItemMessageA(dialog, IDC_MAIN_METHOD, CB_GETCOUNT, 0, 0));
    if (count == 1) return methods.size() == 1 ? methods[0] : METHOD_FLATBED;
    return selection == 1 ? METHOD_FEEDER : METHOD_FLATBED;
}

void SetPlacementInUse(HWND dialog, bool inUse) {
    SelectListEntry(dialog, IDC_MAIN_PLACEMENT, inUse ? State().scanOrientn : -1);
    EnableControls(dialog, {IDC_MAIN_PLACEMENT, IDC_MAIN_LABEL_PLACEMENT}, inUse);
}

// The controls for the flatbed or the feeder; the feeder scans whole pages.
void SetUpForMethod(HWND dialog, int32_t method) {
    values.uiScanMethod = method;
    const bool flatbed = method == METHOD_FLATBED;
    SendDlgItemMessageA(dialog, IDC_MAIN_WIDTH, EM_SETREADONLY, !flatbed, 0);
    SendDlgItemMessageA(dialog, IDC_MAIN_LENGTH, EM_SETREADONLY, !flatbed, 0);
    EnableControls(dialog, {IDC_MAIN_AREA_CHECK, IDC_MAIN_AREA_REGISTER, IDC_MAIN_PREVIEW}, flatbed);
    if (!flatbed) {
        State().scanAreaCheck = 0;
        SizeFields f = ReadFields(dialog);
        f.areaTicked = false;
        EmptyAreaFields(f);
        WriteFields(dialog, f);
    }
    FillRotationList(dialog, method);
    FillListFromStrings(dialog, IDC_MAIN_RESOLUTION, IDS_RESOLUTION_FIRST, flatbed ? 7 : 6);
    SelectListEntry(dialog, IDC_MAIN_RESOLUTION, flatbed ? State().resolution : State().resolution2);
}

void FillSizeList(HWND dialog) {
    SendDlgItemMessageA(dialog, IDC_MAIN_SIZE, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i <= PaperSizeCount; ++i) {
        const std::string text = ResourceText(i < PaperSizeCount ? IDS_SIZE_FIRST + i : IDS_SIZE_EXECUTIVE);
        SendDlgItemMessageA(dialog, IDC_MAIN_SIZE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    const MainUiState& s = State();
    for (int i = 0; i < s.newCount && i < AreaTableSize; ++i)
        SendDlgItemMessageA(dialog, IDC_MAIN_SIZE, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(s.areaTable[i].name));
    SelectListEntry(dialog, IDC_MAIN_SIZE, s.scanSize);
}

// Curve, contrast and their labels are used by grey and colour only.
void ShowColourRules(HWND dialog) {
    const MainUiState& s = State();
    const bool toned = HasToneCurve(s.colorType);
    Quiet quiet;
    SelectListEntry(dialog, IDC_MAIN_CURVE, toned ? s.gamCurve : -1);
    EnableControls(dialog,
                   {IDC_MAIN_CURVE, IDC_MAIN_LABEL_CURVE, IDC_MAIN_LABEL_CONTRAST, IDC_MAIN_CONTRAST,
                    IDC_MAIN_CONTRAST_BAR},
                   toned);
    if (toned) {
        SetScrollPos(Item(dialog, IDC_MAIN_CONTRAST_BAR), SB_CTL, s.contrast, TRUE);
        SetControlNumber(dialog, IDC_MAIN_CONTRAST, s.contrast);
    } else {
        SetControlText(dialog, IDC_MAIN_CONTRAST, "");
    }
}

void FillModePictures() {
    HIMAGELIST list =
        ImageList_Create(ModeCellWidth, ModeCellHeight, ILC_COLOR24 | ILC_MASK, ModePictureCount, 0);
    values.modePictures.Reset(list);
    for (int i = 0; i < ModePictureCount; ++i) {
        Bitmap picture(ModePictureIds[i]);
        values.modePictureSlot[i] = list != nullptr && picture.get() != nullptr
                                        ? ImageList_AddMasked(list, picture.get(), Magenta)
                                        : -1;
    }
}

void UpdateStatusLine(HWND dialog) {
    const MainUiState& s = State();
    const int resolution = ListSelection(dialog, IDC_MAIN_RESOLUTION);
    const int colour = ListSelection(dialog, IDC_MAIN_COLOUR);
    const double bytes = EstimateImageBytes(ReadFields(dialog), s.unit, SelectedDpi(dialog), s.colorType);
    char text[512];
    snprintf(text, sizeof text, "%s, %s, %s %s",
             ResourceText(IDS_RESOLUTION_FIRST + (resolution < 0 ? 0 : resolution)).c_str(),
             ResourceText(IDS_COLOUR_FIRST + (colour < 0 ? 0 : colour)).c_str(),
             ResourceText(IDS_STATUS_ESTIMATE).c_str(), FormatImageBytes(bytes).c_str());
    SetControlText(dialog, IDC_MAIN_STATUS, text);
}

const ScanModeRecord* ModeOfEntry(int entry) {
    const MainUiState& s = State();
    const int record = entry + 1;
    if (entry < 0 || record > s.workingModeCount + 3 || record >= ModeTableSize) return nullptr;
    return &s.modeTable[record];
}

void ApplyModeSelectionRule(HWND dialog) {
    const ScanModeRecord* mode = ModeOfEntry(values.selectedModeIndex);
    if (values.selectedModeIndex < 0 || (mode != nullptr && SettingsMatchMode(State(), *mode))) return;
    values.selectedModeIndex = -1;
    SendDlgItemMessageA(dialog, IDC_MAIN_MODE_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    InvalidateRect(Item(dialog, IDC_MAIN_MODE_LIST), nullptr, TRUE);
}

void SetAdjustment(HWND dialog, int editId, int barId, int32_t value) {
    Quiet quiet;
    SetScrollPos(Item(dialog, barId), SB_CTL, value, TRUE);
    SetControlNumber(dialog, editId, value);
}

// ----- opening -----

void OpenDialog(HWND dialog) {
    MainUiState& s = State();
    Quiet quiet;
    SetWindowTextA(dialog, ModelName);
    values.dbcsSpaceSum = DbcsSpaceSumForLanguage(GetSystemDefaultLangID());
    values.selectedModeIndex = -1;

    FillSizeList(dialog);
    FillListFromStrings(dialog, IDC_MAIN_UNIT, IDS_UNIT_FIRST, 3);
    SelectListEntry(dialog, IDC_MAIN_UNIT, s.unit);
    FillListFromStrings(dialog, IDC_MAIN_COLOUR, IDS_COLOUR_FIRST, 4);
    SelectListEntry(dialog, IDC_MAIN_COLOUR, s.colorType);
    FillListFromStrings(dialog, IDC_MAIN_CURVE, IDS_CURVE_FIRST, 4);

    FillPlacementList(dialog);
    const std::vector<int32_t> methods = MethodsForSize(s.scanSize);
    FillMethodList(dialog, methods, s.scanMethod);
    SetPlacementInUse(dialog, PlacementForSize(s.scanSize));
    SetUpForMethod(dialog, SelectedMethod(dialog, s.scanSize));
    ShowColourRules(dialog);

    SizeFields f;
    f.areaTicked = s.scanAreaCheck == 1;
    LoadRawFields(f, s, f.areaTicked);
    WriteFields(dialog, f);
    SetChecked(dialog, IDC_MAIN_START_FROM_SCANNER, s.startFromScannerCheck == 1);

    for (int bar : {IDC_MAIN_BRIGHTNESS_BAR, IDC_MAIN_CONTRAST_BAR})
        SetScrollRange(Item(dialog, bar), SB_CTL, -AdjustmentLimit, AdjustmentLimit, FALSE);
    values.workingBrightness = s.brightness;
    SetAdjustment(dialog, IDC_MAIN_BRIGHTNESS, IDC_MAIN_BRIGHTNESS_BAR, s.brightness);
    values.workingContrast = s.contrast;
    if (HasToneCurve(s.colorType))
        SetAdjustment(dialog, IDC_MAIN_CONTRAST, IDC_MAIN_CONTRAST_BAR, s.contrast);
    SetTextLimits(dialog);
    SetLabels(dialog, Labels);

    FillModePictures();
    ReloadModeList(dialog);
    f = ReadFields(dialog);
    RefreshFields(dialog, f);
}

// ----- commands -----

void SaveSettings() { backend.saveSettings(State().settingsPath); }

// A value typed into a field counts once the field has let go of the focus.
void SettleFocus(HWND dialog, int id) {
    if (GetFocus() != Item(dialog, id)) SetFocus(Item(dialog, id));
}

void OnScan(HWND dialog, int, int) {
    SettleFocus(dialog, IDC_MAIN_SCAN);
    SaveSettings();
    CommitToCore(State(), values.uiScanMethod, false, *GetCoreSetters());
    if (backend.startFinalScan() == DEVSTATUS_NO_PAPER)
        MessageBoxA(dialog, ResourceText(IDS_FEEDER_EMPTY).c_str(), ModelName, MB_OK | MB_ICONERROR);
}

void OnPreview(HWND dialog, int, int) {
    SettleFocus(dialog, IDC_MAIN_PREVIEW);
    MainUiState& s = State();
    {
        Quiet quiet;
        SelectListEntry(dialog, IDC_MAIN_ROTATION, NoRotation);
    }
    SizeFields f = ReadFields(dialog);
    RotateDocument(s, f, s.scanOrientation, NoRotation);
    RefreshFields(dialog, f);
    s.scanOrientation = NoRotation;
    RedrawPictures(dialog);
    CommitToCore(s, values.uiScanMethod, true, *GetCoreSetters());
    if (backend.startPreview() == 0 && hooks.openPreview != nullptr) hooks.openPreview(dialog);
}

void OnClose(HWND dialog, int, int) {
    SaveSettings();
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EndDialog(dialog, 0);
}

void OnOk(HWND dialog, int id, int code) { OnScan(dialog, id, code); }

// Esc saves like the other ways out and then leaves as Close does.
void OnCancel(HWND dialog, int id, int code) { OnClose(dialog, id, code); }

void CallHook(void (*hook)(HWND), HWND dialog) {
    if (hook != nullptr) hook(dialog);
}
void OnModeRegistration(HWND dialog, int, int) {
    CallHook(hooks.modeRegistration, dialog);
    if (hooks.modeRegistration != nullptr) ReloadModeList(dialog);
}
void OnAreaRegistration(HWND dialog, int, int) { CallHook(hooks.areaRegistration, dialog); }
void OnHelp(HWND dialog, int, int) { CallHook(hooks.help, dialog); }
void OnAbout(HWND dialog, int, int) { CallHook(hooks.about, dialog); }

void OnMethod(HWND dialog, int, int code) {
    MainUiState& s = State();
    if (code == CBN_SELCHANGE) SetUpForMethod(dialog, SelectedMethod(dialog, s.scanSize));
    const int selection = ListSelection(dialog, IDC_MAIN_METHOD);
    if (selection >= 0) s.scanMethod = SelectedMethod(dialog, s.scanSize);
    // The feeder's list may hold a lower resolution than the flatbed's: the
    // scan takes what the list shows.
    const int resolution = ListSelection(dialog, IDC_MAIN_RESOLUTION);
    if (resolution >= 0) s.resolution = resolution;
    RedrawPictures(dialog);
}

void ApplySize(HWND dialog, int32_t size) {
    MainUiState& s = State();
    Quiet quiet;
    SizeFields f = ReadFields(dialog);
    const bool placementSize = PlacementForSize(size);
    if (size == 0 || size >= 11 || placementSize) {
        FillMethodList(dialog, MethodsForSize(1), s.scanMethod);
        SetUpForMethod(dialog, s.scanMethod == METHOD_FEEDER ? METHOD_FEEDER : METHOD_FLATBED);
        SelectListEntry(dialog, IDC_MAIN_PLACEMENT, s.scanOrientn);
        f = ReadFields(dialog);
        if (placementSize) {
            EnableControls(dialog, {IDC_MAIN_PLACEMENT, IDC_MAIN_LABEL_PLACEMENT}, true);
            s.scanAreaCheck = 0;
            ApplyPaperSize(s, f, FieldContext(dialog), size);
        }
        if (size == 3 || size == 0 || size >= 11) {
            FillMethodList(dialog, {METHOD_FLATBED}, 0);
            SetUpForMethod(dialog, METHOD_FLATBED);
            s.scanMethod = METHOD_FLATBED;
            if (size == 0 || size >= 11) {
                SetPlacementInUse(dialog, false);
                f = ReadFields(dialog);
                if (size == 0) {
                    ApplyPaperSize(s, f, FieldContext(dialog), 0);
                } else if (ApplyRegisteredArea(s, f, FieldContext(dialog), size)) {
                    s.scanAreaCheck = s.areaTable[size - 11].check == 1 ? 1 : 0;
                }
            }
        }
    } else {
        FillMethodList(dialog, MethodsForSize(1), s.scanMethod);
        SetUpForMethod(dialog, s.scanMethod == METHOD_FEEDER ? METHOD_FEEDER : METHOD_FLATBED);
        SetPlacementInUse(dialog, false);
        s.scanAreaCheck = 0;
        if (size == 6 || size == 9) {
            FillMethodList(dialog, {METHOD_FEEDER}, 0);
            SetUpForMethod(dialog, METHOD_FEEDER);
            s.scanMethod = METHOD_FEEDER;
        }
        f = ReadFields(dialog);
        ApplyPaperSize(s, f, FieldContext(dialog), size);
    }
    RefreshFields(dialog, f);
}

void OnSize(HWND dialog, int, int code) {
    MainUiState& s = State();
    const int size = ListSelection(dialog, IDC_MAIN_SIZE);
    if (size < 0) return;
    if (code == CBN_SELCHANGE) ApplySize(dialog, size);
    s.scanSize = size;
    const int resolution = ListSelection(dialog, IDC_MAIN_RESOLUTION);
    if (resolution >= 0) s.resolution = resolution;
    RedrawPictures(dialog);
}

void OnPlacement(HWND dialog, int, int code) {
    MainUiState& s = State();
    const int selection = ListSelection(dialog, IDC_MAIN_PLACEMENT);
    if (selection < 0) return;
    SizeFields f = ReadFields(dialog);
    if (code == CBN_SELCHANGE) {
        ApplyPaperSize(s, f, FieldContext(dialog), s.scanSize);
        if (!f.areaTicked) RefreshFields(dialog, f);
    }
    if (f.areaTicked) {
        ApplyPaperSize(s, f, FieldContext(dialog), s.scanSize);
        ClampArea(s, f);
        RefreshFields(dialog, f);
    }
    s.scanOrientn = selection;
    RedrawPictures(dialog);
}

void OnRotation(HWND dialog, int, int) {
    MainUiState& s = State();
    const int selection = ListSelection(dialog, IDC_MAIN_ROTATION);
    if (selection < 0) return;
    SizeFields f = ReadFields(dialog);
    RotateDocument(s, f, s.scanOrientation, selection);
    RefreshFields(dialog, f);
    s.scanOrientation = selection;
    RedrawPictures(dialog);
}

void OnUnit(HWND dialog, int, int code) {
    const int selection = ListSelection(dialog, IDC_MAIN_UNIT);
    if (selection < 0) return;
    State().unit = selection;
    if (code == CBN_SELCHANGE) ReloadFields(dialog);
    SetTextLimits(dialog);
}

void OnColour(HWND dialog, int, int code) {
    MainUiState& s = State();
    const int selection = ListSelection(dialog, IDC_MAIN_COLOUR);
    if (selection < 0) return;
    s.colorType = selection;
    if (code == CBN_SELCHANGE) ShowColourRules(dialog);
    const CoreSetters& core = *GetCoreSetters();
    core.setPixelType(s.colorType);
    core.setContrast(HasToneCurve(s.colorType) ? s.contrast : 0);
}

void OnCurve(HWND dialog, int, int) {
    const int selection = ListSelection(dialog, IDC_MAIN_CURVE);
    if (selection >= 0) State().gamCurve = selection;
}

void OnResolution(HWND dialog, int, int code) {
    const int selection = ListSelection(dialog, IDC_MAIN_RESOLUTION);
    if (selection < 0) return;
    const ResolutionPair pair = ResolutionsForSelection(selection);
    State().resolution = pair.resolution;
    State().resolution2 = pair.resolution2;
    if (code == CBN_SELCHANGE) ReloadFields(dialog);
}

void OnStartFromScanner(HWND dialog, int, int) {
    State().startFromScannerCheck = IsChecked(dialog, IDC_MAIN_START_FROM_SCANNER) ? 1 : 0;
}

void OnAreaCheck(HWND dialog, int, int) {
    MainUiState& s = State();
    SizeFields f = ReadFields(dialog);
    if (f.areaTicked) {
        s.scanAreaCheck = 1;
        LoadRawFields(f, s, true);
        ClampArea(s, f);
        RefreshFields(dialog, f);
    } else {
        s.scanAreaCheck = 0;
        EmptyAreaFields(f);
        WriteFields(dialog, f);
    }
}

int FieldOf(int id) { return id - IDC_MAIN_WIDTH; }

void OnFieldChange(HWND dialog, int id, int) {
    if (values.quiet > 0) return;
    const FilterResult r = FilterSizeText(ControlText(dialog, id), State().unit);
    if (!r.changed) return;
    SetControlText(dialog, id, r.text);
    SendDlgItemMessageA(dialog, id, EM_SETSEL, r.caret, r.caret);
}

void OnFieldSetFocus(HWND dialog, int id, int) {
    values.focusValue = FieldValue(ReadFields(dialog), FieldOf(id), State().unit, SelectedDpi(dialog));
}

void OnFieldUpdate(HWND dialog, int, int) {
    if (values.quiet > 0) return;
    const int rotation = ListSelection(dialog, IDC_MAIN_ROTATION);
    if (rotation >= 0) State().customOrientation = rotation;
}

void OnFieldKillFocus(HWND dialog, int id, int) {
    SizeFields f = ReadFields(dialog);
    const int field = FieldOf(id);
    // The field only holds an area while the area box is ticked.
    if (field >= FIELD_LEFT && !f.areaTicked) return;
    const KillFocusResult r = OnSizeFieldKillFocus(State(), f, FieldContext(dialog), field, values.focusValue,
                                                   values.uiScanMethod == METHOD_FLATBED);
    WriteFields(dialog, f);
    if (r.switchToCustom) {
        MainUiState& s = State();
        Quiet quiet;
        SelectListEntry(dialog, IDC_MAIN_SIZE, 0);
        FillMethodList(dialog, {METHOD_FLATBED}, 0);
        SetUpForMethod(dialog, METHOD_FLATBED);
        SetPlacementInUse(dialog, false);
        s.scanSize = 0;
        s.scanMethod = METHOD_FLATBED;
    }
    values.focusValue = FieldValue(ReadFields(dialog), field, State().unit, SelectedDpi(dialog));
    if (r.redrawShape) RedrawPictures(dialog);
    if (r.check.failed) ShowRangeMessage(dialog, r.check.lower, r.check.upper);
}

void OnAdjustmentText(HWND dialog, int id, int code) {
    if (values.quiet > 0 || !IsWindowEnabled(Item(dialog, id))) return;
    const bool brightness = id == IDC_MAIN_BRIGHTNESS;
    const AdjustmentEntry e = ReadAdjustmentEntry(ControlText(dialog, id));
    const bool settle = code == EN_KILLFOCUS && ControlText(dialog, id) != std::to_string(e.value);
    if (e.filtered || e.outOfRange || settle) {
        Quiet quiet;
        SetControlText(dialog, id, settle && !e.outOfRange ? std::to_string(e.value) : e.text);
        if (e.filtered) SendDlgItemMessageA(dialog, id, EM_SETSEL, e.caret, e.caret);
    }
    SetScrollPos(Item(dialog, brightness ? IDC_MAIN_BRIGHTNESS_BAR : IDC_MAIN_CONTRAST_BAR), SB_CTL, e.value,
                 TRUE);
    if (brightness) {
        State().brightness = values.workingBrightness = e.value;
        GetCoreSetters()->setBrightness(e.value);
    } else {
        State().contrast = values.workingContrast = e.value;
        GetCoreSetters()->setContrast(e.value);
    }
    if (e.outOfRange) ShowRangeMessage(dialog, "-100", "100");
}

void ApplyMode(HWND dialog, int entry) {
    const ScanModeRecord* mode = ModeOfEntry(entry);
    if (mode == nullptr) return;
    const ScanModeRecord r = *mode;
    MainUiState& s = State();
    Quiet quiet;
    values.selectedModeIndex = entry;
    TakeModeSettings(s, r);
    // A mode may name an area deleted since; it then scans the custom size.
    const bool areaGone =
        r.sizeIndex >= 11 && (r.sizeIndex - 11 >= s.newCount || r.sizeIndex - 11 >= AreaTableSize);
    const int32_t size = r.sizeIndex < 0 || areaGone ? 0 : r.sizeIndex;
    s.scanSize = size;
    SelectListEntry(dialog, IDC_MAIN_SIZE, size);
    FillMethodList(dialog, MethodsForSize(size), r.scanMethod);
    SelectListEntry(dialog, IDC_MAIN_COLOUR, r.colorType);
    SetUpForMethod(dialog, SelectedMethod(dialog, size));
    SetChecked(dialog, IDC_MAIN_START_FROM_SCANNER, r.startFromScanner == 1);
    s.scanAreaCheck = r.scanAreaCheck;
    SetAdjustment(dialog, IDC_MAIN_BRIGHTNESS, IDC_MAIN_BRIGHTNESS_BAR, r.brightness);
    SetPlacementInUse(dialog, PlacementForSize(size));

    SizeFields f = ReadFields(dialog);
    if (values.uiScanMethod != METHOD_FLATBED) s.scanAreaCheck = 0;
    if (size >= 1 && size <= PaperSizeCount) {
        ApplyPaperSize(s, f, FieldContext(dialog), size);
    } else {
        const bool area = size == 0 ? s.scanAreaCheck == 1 : s.areaTable[size - 11].check == 1;
        f.areaTicked = area && values.uiScanMethod == METHOD_FLATBED;
        LoadRawFields(f, s, f.areaTicked);
        if (!f.areaTicked) EmptyAreaFields(f);
    }
    SelectListEntry(dialog, IDC_MAIN_CURVE, r.gamCurve);
    ShowColourRules(dialog);
    RefreshFields(dialog, f);
    RedrawPictures(dialog);
    values.workingBrightness = s.brightness;
    values.workingContrast = s.contrast;
}

void OnModeList(HWND dialog, int, int) {
    const int entry = static_cast<int>(SendDlgItemMessageA(dialog, IDC_MAIN_MODE_LIST, LB_GETCURSEL, 0, 0));
    if (entry >= 0) ApplyMode(dialog, entry);
}

// Every command and notification the dialog acts on, by control and
// notification; AnyNotification rows run for all of a control's.
struct CommandRow {
    int id;
    int notification;
    void (*handler)(HWND dialog, int id, int code);
};

constexpr CommandRow Commands[] = {
    {IDOK, AnyNotification, OnOk},
    {IDCANCEL, AnyNotification, OnCancel},
    {IDC_MAIN_MODE_REGISTER, BN_CLICKED, OnModeRegistration},
    {IDC_MAIN_SCAN, BN_CLICKED, OnScan},
    {IDC_MAIN_PREVIEW, BN_CLICKED, OnPreview},
    {IDC_MAIN_CLOSE, BN_CLICKED, OnClose},
    {IDC_MAIN_HELP, BN_CLICKED, OnHelp},
    {IDC_MAIN_AREA_REGISTER, BN_CLICKED, OnAreaRegistration},
    {IDC_MAIN_ABOUT, BN_CLICKED, OnAbout},
    {IDC_MAIN_METHOD, AnyNotification, OnMethod},
    {IDC_MAIN_SIZE, AnyNotification, OnSize},
    {IDC_MAIN_PLACEMENT, AnyNotification, OnPlacement},
    {IDC_MAIN_ROTATION, CBN_SELCHANGE, OnRotation},
    {IDC_MAIN_UNIT, AnyNotification, OnUnit},
    {IDC_MAIN_COLOUR, AnyNotification, OnColour},
    {IDC_MAIN_CURVE, AnyNotification, OnCurve},
    {IDC_MAIN_RESOLUTION, AnyNotification, OnResolution},
    {IDC_MAIN_START_FROM_SCANNER, BN_CLICKED, OnStartFromScanner},
    {IDC_MAIN_AREA_CHECK, BN_CLICKED, OnAreaCheck},
    {IDC_MAIN_BRIGHTNESS, EN_CHANGE, OnAdjustmentText},
    {IDC_MAIN_BRIGHTNESS, EN_KILLFOCUS, OnAdjustmentText},
    {IDC_MAIN_CONTRAST, EN_CHANGE, OnAdjustmentText},
    {IDC_MAIN_CONTRAST, EN_KILLFOCUS, OnAdjustmentText},
    {IDC_MAIN_MODE_LIST, LBN_SELCHANGE, OnModeList},
#define SIZE_FIELD_ROWS(id)                                                                               \
    {id, EN_CHANGE, OnFieldChange}, {id, EN_SETFOCUS, OnFieldSetFocus}, {id, EN_UPDATE, OnFieldUpdate}, { \
        id, EN_KILLFOCUS, OnFieldKillFocus                                                                \
    }
    SIZE_FIELD_ROWS(IDC_MAIN_WIDTH),
    SIZE_FIELD_ROWS(IDC_MAIN_LENGTH),
    SIZE_FIELD_ROWS(IDC_MAIN_AREA_LEFT),
    SIZE_FIELD_ROWS(IDC_MAIN_AREA_TOP),
    SIZE_FIELD_ROWS(IDC_MAIN_AREA_WIDTH),
    SIZE_FIELD_ROWS(IDC_MAIN_AREA_LENGTH),
#undef SIZE_FIELD_ROWS
};

void OnCommand(HWND dialog, int id, int code) {
    bool handled = false;
    for (const CommandRow& row : Commands) {
        if (row.id != id || (row.notification != AnyNotification && row.notification != code)) continue;
        row.handler(dialog, id, code);
        handled = true;
        break;
    }
    // The dialog may have been closed by the command.
    if (!handled || !IsWindow(dialog)) return;
    UpdateStatusLine(dialog);
    ApplyModeSelectionRule(dialog);
}

void OnScroll(HWND dialog, HWND bar, int code, int track) {
    const bool brightness = GetDlgCtrlID(bar) == IDC_MAIN_BRIGHTNESS_BAR;
    if (!brightness && GetDlgCtrlID(bar) != IDC_MAIN_CONTRAST_BAR) return;
    const int32_t value = ScrollTarget(code, GetScrollPos(bar, SB_CTL), track);
    SetAdjustment(dialog, brightness ? IDC_MAIN_BRIGHTNESS : IDC_MAIN_CONTRAST, GetDlgCtrlID(bar), value);
    if (brightness) {
        State().brightness = values.workingBrightness = value;
        GetCoreSetters()->setBrightness(value);
    } else {
        State().contrast = values.workingContrast = value;
        GetCoreSetters()->setContrast(value);
    }
    ApplyModeSelectionRule(dialog);
}

void DrawModeEntry(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) return;
    const ScanModeRecord* mode = ModeOfEntry(static_cast<int>(item.itemData));
    if (mode == nullptr) return;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const int x = item.rcItem.left;
    const int top = item.rcItem.top;
    const COLORREF back = selected ? SelectedBlue : White;
    HDC dc = item.hDC;
    RECT cell{x, top, x + ModeCellWidth, item.rcItem.bottom};
    GdiObject fill(CreateSolidBrush(back));
    FillRect(dc, &cell, static_cast<HBRUSH>(fill.get()));
    const int index = mode->bitmapIndex;
    if (index >= 0 && index < ModePictureCount && values.modePictureSlot[index] >= 0) {
        ImageList_SetBkColor(values.modePictures.get(), back);
        ImageList_Draw(values.modePictures.get(), values.modePictureSlot[index], dc, x, top - 5, ILD_NORMAL);
    }
    RECT band{x, top + 75, x + 92, top + 86};
    FillRect(dc, &band, static_cast<HBRUSH>(fill.get()));
    RECT textBox{x, top + 68, x + ModeCellWidth, top + 86};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, selected ? White : RGB(0, 0, 0));
    Selection font(dc, reinterpret_cast<HFONT>(SendMessageA(item.hwndItem, WM_GETFONT, 0, 0)));
    DrawTextA(dc, mode->name, -1, &textBox,
              DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void DrawPicture(const DRAWITEMSTRUCT& item, unsigned id) {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    Bitmap picture(id);
    if (picture.get() == nullptr) return;
    const SIZE size = picture.Size();
    ImageList list;
    list.Reset(ImageList_Create(size.cx, size.cy, ILC_COLOR24 | ILC_MASK, 1, 0));
    if (list.get() == nullptr) return;
    ImageList_AddMasked(list.get(), picture.get(), Magenta);
    ImageList_SetBkColor(list.get(), GetSysColor(COLOR_BTNFACE));
    const int x = item.rcItem.left + (item.rcItem.right - item.rcItem.left - size.cx) / 2;
    const int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - size.cy) / 2;
    ImageList_Draw(list.get(), 0, item.hDC, x, y, ILD_NORMAL);
}

void OnDrawItem(HWND dialog, const DRAWITEMSTRUCT* item) {
    if (item == nullptr) return;
    switch (item->CtlID) {
        case IDC_MAIN_MODE_LIST:
            DrawModeEntry(*item);
            break;
        case IDC_MAIN_ROTATION_PICTURE:
            DrawPicture(*item, RotationPictureId(values.uiScanMethod, State().scanOrientation));
            break;
        case IDC_MAIN_SHAPE_PICTURE: {
            const double width = strtod(ControlText(dialog, IDC_MAIN_WIDTH).c_str(), nullptr);
            const double length = strtod(ControlText(dialog, IDC_MAIN_LENGTH).c_str(), nullptr);
            DrawPicture(*item, ShapePictureId(width, length));
            break;
        }
        default:
            break;
    }
}

// The application is asked to close the source; the preview goes with the dialog.
void CloseDialog() {
    backend.requestClose();
    if (hooks.dropPreviewSurfaces != nullptr) hooks.dropPreviewSurfaces();
    FreePreviewImage();
}

HWND MainDialog() { return static_cast<HWND>(State().mainDialog); }

}  // namespace

MainDialogBackend* GetMainDialogBackend() { return &backend; }
MainDialogHooks* GetMainDialogHooks() { return &hooks; }
int MainDbcsSpaceSum() { return values.dbcsSpaceSum; }

void ReloadModeList(HWND dialog) {
    MainUiState& s = State();
    HWND list = Item(dialog, IDC_MAIN_MODE_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    s.workingModeCount = s.modeNewCount < 0              ? 0
                         : s.modeNewCount > MaxUserModes ? MaxUserModes
                                                         : s.modeNewCount;
    SendMessageA(list, LB_SETCOLUMNWIDTH, ModeCellWidth, 0);
    SendMessageA(list, LB_SETITEMHEIGHT, 0, ModeCellHeight);
    for (int k = 0; k < s.workingModeCount + 3; ++k) SendMessageA(list, LB_ADDSTRING, 0, k);
    values.selectedModeIndex = -1;
}

void ReloadSizeList(HWND dialog) {
    Quiet quiet;
    FillSizeList(dialog);
}

void SelectSize(HWND dialog, int32_t sizeIndex) {
    {
        Quiet quiet;
        SelectListEntry(dialog, IDC_MAIN_SIZE, sizeIndex);
    }
    OnCommand(dialog, IDC_MAIN_SIZE, CBN_SELCHANGE);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OpenDialog(dialog);
            UpdateStatusLine(dialog);
            return TRUE;
        case WM_COMMAND:
            OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
            return FALSE;
        case WM_HSCROLL:
            OnScroll(dialog, reinterpret_cast<HWND>(lParam), LOWORD(wParam),
                     static_cast<short>(HIWORD(wParam)));
            return FALSE;
        case WM_DRAWITEM:
            OnDrawItem(dialog, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CLOSE:
            CloseDialog();
            return TRUE;
        case DeviceStatusMessage:
            ShowDeviceStatus(dialog, 0, static_cast<int32_t>(wParam));
            return TRUE;
        case WM_NCDESTROY:
            // After the children: the image drop-downs no longer draw from the lists.
            values.modePictures.Reset(nullptr);
            values.placementPictures.Reset(nullptr);
            values.rotationPictures[0].Reset(nullptr);
            values.rotationPictures[1].Reset(nullptr);
            return FALSE;
        default:
            return FALSE;
    }
}

int ShowMainDialog(void* parentWindow) {
    HINSTANCE module = static_cast<HINSTANCE>(GetUiGlobals()->resourceHandle);
    if (module == nullptr) return 1;
    HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_MAIN), static_cast<HWND>(parentWindow),
                                     MainDialogProc, 0);
    if (dialog == nullptr) return 1;
    State().mainDialog = dialog;
    CenterWindow(dialog);
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    return 0;
}

void DestroyMainDialog() {
    HWND dialog = MainDialog();
    if (dialog == nullptr) return;
    ShowWindow(dialog, SW_HIDE);
    DestroyWindow(dialog);
    State().mainDialog = nullptr;
}

void ShowMainWindows() {
    HWND dialog = MainDialog();
    if (dialog == nullptr) return;
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    InvalidateRect(dialog, nullptr, FALSE);
    UpdateWindow(dialog);
}

void HideMainWindows() {
    HWND dialog = MainDialog();
    if (dialog != nullptr) ShowWindow(dialog, SW_HIDE);
}

int FilterEvent(void* platformMessage) {
    HWND dialog = MainDialog();
    if (dialog == nullptr || platformMessage == nullptr) return 0;
    return IsDialogMessageA(dialog, static_cast<MSG*>(platformMessage)) ? 1 : 0;
}
