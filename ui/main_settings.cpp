#include "ui/main_settings.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "ui/adjustment_settings.h"
#include "ui/device_status_message.h"
#include "ui/main_dialog_model.h"
#include "ui/profile_file.h"
#include "ui/size_fields.h"

namespace {

MainUiState mainUiState;

// Strings of the text fields are read through buffers of these sizes.
constexpr size_t NameBuffer = 128;
constexpr size_t CommentBuffer = 256;

// Fallbacks of a missing key that are not numbers of their own. The source
// itself writes files with the device address alone (device selection, the
// quick start): such a file must open as the paper of the user's locale, not
// as a 10 mm square. A missing key of these keeps the value SetMainDefaults
// gave it; a missing document width or length takes the size of the paper
// "Scan_Size" names.
constexpr int32_t KeepDefault = INT32_MIN;
constexpr int32_t FromPaper = INT32_MIN + 1;

struct FixedKey {
    const char* key;
    int32_t MainUiState::*member;
    int32_t fallback;  // for a key missing from an existing file
};

// In file order; saving writes them in the same order.
const FixedKey fixedKeys[] = {
    {"Scan_Method", &MainUiState::scanMethod, 0},
    {"Scan_Size", &MainUiState::scanSize, KeepDefault},
    {"Unit", &MainUiState::unit, KeepDefault},
    {"Color_Type", &MainUiState::colorType, 3},
    {"Gam_Curve", &MainUiState::gamCurve, 0},
    {"Scan_Orientn", &MainUiState::scanOrientn, 0},
    {"Scan_Orientation", &MainUiState::scanOrientation, 3},
    {"StartFromScanner_Check", &MainUiState::startFromScannerCheck, 0},
    {"Scan_Area_Check", &MainUiState::scanAreaCheck, 0},
    {"New_Count", &MainUiState::newCount, 0},
    {"Resolution", &MainUiState::resolution, 2},
    {"Resolution2", &MainUiState::resolution2, 2},
    {"Scan_X", &MainUiState::scanX, 0},
    {"Scan_Y", &MainUiState::scanY, 0},
    {"Scan_H", &MainUiState::scanH, 2362},
    {"Scan_V", &MainUiState::scanV, 2362},
    {"Scan_A", &MainUiState::scanA, FromPaper},
    {"Scan_B", &MainUiState::scanB, FromPaper},
    {"Custom_A", &MainUiState::customA, KeepDefault},
    {"Custom_B", &MainUiState::customB, KeepDefault},
    {"Brightness", &MainUiState::brightness, 0},
    {"Contrast", &MainUiState::contrast, 0},
    {"Mode_New_Count", &MainUiState::modeNewCount, 0},
    {"Custom_Orientation", &MainUiState::customOrientation, 3},
};

using AreaText = char (ScanAreaRecord::*)[256];
using ModeText = char (ScanModeRecord::*)[256];

struct AreaIntKey {
    const char* format;
    int32_t ScanAreaRecord::*member;
};

const AreaIntKey areaIntKeys[] = {
    {"NewA_%d", &ScanAreaRecord::a},         {"NewB_%d", &ScanAreaRecord::b},
    {"NewX_%d", &ScanAreaRecord::x},         {"NewY_%d", &ScanAreaRecord::y},
    {"NewH_%d", &ScanAreaRecord::h},         {"NewV_%d", &ScanAreaRecord::v},
    {"NewCheck_%d", &ScanAreaRecord::check}, {"NewOrientation_%d", &ScanAreaRecord::orientation},
};

// One key of a mode record: either a text field or an integer field.
struct ModeKey {
    const char* format;
    ModeText text;
    size_t buffer;  // read buffer of a text field
    bool quoted;
    int32_t ScanModeRecord::*number;
};

const ModeKey modeKeys[] = {
    {"ModeName_%d", &ScanModeRecord::name, NameBuffer, true, nullptr},
    {"ModeComment_%d", &ScanModeRecord::comment, CommentBuffer, true, nullptr},
    {"ModeBitmapIndex_%d", nullptr, 0, false, &ScanModeRecord::bitmapIndex},
    {"ModeScanMethod_%d", nullptr, 0, false, &ScanModeRecord::scanMethod},
    {"ModeOriginalSize_%d", nullptr, 0, false, &ScanModeRecord::sizeIndex},
    {"ModeOriginalSizeName_%d", &ScanModeRecord::sizeName, NameBuffer, false, nullptr},
    {"ModeOrientation_%d", nullptr, 0, false, &ScanModeRecord::orientation},
    {"ModeOrigOrientn_%d", nullptr, 0, false, &ScanModeRecord::placement},
    {"ModeResolution_%d", nullptr, 0, false, &ScanModeRecord::resolution},
    {"ModeResolution2_%d", nullptr, 0, false, &ScanModeRecord::resolution2},
    {"ModeColorType_%d", nullptr, 0, false, &ScanModeRecord::colorType},
    {"ModeGamCurve_%d", nullptr, 0, false, &ScanModeRecord::gamCurve},
    {"ModeBrightness_%d", nullptr, 0, false, &ScanModeRecord::brightness},
    {"ModeContrast_%d", nullptr, 0, false, &ScanModeRecord::contrast},
    {"ModeScanAreaCheck_%d", nullptr, 0, false, &ScanModeRecord::scanAreaCheck},
    {"ModeStartFromScanner_%d", nullptr, 0, false, &ScanModeRecord::startFromScanner},
    {"ModeA_%d", nullptr, 0, false, &ScanModeRecord::a},
    {"ModeB_%d", nullptr, 0, false, &ScanModeRecord::b},
    {"ModeX_%d", nullptr, 0, false, &ScanModeRecord::x},
    {"ModeY_%d", nullptr, 0, false, &ScanModeRecord::y},
    {"ModeH_%d", nullptr, 0, false, &ScanModeRecord::h},
    {"ModeV_%d", nullptr, 0, false, &ScanModeRecord::v},
};

const PaperSizeEntry builtInPaperSizes[PaperSizeCount] = {
    {49606, 70157},  // A4
    {34961, 49606},  // A5
    {24803, 34961},  // A6
    {42992, 60709},  // B5 (JIS)
    {30236, 42992},  // B6 (JIS)
    {51000, 84000},  // Legal
    {51000, 66000},  // Letter
    {33000, 51000},  // Statement
    {51000, 78000},  // 8.5 x 13 in
    {43500, 63000},  // Executive
};

// Copies text into a fixed field, cut to fit and always terminated.
void CopyField(char (&field)[256], const std::string& text) {
    size_t length = std::min(text.size(), sizeof field - 1);
    memcpy(field, text.data(), length);
    field[length] = '\0';
}

std::string IndexedKey(const char* format, int index) {
    char key[48];
    snprintf(key, sizeof key, format, index);
    return key;
}

struct BuiltInMode {
    unsigned nameId, commentId;
    int32_t bitmapIndex, scanMethod, sizeIndex, colorType, resolution, orientation, a, b;
};

const BuiltInMode builtInModes[BuiltInModeRecords] = {
    {1256, 1256, 0, 0, 0, 0, 0, 0, 0, 0},
    {1250, 1619, 1, 0, 1, 3, 2, 3, 49606, 70157},
    {1247, 1620, 2, 0, 3, 3, 5, 3, 24803, 34961},
    {1263, 1621, 4, 1, 1, 0, 3, 3, 49606, 70157},
};

void SetBuiltInMode(ScanModeRecord& record, const BuiltInMode& mode) {
    memset(&record, 0, sizeof record);
    CopyField(record.name, ResourceText(mode.nameId));
    CopyField(record.comment, ResourceText(mode.commentId));
    record.bitmapIndex = mode.bitmapIndex;
    record.scanMethod = mode.scanMethod;
    record.sizeIndex = mode.sizeIndex;
    record.colorType = mode.colorType;
    record.resolution = record.resolution2 = mode.resolution;
    record.orientation = mode.orientation;
    record.a = mode.a;
    record.b = mode.b;
    record.h = record.v = 2362;
}

void LoadArea(const char* path, int i, ScanAreaRecord& area) {
    std::string name = ReadSettingsText(path, IndexedKey("New_%d", i).c_str(), "0", NameBuffer);
    CopyField(area.name, name);
    for (const AreaIntKey& k : areaIntKeys)
        area.*k.member = ReadSettingsInt(path, IndexedKey(k.format, i).c_str(), 0);
}

// Every key defaults to the record's current value, except the area size,
// which defaults to 10.
void LoadMode(const char* path, int j, ScanModeRecord& mode) {
    for (const ModeKey& k : modeKeys) {
        std::string key = IndexedKey(k.format, j);
        if (k.text != nullptr) {
            CopyField(mode.*k.text, ReadSettingsText(path, key.c_str(), mode.*k.text, k.buffer));
        } else {
            bool areaSize = k.number == &ScanModeRecord::h || k.number == &ScanModeRecord::v;
            mode.*k.number = ReadSettingsInt(path, key.c_str(), areaSize ? 10 : mode.*k.number);
        }
    }
}

void SaveArea(const char* path, int i, const ScanAreaRecord& area) {
    WriteSettingsText(path, IndexedKey("New_%d", i).c_str(), area.name, true);
    for (const AreaIntKey& k : areaIntKeys)
        WriteSettingsInt(path, IndexedKey(k.format, i).c_str(), area.*k.member);
}

void SaveMode(const char* path, int j, const ScanModeRecord& mode) {
    for (const ModeKey& k : modeKeys) {
        std::string key = IndexedKey(k.format, j);
        if (k.text != nullptr) {
            WriteSettingsText(path, key.c_str(), mode.*k.text, k.quoted);
        } else {
            WriteSettingsInt(path, key.c_str(), mode.*k.number);
        }
    }
}

int32_t ClampCount(int32_t count, int32_t limit) { return std::clamp(count, 0, limit); }

// The document width and length the main dialog would set for the size index
// of `m`, by its own rules (placement, rotation, custom size, registered
// areas, which are loaded by now); an index that names nothing gives the
// locale's paper. Worked on a copy: applying a size also moves the area.
PaperSizeEntry DocumentSizeNamed(const MainUiState& m, int32_t localePaper) {
    auto scratch = std::make_unique<MainUiState>(m);
    SizeFields fields;
    const auto context = [&](int32_t sizeIndex) {
        const int32_t placement = PlacementForSize(sizeIndex) ? m.scanOrientn : -1;
        return SizeFieldContext{m.unit, m.resolution, placement, m.scanOrientation};
    };
    const int32_t size = m.scanSize;
    if (size >= 0 && size <= PaperSizeCount) {
        ApplyPaperSize(*scratch, fields, context(size), size);
    } else if (!ApplyRegisteredArea(*scratch, fields, context(size), size)) {
        ApplyPaperSize(*scratch, fields, context(localePaper), localePaper);
    }
    return {scratch->scanA, scratch->scanB};
}

}  // namespace

