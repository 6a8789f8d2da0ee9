#include "ui/main_dialog_model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> calls;

std::string Call(const char* name, std::initializer_list<int32_t> args) {
    std::string text = name;
    for (int32_t a : args) text += " " + std::to_string(a);
    return text;
}

CoreSetters Recorder() {
    return {
        [](int32_t v) { return calls.push_back(Call("PixelType", {v})), 1; },
        [](int32_t v) { return calls.push_back(Call("Brightness", {v})), 1; },
        [](int32_t v) { return calls.push_back(Call("Contrast", {v})), 1; },
        [](int32_t v) { return calls.push_back(Call("CurveMode", {v})), 1; },
        [](int32_t v) { return calls.push_back(Call("CurveGamma", {v})), 1; },
        [](int32_t* in, int32_t* out, int32_t n) {
            return calls.push_back(Call("ToneCurve", {in[1], in[3], out[1], out[3], n})), 1;
        },
        [](int32_t v) { return calls.push_back(Call("ResolutionIndex", {v})), 1; },
        [](int32_t v) { return calls.push_back(Call("PaperSource", {v})), 1; },
        [](int32_t v) { return calls.push_back(Call("PaperSizeCode", {v})), 1; },
        [](int32_t x, int32_t y, int32_t w, int32_t h) {
            return calls.push_back(Call("CustomArea", {x, y, w, h})), 1;
        },
        [](int32_t v) { return calls.push_back(Call("Rotation", {v})), 1; },
    };
}

MainUiState A4Colour() {
    MainUiState s{};
    s.colorType = COLOUR_RGB;
    s.resolution = 3;  // 300 dpi
    s.scanA = 49606;
    s.scanB = 70157;
    s.scanOrientation = NoRotation;
    return s;
}

struct CommitCase {
    const char* name;
    void (*adjust)(MainUiState&);
    int32_t method;
    bool preview;
    std::vector<std::string> expected;
};

TEST(MainDialogModel, CommitSendsTheSettingsInOrder) {
    const CommitCase cases[] = {
        {"A4 300 dpi unturned",
         [](MainUiState&) {},
         METHOD_FLATBED,
         false,
         {"PixelType 3", "Brightness 0", "Contrast 0", "ResolutionIndex 4", "PaperSource 0", "CurveMode 1",
          "CurveGamma 50", "PaperSizeCode 255", "CustomArea 0 0 2480 3507", "Rotation 0"}},
        {"line art preview halves a darkening",
         [](MainUiState& s) {
             s.colorType = COLOUR_BW;
             s.brightness = -41;
             s.contrast = 30;
         },
         METHOD_FLATBED,
         true,
         {"PixelType 0", "Brightness -20", "Contrast 0", "ResolutionIndex 4", "PaperSource 0",
          "PaperSizeCode 255", "CustomArea 0 0 2480 3507", "Rotation 0"}},
        {"line art final scan keeps it",
         [](MainUiState& s) {
             s.colorType = COLOUR_BW;
             s.brightness = -41;
         },
         METHOD_FLATBED,
         false,
         {"PixelType 0", "Brightness -41", "Contrast 0", "ResolutionIndex 4", "PaperSource 0",
          "PaperSizeCode 255", "CustomArea 0 0 2480 3507", "Rotation 0"}},
        {"grey, soft curve, turned right on the feeder",
         [](MainUiState& s) {
             s.colorType = COLOUR_GREY;
             s.gamCurve = 1;
             s.contrast = 12;
             s.scanOrientation = 0;
             std::swap(s.scanA, s.scanB);
         },
         METHOD_FEEDER,
         false,
         {"PixelType 2", "Brightness 0", "Contrast 12", "ResolutionIndex 4", "PaperSource 1", "CurveMode 0",
          "ToneCurve 66 191 95 163 5", "PaperSizeCode 255", "CustomArea 0 0 2480 3507", "Rotation 3"}},
        {"area upside down at 100 dpi",
         [](MainUiState& s) {
             s.resolution = 0;
             s.gamCurve = 3;
             s.scanAreaCheck = 1;
             s.scanOrientation = 1;
             s.scanX = 6000;
             s.scanY = 12000;
             s.scanH = 12000;
             s.scanV = 6000;
         },
         METHOD_FLATBED,
         false,
         {"PixelType 3", "Brightness 0", "Contrast 0", "ResolutionIndex 1", "PaperSource 0", "CurveMode 1",
          "CurveGamma 0", "PaperSizeCode 255", "CustomArea 526 869 200 100", "Rotation 2"}},
    };
    for (const CommitCase& c : cases) {
        MainUiState s = A4Colour();
        c.adjust(s);
        calls.clear();
        CommitToCore(s, c.method, c.preview, Recorder());
        EXPECT_EQ(calls, c.expected) << c.name;
    }
}

