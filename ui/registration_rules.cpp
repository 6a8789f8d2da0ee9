#include "ui/registration_rules.h"

#include <cstring>

namespace {

// The ideographic space of the code page that dbcsSpaceSum stands for: its
// lead byte and the trail byte 0x40. Only that exact pair is a blank; other
// pairs whose bytes happen to add up the same (a kanji such as 0xE0 0xE1, or
// '@' before a lead byte) are text.
struct WideSpace {
    unsigned char lead;
    unsigned char trail;
};

WideSpace WideSpaceFor(int dbcsSpaceSum) { return {static_cast<unsigned char>(dbcsSpaceSum - 0x40), 0x40}; }

// Copies at most limit bytes of text into a record's 256-byte field.
void CopyField(char (&field)[256], const char* text, size_t limit) {
    size_t length = text == nullptr ? 0 : strnlen(text, limit);
    memcpy(field, text == nullptr ? "" : text, length);
    field[length] = '\0';
}

// name trimmed and cut to limit bytes, in a buffer of the record's size.
struct TrimmedName {
    char text[256];
    TrimmedName(const char* name, size_t limit, int dbcsSpaceSum) {
        CopyField(text, name, limit);
        TrimName(text, dbcsSpaceSum);
    }
    bool Empty() const { return text[0] == '\0'; }
};

bool SameIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
        if (x == '\0') return true;
    }
}

int AreaCount(const MainUiState& state) {
    int count = state.workingAreaCount;
    return count < 0 ? 0 : (count > MaxAreas ? MaxAreas : count);
}

}  // namespace

void TrimName(char* text, int dbcsSpaceSum) {
    if (text == nullptr) return;
    const WideSpace space = WideSpaceFor(dbcsSpaceSum);
    size_t length = strnlen(text, 256);
    size_t begin = 0;
    while (begin < length) {
        if (text[begin] == ' ') {
            ++begin;
        } else if (begin + 1 < length && static_cast<unsigned char>(text[begin]) == space.lead &&
                   static_cast<unsigned char>(text[begin + 1]) == space.trail) {
            begin += 2;
        } else {
            break;
        }
    }
    size_t end = length;
    while (end > begin) {
        if (text[end - 1] == ' ') {
            --end;
        } else if (end - begin >= 2 && static_cast<unsigned char>(text[end - 2]) == space.lead &&
                   static_cast<unsigned char>(text[end - 1]) == space.trail) {
            end -= 2;
        } else {
            break;
        }
    }
    memmove(text, text + begin, end - begin);
    text[end - begin] = '\0';
}

int DbcsSpaceSumFor(unsigned languageId) {
    return languageId == 1041 ? DbcsSpaceSumJapanese : DbcsSpaceSumOther;
}

bool ModeTableFull(const MainUiState& state) { return state.workingModeCount >= MaxUserModes; }

bool AreaTableFull(const MainUiState& state) { return state.workingAreaCount >= MaxAreas; }

int ModeRecordCount(const MainUiState& state) {
    int users = state.workingModeCount < 0
                    ? 0
                    : (state.workingModeCount > MaxUserModes ? MaxUserModes : state.workingModeCount);
    return BuiltInModeRecords + users;
}

bool ModeEditable(const MainUiState& state, int record) {
    return record >= 2 && record < ModeRecordCount(state);
}

int FindModeName(const MainUiState& state, const char* name, int except) {
    for (int j = 1; j < ModeRecordCount(state); ++j) {
        if (j != except && strcmp(state.modeTable[j].name, name) == 0) return j;
    }
    return -1;
}

RegistrationResult RegisterMode(MainUiState& state, const char* name, const char* comment, int pictureChoice,
                                int dbcsSpaceSum, int* record) {
    if (ModeTableFull(state)) return RegistrationResult::TableFull;
    TrimmedName trimmed(name, ModeNameLimit, dbcsSpaceSum);
    if (trimmed.Empty()) return RegistrationResult::EmptyName;
    if (FindModeName(state, trimmed.text, -1) >= 0) return RegistrationResult::Duplicate;
    if (pictureChoice < 0 || pictureChoice >= ModePictureChoices) pictureChoice = 0;

    const int r = ModeRecordCount(state);
    ScanModeRecord& mode = state.modeTable[r];
    mode = ScanModeRecord{};
    CopyField(mode.name, trimmed.text, ModeNameLimit);
    CopyField(mode.comment, comment, ModeCommentLimit);
    mode.bitmapIndex = pictureChoice + 1;
    mode.scanMethod = state.scanMethod;
    mode.sizeIndex = state.scanSize;
    const int area = state.scanSize - FirstAreaSizeIndex;
    if (area >= 0 && area < MaxAreas) CopyField(mode.sizeName, state.areaTable[area].name, 255);
    mode.colorType = state.colorType;
    mode.gamCurve = state.gamCurve;
    mode.resolution = state.resolution;
    mode.resolution2 = state.resolution2;
    mode.placement = state.scanOrientn;
    mode.orientation = state.scanOrientation;
    mode.scanAreaCheck = state.scanAreaCheck;
    mode.startFromScanner = state.startFromScannerCheck;
    mode.brightness = state.brightness;
    mode.contrast = state.contrast;
    mode.a = state.scanA;
    mode.b = state.scanB;
    mode.x = state.scanX;
    mode.y = state.scanY;
    mode.h = state.scanH;
    mode.v = state.scanV;

    state.workingModeCount = r - BuiltInModeRecords + 1;
    state.modeNewCount = state.workingModeCount;
    if (record != nullptr) *record = r;
    return RegistrationResult::Done;
}