MainUiState* GetMainUiState() { return &mainUiState; }

void SetMainDefaultsFor(bool inchSystem) {
    MainUiState& m = mainUiState;
    m.scanMethod = 0;
    m.colorType = 3;
    m.gamCurve = 0;
    m.resolution = 2;
    m.resolution2 = 2;
    m.scanOrientn = 0;
    m.scanOrientation = 3;
    m.scanAreaCheck = 0;
    m.startFromScannerCheck = 0;
    m.newCount = 0;
    m.modeNewCount = 0;
    m.customA = 49606;
    m.customB = 70157;
    m.customOrientation = 3;
    m.scanX = m.scanY = 0;
    m.scanH = m.scanV = 2362;
    m.brightness = m.contrast = 0;
    m.scanSize = inchSystem ? 7 : 1;
    m.unit = inchSystem ? 0 : 1;
    m.scanA = inchSystem ? 51000 : 49606;
    m.scanB = inchSystem ? 66000 : 70157;
    memcpy(m.paperSizeTable, builtInPaperSizes, sizeof builtInPaperSizes);
    for (int i = 0; i < BuiltInModeRecords; ++i) SetBuiltInMode(m.modeTable[i], builtInModes[i]);
}

void SetMainDefaults() { SetMainDefaultsFor(GetProfileIntA("intl", "iMeasure", 1) == 1); }

