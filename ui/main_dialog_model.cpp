#include "ui/main_dialog_model.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/core_context.h"
#include "resources/ids_pictures.h"
#include "scan/paper_tables.h"

namespace {

constexpr int SB_LINE_LEFT = 0, SB_LINE_RIGHT = 1, SB_PAGE_LEFT = 2, SB_PAGE_RIGHT = 3, SB_THUMB_POSITION = 4,
              SB_THUMB_TRACK = 5, SB_TO_LEFT = 6, SB_TO_RIGHT = 7;

constexpr int JapaneseLanguage = 1041;

// Tone curves of the curve list: 0 and 3 are gamma settings, 1 and 2 five
// points through the middle grey.
struct CurveChoice {
    int32_t mode;  // 1 gamma, 0 five points
    int32_t gamma;
    int32_t in[5];
    int32_t out[5];
};
constexpr CurveChoice Curves[4] = {
    {1, 50, {}, {}},
    {0, 0, {0, 66, 128, 191, 255}, {0, 95, 128, 163, 255}},
    {0, 0, {0, 91, 128, 161, 255}, {0, 54, 128, 188, 255}},
    {1, 0, {}, {}},
};

// The rotation the core applies to deliver the document as the user turned it.
constexpr int32_t FlatbedRotation[4] = {1, 2, 3, 0};
constexpr int32_t FeederRotation[4] = {3, 2, 1, 0};

int32_t Clamp(int32_t v, int32_t low, int32_t high) { return v < low ? low : v > high ? high : v; }

int32_t ToPixels(int32_t length, int32_t dpi) { return static_cast<int32_t>(int64_t{length} * dpi / 6000); }

double BytesPerPixel(int32_t colorType) {
    return colorType == COLOUR_RGB ? 3.0 : colorType == COLOUR_GREY ? 1.0 : 0.125;
}

}  // namespace

const unsigned ModePictureIds[ModePictureCount] = {
    IDB_MODE_1307, IDB_MODE_1300, IDB_MODE_1301, IDB_MODE_1302, IDB_MODE_1303, IDB_MODE_1308, IDB_MODE_1309,
    IDB_MODE_1310, IDB_MODE_1311, IDB_MODE_1312, IDB_MODE_1313, IDB_MODE_1314, IDB_MODE_1315, IDB_MODE_1326,
    IDB_MODE_1327, IDB_MODE_1328, IDB_MODE_1329, IDB_MODE_1330, IDB_MODE_1331, IDB_MODE_1332, IDB_MODE_1333,
    IDB_MODE_1334, IDB_MODE_1335, IDB_MODE_1336, IDB_MODE_1337,
};

std::vector<int32_t> MethodsForSize(int32_t s) {
    if (s == 0 || s == 3 || s >= 11) return {METHOD_FLATBED};
    if (s == 6 || s == 9) return {METHOD_FEEDER};
    return {METHOD_FLATBED, METHOD_FEEDER};
}

bool PlacementForSize(int32_t s) { return s == 2 || s == 3 || s == 5 || s == 8; }

bool HasToneCurve(int32_t colorType) { return colorType == COLOUR_GREY || colorType == COLOUR_RGB; }

ResolutionPair ResolutionsForSelection(int32_t selection) {
    if (selection == UiResolutionCount - 1) return {selection, selection - 1};
    return {selection, selection};
}

void TakeModeSettings(MainUiState& s, const ScanModeRecord& m) {
    s.scanMethod = m.scanMethod;
    s.scanSize = m.sizeIndex;
    s.colorType = m.colorType;
    s.gamCurve = m.gamCurve;
    s.scanOrientn = m.placement;
    s.scanOrientation = m.orientation;
    s.startFromScannerCheck = m.startFromScanner;
    s.scanAreaCheck = m.scanAreaCheck;
    s.resolution = m.resolution;
    s.resolution2 = m.resolution2;
    s.brightness = m.brightness;
    s.contrast = m.contrast;
    s.scanA = m.a;
    s.scanB = m.b;
    s.scanX = m.x;
    s.scanY = m.y;
    s.scanH = m.h;
    s.scanV = m.v;
}

