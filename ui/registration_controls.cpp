#include "ui/registration_controls.h"

#include <commctrl.h>

#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "resources/resource_ids.h"
#include "ui/adjustment_settings.h"
#include "ui/registration_rules.h"
#include "ui/shown_sizes.h"

namespace {

HMODULE Module() { return static_cast<HMODULE>(GetUiGlobals()->resourceHandle); }

// An image list destroyed with its holder.
struct ImageListDeleter {
    void operator()(_IMAGELIST* list) const { ImageList_Destroy(list); }
};
using ImageListHolder = std::unique_ptr<_IMAGELIST, ImageListDeleter>;

struct BitmapHolder {
    HBITMAP bitmap;
    explicit BitmapHolder(unsigned id)
        : bitmap(static_cast<HBITMAP>(LoadImageA(Module(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0))) {}
    ~BitmapHolder() {
        if (bitmap != nullptr) DeleteObject(bitmap);
    }
    BitmapHolder(const BitmapHolder&) = delete;
    BitmapHolder& operator=(const BitmapHolder&) = delete;
};

constexpr COLORREF Magenta = RGB(255, 0, 255);
constexpr COLORREF SelectedBlue = RGB(49, 106, 197);
constexpr int ModePictureCount = 25;

constexpr unsigned ModePictureIds[] = {1307, 1300, 1301, 1302, 1303, 1308, 1309, 1310, 1311,
                                       1312, 1313, 1314, 1315, 1326, 1327, 1328, 1329, 1330,
                                       1331, 1332, 1333, 1334, 1335, 1336, 1337};

// A one-picture image list per bitmap, so that any picture draws masked.
HIMAGELIST SinglePicture(unsigned id) {
    static std::map<unsigned, ImageListHolder> lists;
    auto found = lists.find(id);
    if (found != lists.end()) return found->second.get();
    BitmapHolder bitmap(id);
    if (bitmap.bitmap == nullptr) return nullptr;
    BITMAP info{};
    GetObjectA(bitmap.bitmap, sizeof info, &info);
    ImageListHolder list(ImageList_Create(info.bmWidth, info.bmHeight, ILC_COLOR24 | ILC_MASK, 1, 0));
    if (list == nullptr) return nullptr;
    ImageList_AddMasked(list.get(), bitmap.bitmap, Magenta);
    return lists.emplace(id, std::move(list)).first->second.get();
}

void AddDetail(HWND list, const std::string& text) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::string copy = text;
    item.pszText = copy.data();
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// A label directly followed by its value, with a colon and a space between
// them unless the label ends in them.
std::string Labelled(unsigned label, const std::string& value) {
    std::string text = Text(label);
    if (!text.empty() && text.back() != ' ') text += text.back() == ':' ? " " : ": ";
    return text + value;
}

MessageBoxFunction messageBox = MessageBoxA;

constexpr unsigned RotationTexts[] = {1287, 1289, 1290, 1288};

bool PlacementSize(int s) { return s == 2 || s == 3 || s == 5 || s == 8; }

}  // namespace

bool RunModal(HWND parent, unsigned templateId, DLGPROC proc, LPARAM param) {
    return DialogBoxParamA(Module(), MAKEINTRESOURCEA(templateId), parent, proc, param) != -1;
}

std::string Text(unsigned id) {
    char text[512] = {};
    if (Module() == nullptr || LoadStringA(Module(), id, text, sizeof text) <= 0) return std::string();
    return text;
}

void SetLabel(HWND dialog, int id, unsigned stringId) {
    std::string text = Text(stringId);
    if (text.empty()) return;
    if (id == 0) {
        SetWindowTextA(dialog, text.c_str());
    } else {
        SetDlgItemTextA(dialog, id, text.c_str());
    }
}

void EnableControl(HWND dialog, int id, bool enable) { EnableWindow(GetDlgItem(dialog, id), enable); }

std::string TrimmedName(HWND dialog, int id) {
    std::string name = ControlText(dialog, id);
    TrimName(name.data(), SystemDbcsSpaceSum());
    return name.c_str();
}

void CutEditText(HWND dialog, int id, int limit) {
    HWND edit = GetDlgItem(dialog, id);
    if (GetWindowTextLengthA(edit) <= limit) return;
    std::string text = ControlText(dialog, id).substr(0, static_cast<size_t>(limit));
    SetWindowTextA(edit, text.c_str());
    SendMessageA(edit, EM_SETSEL, limit, limit);
}

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    }
    return text;
}