void LoadMainSettings(const char* path) {
    if (!SettingsFileExists(path)) return;
    MainUiState& m = mainUiState;
    CopyField(m.ipAddress, ReadSettingsText(path, "IPAddress", "0.0.0.0", NameBuffer));
    const int32_t localePaper = m.scanSize;
    bool widthMissing = false, lengthMissing = false;
    for (const FixedKey& k : fixedKeys) {
        const std::optional<int32_t> value = ReadSettingsIntIfPresent(path, k.key);
        if (value) {
            m.*k.member = *value;
        } else if (k.fallback == FromPaper) {
            (k.member == &MainUiState::scanA ? widthMissing : lengthMissing) = true;
        } else if (k.fallback != KeepDefault) {
            m.*k.member = k.fallback;
        }
    }
    // Counts come from a file people edit: beyond the tables they would read
    // and write past their ends, so they are held to what the tables can take.
    m.newCount = ClampCount(m.newCount, AreaTableSize);
    m.modeNewCount = ClampCount(m.modeNewCount, MaxUserModes);
    for (int i = 0; i < m.newCount; ++i) LoadArea(path, i, m.areaTable[i]);
    for (int j = 0; j < m.modeNewCount + BuiltInModeRecords; ++j) LoadMode(path, j, m.modeTable[j]);
    if (widthMissing || lengthMissing) {
        const PaperSizeEntry paper = DocumentSizeNamed(m, localePaper);
        if (widthMissing) m.scanA = paper.width;
        if (lengthMissing) m.scanB = paper.length;
    }
}

void SaveMainSettings(const char* path) {
    if (path == nullptr || path[0] == '\0') return;
    const MainUiState& m = mainUiState;
    WriteSettingsText(path, "IPAddress", m.ipAddress, false);
    for (const FixedKey& k : fixedKeys) WriteSettingsInt(path, k.key, m.*k.member);
    int32_t areas = ClampCount(m.workingAreaCount, AreaTableSize);
    int32_t modes = ClampCount(m.workingModeCount, MaxUserModes);
    for (int i = 0; i < areas; ++i) SaveArea(path, i, m.areaTable[i]);
    for (int j = 0; j < modes + BuiltInModeRecords; ++j) SaveMode(path, j, m.modeTable[j]);
}