bool SettingsMatchMode(const MainUiState& s, const ScanModeRecord& m) {
    return s.scanMethod == m.scanMethod && s.scanSize == m.sizeIndex && s.colorType == m.colorType &&
           s.gamCurve == m.gamCurve && s.scanOrientn == m.placement && s.scanOrientation == m.orientation &&
           s.startFromScannerCheck == m.startFromScanner && s.scanAreaCheck == m.scanAreaCheck &&
           s.resolution == m.resolution && s.resolution2 == m.resolution2 && s.brightness == m.brightness &&
           s.contrast == m.contrast && s.scanA == m.a && s.scanB == m.b && s.scanX == m.x && s.scanY == m.y &&
           s.scanH == m.h && s.scanV == m.v;
}

CoreSetters* GetCoreSetters() {
    static CoreSetters setters{SetPixelType,     SetBrightness, SetContrast,        SetCurveMode,
                               SetCurveGamma,    SetToneCurve,  SetResolutionIndex, SetPaperSource,
                               SetPaperSizeCode, SetCustomArea, SetRotation};
    return &setters;
}

void CommitToCore(const MainUiState& s, int32_t uiScanMethod, bool preview, const CoreSetters& core) {
    core.setPixelType(s.colorType);
    // A preview of line art with a darker setting would come out almost black,
    // so it takes half the darkening.
    const bool halve = preview && s.colorType == COLOUR_BW && s.brightness < 0;
    core.setBrightness(halve ? s.brightness / 2 : s.brightness);
    core.setContrast(HasToneCurve(s.colorType) ? s.contrast : 0);
    // The core's resolution table starts one step lower, at 75 dpi.
    core.setResolutionIndex(s.resolution + 1);
    core.setPaperSource(uiScanMethod);

    if (HasToneCurve(s.colorType)) {
        const CurveChoice& c = Curves[Clamp(s.gamCurve, 0, 3)];
        core.setCurveMode(c.mode);
        if (c.mode == 1) {
            core.setCurveGamma(c.gamma);
        } else {
            int32_t in[5];
            int32_t out[5];
            memcpy(in, c.in, sizeof in);
            memcpy(out, c.out, sizeof out);
            core.setToneCurve(in, out, 5);
        }
    }

    const int32_t dpi = UiResolutionDpi(s.resolution);
    ScannerFrame frame;
    if (s.scanAreaCheck == 1) {
        const ScannerFrame area = AreaInScannerFrame(s);
        frame = {ToPixels(area.left, dpi), ToPixels(area.top, dpi), ToPixels(area.width, dpi),
                 ToPixels(area.length, dpi)};
    } else {
        const bool across = s.scanOrientation == 0 || s.scanOrientation == 2;
        const int32_t width = ToPixels(s.scanA, dpi);
        const int32_t length = ToPixels(s.scanB, dpi);
        frame = {0, 0, across ? length : width, across ? width : length};
    }
    core.setPaperSizeCode(PaperCodeCustomArea);
    core.setCustomArea(frame.left, frame.top, frame.width, frame.length);

    const int32_t orientation = Clamp(s.scanOrientation, 0, 3);
    core.setRotation(uiScanMethod == METHOD_FEEDER ? FeederRotation[orientation]
                                                   : FlatbedRotation[orientation]);
}

double EstimateImageBytes(const SizeFields& f, int32_t unit, int32_t dpi, int32_t colorType) {
    const int first = f.areaTicked ? FIELD_AREA_WIDTH : FIELD_WIDTH;
    const double w = strtod(f.text[first].c_str(), nullptr);
    const double l = strtod(f.text[first + 1].c_str(), nullptr);
    double pixels;
    switch (unit) {
        case UNIT_INCH:
            pixels = (w * dpi) * (l * dpi);
            break;
        case UNIT_MM:
            pixels = (w * dpi / 25.4) * (l * dpi / 25.4);
            break;
        default:
            pixels = w * l;
            break;
    }
    return pixels * BytesPerPixel(colorType);
}