void SetMessageBoxForTesting(MessageBoxFunction function) {
    messageBox = function != nullptr ? function : MessageBoxA;
}

void Warn(HWND owner, unsigned message) {
    messageBox(owner, Text(message).c_str(), ProductCaption, MB_OK | MB_ICONWARNING);
}

bool Confirm(HWND owner, unsigned message, const char* name1, const char* name2) {
    char text[1024];
    // The names are arguments, never the format: a '%' in a name stays text.
    snprintf(text, sizeof text, Text(message).c_str(), name1, name2);
    return messageBox(owner, text, ProductCaption, MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

int SystemDbcsSpaceSum() { return DbcsSpaceSumFor(GetSystemDefaultLangID()); }

std::string SizeListText(const MainUiState& state, int s) {
    if (s >= 0 && s < 10) return Text(IDS_SHARED_FIRST_SIZE + static_cast<unsigned>(s));
    if (s == 10) return Text(IDS_SHARED_LAST_SIZE);
    const int area = s - FirstAreaSizeIndex;
    if (area >= 0 && area < MaxAreas) return state.areaTable[area].name;
    return std::string();
}

std::string UnitName(int unit) {
    return Text(IDS_SHARED_INCH + static_cast<unsigned>(unit >= 0 && unit <= 2 ? unit : 1));
}

int CurrentDpi(const MainUiState& state) {
    return DpiOfResolutionIndex(state.scanMethod == 1 ? state.resolution2 : state.resolution);
}

void FillModeDetails(HWND list, const MainUiState& state, int k) {
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    while (SendMessageA(list, LVM_DELETECOLUMN, 0, 0)) {
    }
    // The first column of a list view is always left-aligned; a centred one
    // is made by adding a second and removing the first.
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH;
    column.cx = 10;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    column.fmt = LVCFMT_CENTER;
    SendMessageA(list, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
    SendMessageA(list, LVM_DELETECOLUMN, 0, 0);

    ScanModeRecord current{};
    const ScanModeRecord* r = &state.modeTable[k];
    if (k == 0) {
        current.scanMethod = state.scanMethod;
        current.sizeIndex = state.scanSize;
        current.orientation = state.scanOrientation;
        current.placement = state.scanOrientn;
        current.scanAreaCheck = state.scanAreaCheck;
        current.a = state.scanA;
        current.b = state.scanB;
        current.x = state.scanX;
        current.y = state.scanY;
        current.h = state.scanH;
        current.v = state.scanV;
        current.resolution = state.resolution;
        current.resolution2 = state.resolution2;
        current.brightness = state.brightness;
        current.contrast = state.contrast;
        current.colorType = state.colorType;
        current.gamCurve = state.gamCurve;
        r = &current;
    }
    const int s = r->sizeIndex;
    const bool feeder = s == 6 || s == 9 || (s != 3 && r->scanMethod == 1);
    AddDetail(list, Labelled(IDS_SHARED_METHOD_LABEL, Text(feeder ? IDS_SHARED_FEEDER : IDS_SHARED_FLATBED)));
    std::string sizeText = SizeListText(state, s);
    if (s >= FirstAreaSizeIndex && sizeText.empty()) sizeText = r->sizeName;
    AddDetail(list, Labelled(IDS_SHARED_SIZE_LABEL, sizeText));
    if (r->orientation >= 0 && r->orientation < 4)
        AddDetail(list, Labelled(IDS_SHARED_ROTATION_LABEL, Text(RotationTexts[r->orientation])));
    if (PlacementSize(s) && (r->placement == 0 || r->placement == 1))
        AddDetail(list, Labelled(IDS_SHARED_PLACEMENT_LABEL,
                                 Text(IDS_SHARED_FIRST_PLACEMENT + static_cast<unsigned>(r->placement))));
    AddDetail(list, Text(IDS_DETAIL_SIZE_HEADING));

    const int resolution = feeder ? r->resolution2 : r->resolution;
    const int dpi = DpiOfResolutionIndex(resolution);
    const std::string unit = " " + UnitName(state.unit);
    const bool area = r->scanAreaCheck == 1;
    ShownSizes shown = ShowSizes(r->a, r->b, r->x, r->y, r->h, r->v, area, state.unit, dpi, true);
    AddDetail(list, Labelled(IDS_DETAIL_WIDTH, shown.width + unit));
    AddDetail(list, Labelled(IDS_DETAIL_LENGTH, shown.length + unit));
    AddDetail(list, Labelled(IDS_DETAIL_AREA, Text(area ? IDS_DETAIL_AREA_ON : IDS_DETAIL_AREA_OFF)));
    if (area) {
        AddDetail(list, Labelled(IDS_DETAIL_LEFT, shown.left + unit));
        AddDetail(list, Labelled(IDS_DETAIL_TOP, shown.top + unit));
        AddDetail(list, Labelled(IDS_DETAIL_AREA_WIDTH, shown.areaWidth + unit));
        AddDetail(list, Labelled(IDS_DETAIL_AREA_LENGTH, shown.areaLength + unit));
    }
    if (resolution >= 0 && resolution <= 6)
        AddDetail(list, Labelled(IDS_DETAIL_RESOLUTION,
                                 Text(resolution == 6 ? IDS_SHARED_HIGHEST_RESOLUTION
                                                      : IDS_SHARED_FIRST_RESOLUTION +
                                                            static_cast<unsigned>(resolution))));
    const bool tones = r->colorType == 2 || r->colorType == 3;
    AddDetail(list, Labelled(IDS_DETAIL_BRIGHTNESS, std::to_string(r->brightness)));
    if (tones) AddDetail(list, Labelled(IDS_DETAIL_CONTRAST, std::to_string(r->contrast)));
    if (r->colorType >= 0 && r->colorType <= 3)
        AddDetail(list, Labelled(IDS_DETAIL_COLOUR,
                                 Text(IDS_SHARED_FIRST_COLOUR + static_cast<unsigned>(r->colorType))));
    if (tones && r->gamCurve >= 0 && r->gamCurve <= 3)
        AddDetail(list, Labelled(IDS_DETAIL_TONE_CURVE,
                                 Text(IDS_SHARED_FIRST_TONE_CURVE + static_cast<unsigned>(r->gamCurve))));
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
}

HIMAGELIST ModePictures() {
    static ImageListHolder pictures;
    if (pictures != nullptr) return pictures.get();
    ImageListHolder list(ImageList_Create(91, 81, ILC_COLOR24 | ILC_MASK, ModePictureCount, 0));
    if (list == nullptr) return nullptr;
    for (unsigned id : ModePictureIds) {
        BitmapHolder bitmap(id);
        if (bitmap.bitmap == nullptr) return nullptr;
        ImageList_AddMasked(list.get(), bitmap.bitmap, Magenta);
    }
    pictures = std::move(list);
    return pictures.get();
}

void DrawModeCell(HDC dc, int x, int top, const ScanModeRecord& record, bool selected) {
    const COLORREF back = selected ? SelectedBlue : RGB(255, 255, 255);
    HIMAGELIST pictures = ModePictures();
    if (pictures != nullptr && record.bitmapIndex >= 0 && record.bitmapIndex < ModePictureCount) {
        ImageList_SetBkColor(pictures, back);
        ImageList_Draw(pictures, record.bitmapIndex, dc, x, top - 5, ILD_NORMAL);
    }
    RECT band = {x, top + 75, x + 92, top + 86};
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(dc, &band, brush);
    DeleteObject(brush);
    RECT name = {x, top + 68, x + 91, top + 86};
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
    DrawTextA(dc, record.name, -1, &name,
              DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

void DrawPicture(HDC dc, unsigned bitmap, int x, int y, COLORREF back) {
    HIMAGELIST list = SinglePicture(bitmap);
    if (list == nullptr) return;
    ImageList_SetBkColor(list, back);
    ImageList_Draw(list, 0, dc, x, y, ILD_NORMAL);
}

int ChosenPicture(HWND list) {
    auto chosen = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    if (chosen < 0) chosen = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    return chosen < 0 ? 0 : chosen;
}

void DrawPictureEntry(const DRAWITEMSTRUCT& item, COLORREF back, bool framed) {
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(item.hDC, &item.rcItem, brush);
    DeleteObject(brush);
    HIMAGELIST pictures = ModePictures();
    const auto picture = static_cast<int>(item.itemData);
    if (pictures != nullptr && picture >= 0 && picture < ModePictureCount) {
        ImageList_SetBkColor(pictures, back);
        ImageList_Draw(pictures, picture, item.hDC, item.rcItem.left, item.rcItem.top, ILD_NORMAL);
    }
    if (framed && (item.itemState & ODS_SELECTED) != 0) {
        RECT frame = item.rcItem;
        HBRUSH blue = CreateSolidBrush(SelectedBlue);
        FrameRect(item.hDC, &frame, blue);
        InflateRect(&frame, -1, -1);
        FrameRect(item.hDC, &frame, blue);
        DeleteObject(blue);
    }
}