TEST(MainDialogModel, SizeIndexRules) {
    EXPECT_EQ(MethodsForSize(0), std::vector<int32_t>{METHOD_FLATBED});
    EXPECT_EQ(MethodsForSize(3), std::vector<int32_t>{METHOD_FLATBED});
    EXPECT_EQ(MethodsForSize(12), std::vector<int32_t>{METHOD_FLATBED});
    EXPECT_EQ(MethodsForSize(6), std::vector<int32_t>{METHOD_FEEDER});
    EXPECT_EQ(MethodsForSize(9), std::vector<int32_t>{METHOD_FEEDER});
    for (int32_t s : {1, 2, 4, 5, 7, 8, 10}) EXPECT_EQ(MethodsForSize(s).size(), 2u) << s;
    for (int32_t s = 0; s < 13; ++s)
        EXPECT_EQ(PlacementForSize(s), s == 2 || s == 3 || s == 5 || s == 8) << s;
    EXPECT_EQ(ResolutionsForSelection(6).resolution, 6);
    EXPECT_EQ(ResolutionsForSelection(6).resolution2, 5);
    EXPECT_EQ(ResolutionsForSelection(4).resolution2, 4);
}

TEST(MainDialogModel, AnySettingThatDiffersEndsTheModeMatch) {
    ScanModeRecord mode{};
    mode.sizeIndex = 1;
    mode.colorType = 3;
    mode.a = 49606;
    mode.b = 70157;
    MainUiState s{};
    TakeModeSettings(s, mode);
    EXPECT_TRUE(SettingsMatchMode(s, mode));
    int32_t MainUiState::*const members[] = {
        &MainUiState::scanMethod,
        &MainUiState::scanSize,
        &MainUiState::colorType,
        &MainUiState::gamCurve,
        &MainUiState::scanOrientn,
        &MainUiState::scanOrientation,
        &MainUiState::startFromScannerCheck,
        &MainUiState::scanAreaCheck,
        &MainUiState::resolution,
        &MainUiState::resolution2,
        &MainUiState::brightness,
        &MainUiState::contrast,
        &MainUiState::scanA,
        &MainUiState::scanB,
        &MainUiState::scanX,
        &MainUiState::scanY,
        &MainUiState::scanH,
        &MainUiState::scanV,
    };
    for (auto member : members) {
        MainUiState changed = s;
        changed.*member += 1;
        EXPECT_FALSE(SettingsMatchMode(changed, mode));
    }
}

TEST(MainDialogModel, AdjustmentBoxes) {
    struct Case {
        const char* typed;
        const char* text;
        int32_t value;
        bool outOfRange;
    } const cases[] = {
        {"250", "100", 100, true}, {"-101", "-100", -100, true}, {"-", "-", 0, false},
        {"", "", 0, false},        {"4a", "4", 4, false},        {"5-", "5", 5, false},
    };
    for (const Case& c : cases) {
        const AdjustmentEntry e = ReadAdjustmentEntry(c.typed);
        EXPECT_EQ(e.text, c.text) << c.typed;
        EXPECT_EQ(e.value, c.value) << c.typed;
        EXPECT_EQ(e.outOfRange, c.outOfRange) << c.typed;
    }
    EXPECT_EQ(ScrollTarget(0, -100, 0), -100);
    EXPECT_EQ(ScrollTarget(3, 95, 0), 100);
    EXPECT_EQ(ScrollTarget(6, 40, 0), -100);
    EXPECT_EQ(ScrollTarget(5, 0, 37), 37);
    EXPECT_EQ(ScrollTarget(8, 12, 90), 12);
}

TEST(MainDialogModel, SizeEstimate) {
    SizeFields f;
    f.text[FIELD_WIDTH] = "8.50";
    f.text[FIELD_LENGTH] = "11.00";
    EXPECT_EQ(FormatImageBytes(EstimateImageBytes(f, UNIT_INCH, 300, COLOUR_RGB)), "24.08 MB");
    f.text[FIELD_WIDTH] = "100";
    f.text[FIELD_LENGTH] = "100";
    EXPECT_EQ(FormatImageBytes(EstimateImageBytes(f, UNIT_PIXEL, 300, COLOUR_BW)), "1.22 KB");
    EXPECT_EQ(FormatImageBytes(2.0 * 1073741824.0), "2.00 GB");
}

TEST(MainDialogModel, TrimNameRemovesBlanksAndIdeographicSpaces) {
    struct Case {
        const char* in;
        int sum;
        const char* out;
    } const cases[] = {
        {"  Office  ", -31, "Office"},         {"   ", -31, ""},
        {"\x81\x40Memo\x81\x40", -63, "Memo"}, {"\xA1\x40 A \xA1\x40", -31, "A"},
        {"\x81\x40Memo", -31, "\x81\x40Memo"},
    };
    for (const Case& c : cases) {
        char text[256];
        strcpy(text, c.in);
        TrimName(text, c.sum);
        EXPECT_STREQ(text, c.out) << c.in;
    }
    EXPECT_EQ(DbcsSpaceSumForLanguage(1041), -63);
    EXPECT_EQ(DbcsSpaceSumForLanguage(1033), -31);
}

}  // namespace