std::string FormatImageBytes(double bytes) {
    char text[48];
    if (bytes < 1048576.0) {
        snprintf(text, sizeof text, "%0.2f KB", bytes / 1024.0);
    } else if (bytes < 1073741824.0) {
        snprintf(text, sizeof text, "%0.2f MB", bytes / 1048576.0);
    } else {
        snprintf(text, sizeof text, "%0.2f GB", bytes / 1073741824.0);
    }
    return text;
}

int32_t ScrollTarget(int code, int32_t current, int32_t track) {
    int32_t target;
    switch (code) {
        case SB_LINE_LEFT:
            target = current - 1;
            break;
        case SB_LINE_RIGHT:
            target = current + 1;
            break;
        case SB_PAGE_LEFT:
            target = current - 10;
            break;
        case SB_PAGE_RIGHT:
            target = current + 10;
            break;
        case SB_TO_LEFT:
            target = -AdjustmentLimit;
            break;
        case SB_TO_RIGHT:
            target = AdjustmentLimit;
            break;
        case SB_THUMB_POSITION:
        case SB_THUMB_TRACK:
            target = track;
            break;
        default:
            target = current;
            break;
    }
    return Clamp(target, -AdjustmentLimit, AdjustmentLimit);
}

AdjustmentEntry ReadAdjustmentEntry(const std::string& typed) {
    AdjustmentEntry e;
    const FilterResult filtered = FilterSignedText(typed);
    e.text = filtered.text;
    e.filtered = filtered.changed;
    e.caret = filtered.caret;
    const long value = strtol(e.text.c_str(), nullptr, 10);
    if (value > AdjustmentLimit || value < -AdjustmentLimit) {
        e.outOfRange = true;
        e.value = value > 0 ? AdjustmentLimit : -AdjustmentLimit;
        e.text = value > 0 ? "100" : "-100";
    } else {
        e.value = static_cast<int32_t>(value);
    }
    return e;
}

void TrimName(char* text, int sum) {
    if (text == nullptr) return;
    size_t length = strnlen(text, 256);
    const auto pair = [sum](char first, char second) {
        return static_cast<signed char>(first) + static_cast<signed char>(second) == sum;
    };
    size_t start = 0;
    while (start < length) {
        if (text[start] == ' ') {
            start += 1;
        } else if (start + 1 < length && pair(text[start], text[start + 1])) {
            start += 2;
        } else {
            break;
        }
    }
    while (length > start) {
        if (text[length - 1] == ' ') {
            length -= 1;
        } else if (length - start >= 2 && pair(text[length - 2], text[length - 1])) {
            length -= 2;
        } else {
            break;
        }
    }
    memmove(text, text + start, length - start);
    text[length - start] = '\0';
}

int DbcsSpaceSumForLanguage(int languageId) { return languageId == JapaneseLanguage ? -63 : -31; }

unsigned RotationPictureId(int32_t uiScanMethod, int32_t rotation) {
    static const unsigned flatbed[4] = {IDB_ROTATION_3, IDB_ROTATION_2, IDB_ROTATION_1, IDB_ROTATION_0};
    static const unsigned feeder[4] = {IDB_ROTATION_1, IDB_ROTATION_2, IDB_ROTATION_3, IDB_ROTATION_0};
    const int32_t i = Clamp(rotation, 0, 3);
    return uiScanMethod == METHOD_FEEDER ? feeder[i] : flatbed[i];
}

unsigned ShapePictureId(double shownWidth, double shownLength) {
    return shownLength < shownWidth ? IDB_DOCUMENT_SHAPE_1 : IDB_DOCUMENT_SHAPE_2;
}