RegistrationResult EditMode(MainUiState& state, int r, const char* name, const char* comment,
                            int pictureChoice, int dbcsSpaceSum) {
    if (!ModeEditable(state, r)) return RegistrationResult::NotAllowed;
    TrimmedName trimmed(name, ModeNameLimit, dbcsSpaceSum);
    if (trimmed.Empty()) return RegistrationResult::EmptyName;
    if (FindModeName(state, trimmed.text, r) >= 0) return RegistrationResult::Duplicate;
    ScanModeRecord& mode = state.modeTable[r];
    CopyField(mode.name, trimmed.text, ModeNameLimit);
    CopyField(mode.comment, comment, ModeCommentLimit);
    if (pictureChoice >= 0 && pictureChoice < ModePictureChoices) mode.bitmapIndex = pictureChoice + 1;
    return RegistrationResult::Done;
}

RegistrationResult DeleteMode(MainUiState& state, int r) {
    if (!ModeEditable(state, r)) return RegistrationResult::NotAllowed;
    const int count = ModeRecordCount(state);
    for (int j = r; j + 1 < count; ++j) state.modeTable[j] = state.modeTable[j + 1];
    state.modeTable[count - 1] = ScanModeRecord{};
    state.workingModeCount = count - 1 - BuiltInModeRecords;
    state.modeNewCount = state.workingModeCount;
    return RegistrationResult::Done;
}

int FindAreaName(const MainUiState& state, const BuiltInSizeNames& builtIns, const char* name,
                 int exceptSizeIndex) {
    for (int s = 0; s < BuiltInSizeCount; ++s) {
        if (s != exceptSizeIndex && builtIns.names[s] != nullptr && SameIgnoringCase(builtIns.names[s], name))
            return s;
    }
    for (int i = 0; i < AreaCount(state); ++i) {
        const int s = FirstAreaSizeIndex + i;
        if (s != exceptSizeIndex && SameIgnoringCase(state.areaTable[i].name, name)) return s;
    }
    return -1;
}

RegistrationResult RegisterArea(MainUiState& state, const BuiltInSizeNames& builtIns, const char* name,
                                int orientation, int dbcsSpaceSum, int* area) {
    if (AreaTableFull(state)) return RegistrationResult::TableFull;
    TrimmedName trimmed(name, AreaNameLimit, dbcsSpaceSum);
    if (trimmed.Empty()) return RegistrationResult::EmptyName;
    if (FindAreaName(state, builtIns, trimmed.text, -1) >= 0) return RegistrationResult::Duplicate;

    const int i = AreaCount(state);
    ScanAreaRecord& record = state.areaTable[i];
    record = ScanAreaRecord{};
    CopyField(record.name, trimmed.text, AreaNameLimit);
    record.a = state.scanA;
    record.b = state.scanB;
    record.orientation = orientation;
    if (state.scanAreaCheck == 1) {
        record.check = 1;
        record.x = state.scanX;
        record.y = state.scanY;
        record.h = state.scanH;
        record.v = state.scanV;
    }
    state.workingAreaCount = i + 1;
    state.newCount = state.workingAreaCount;
    if (area != nullptr) *area = i;
    return RegistrationResult::Done;
}

RegistrationResult RenameArea(MainUiState& state, const BuiltInSizeNames& builtIns, int i, const char* name,
                              int dbcsSpaceSum) {
    if (i < 0 || i >= AreaCount(state)) return RegistrationResult::NotAllowed;
    TrimmedName trimmed(name, AreaNameLimit, dbcsSpaceSum);
    if (trimmed.Empty()) return RegistrationResult::EmptyName;
    const int sizeIndex = FirstAreaSizeIndex + i;
    if (FindAreaName(state, builtIns, trimmed.text, sizeIndex) >= 0) return RegistrationResult::Duplicate;
    CopyField(state.areaTable[i].name, trimmed.text, AreaNameLimit);
    for (int j = 0; j < ModeRecordCount(state); ++j) {
        if (state.modeTable[j].sizeIndex == sizeIndex)
            CopyField(state.modeTable[j].sizeName, trimmed.text, 255);
    }
    return RegistrationResult::Done;
}

RegistrationResult DeleteArea(MainUiState& state, int i) {
    const int count = AreaCount(state);
    if (i < 0 || i >= count) return RegistrationResult::NotAllowed;
    const int sizeIndex = FirstAreaSizeIndex + i;
    const ScanAreaRecord& gone = state.areaTable[i];
    for (int j = 0; j < ModeRecordCount(state); ++j) {
        ScanModeRecord& mode = state.modeTable[j];
        // A mode goes by its size index; the size name it stored is checked
        // too, for modes whose index an older file left stale.
        if (mode.sizeIndex == sizeIndex ||
            (mode.sizeIndex >= FirstAreaSizeIndex && strcmp(mode.sizeName, gone.name) == 0)) {
            mode.sizeIndex = 0;
            mode.sizeName[0] = '\0';
        } else if (mode.sizeIndex > sizeIndex) {
            --mode.sizeIndex;
        }
    }
    if (state.scanSize == sizeIndex) {
        state.scanSize = 0;
    } else if (state.scanSize > sizeIndex) {
        --state.scanSize;
    }
    for (int k = i; k + 1 < count; ++k) state.areaTable[k] = state.areaTable[k + 1];
    state.areaTable[count - 1] = ScanAreaRecord{};
    state.workingAreaCount = count - 1;
    state.newCount = state.workingAreaCount;
    return RegistrationResult::Done;
}
