// The main scan dialog from the real resource module, created on the test's
// thread and driven by SendMessage. Message boxes are answered by a CBT hook
// that records their text; the core's setters and starts are recorders.
#include "ui/main_dialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/core_context.h"
#include "resources/resource_ids.h"
#include "tests/win/win_test_support.h"
#include "ui/adjustment_settings.h"
#include "ui/main_dialog_model.h"
#include "ui/main_settings.h"
#include "ui/main_ui_state.h"
#include "ui/size_fields.h"

namespace {

std::vector<std::string> calls;
int finalScanAnswer = 0;

std::string Call(const char* name, std::initializer_list<int32_t> args) {
    std::string text = name;
    for (int32_t a : args) text += " " + std::to_string(a);
    return text;
}

const CoreSetters recorders{
    [](int32_t v) { return calls.push_back(Call("PixelType", {v})), 1; },
    [](int32_t v) { return calls.push_back(Call("Brightness", {v})), 1; },
    [](int32_t v) { return calls.push_back(Call("Contrast", {v})), 1; },
    [](int32_t v) { return calls.push_back(Call("CurveMode", {v})), 1; },
    [](int32_t v) { return calls.push_back(Call("CurveGamma", {v})), 1; },
    [](int32_t*, int32_t*, int32_t n) { return calls.push_back(Call("ToneCurve", {n})), 1; },
    [](int32_t v) { return calls.push_back(Call("ResolutionIndex", {v})), 1; },
    [](int32_t v) { return calls.push_back(Call("PaperSource", {v})), 1; },
    [](int32_t v) { return calls.push_back(Call("PaperSizeCode", {v})), 1; },
    [](int32_t x, int32_t y, int32_t w, int32_t h) {
        return calls.push_back(Call("CustomArea", {x, y, w, h})), 1;
    },
    [](int32_t v) { return calls.push_back(Call("Rotation", {v})), 1; },
};

const MainDialogBackend recordingBackend{
    [] { return calls.push_back("StartFinalScan"), finalScanAnswer; },
    [] { return calls.push_back("StartPreview"), 1; },
    [] { calls.push_back("RequestClose"); },
    [](const char*) { calls.push_back("Save"); },
};

class MainDialogTest : public testing::Test {
   protected:
    void SetUp() override {
        ASSERT_NE(ResourceModule(), nullptr);
        GetUiGlobals()->resourceHandle = ResourceModule();
        MainUiState& s = *GetMainUiState();
        s = MainUiState{};
        SetMainDefaultsFor(false);  // A4 in mm
        savedSetters = *GetCoreSetters();
        *GetCoreSetters() = recorders;
        savedBackend = *GetMainDialogBackend();
        *GetMainDialogBackend() = recordingBackend;
        boxes.Watch(GetCurrentThreadId());
        calls.clear();
        boxes.Clear();
        finalScanAnswer = 0;
    }
    void TearDown() override {
        DestroyMainDialog();
        *GetCoreSetters() = savedSetters;
        *GetMainDialogBackend() = savedBackend;
    }

    HWND Open() {
        EXPECT_EQ(ShowMainDialog(nullptr), 0);
        dialog = static_cast<HWND>(GetMainUiState()->mainDialog);
        calls.clear();
        return dialog;
    }
    void Select(int id, int index) {
        SendDlgItemMessageA(dialog, id, CB_SETCURSEL, index, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(id)));
    }
    void Click(int id) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
    }
    void Tick(int id, bool ticked) {
        CheckDlgButton(dialog, id, ticked ? BST_CHECKED : BST_UNCHECKED);
        Click(id);
    }
    // Types into a field as a user does: focus in, new text, focus out.
    void Type(int id, const char* text) {
        SetFocus(Item(id));
        SetDlgItemTextA(dialog, id, text);
        SetFocus(Item(IDC_MAIN_MODE_LIST));
    }
    HWND Item(int id) { return GetDlgItem(dialog, id); }
    std::string Text(int id) {
        char text[256] = {};
        GetDlgItemTextA(dialog, id, text, sizeof text);
        return text;
    }
    int Count(int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0)); }
    int Selection(int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0)); }

    // The dialog as it draws itself, saved as a BMP under the build tree.
    void Screenshot(const std::string& name) { SaveScreenshot(dialog, "main_" + name); }

    HWND dialog = nullptr;
    MessageBoxReader boxes{IDC_MAIN_SCAN};  // answers them with OK
    CoreSetters savedSetters{};
    MainDialogBackend savedBackend{};
};

TEST_F(MainDialogTest, OpensWithItsSettingsAndLabelsFromStrings) {
    Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Text(IDC_MAIN_SCAN), ResourceString(IDS_MAIN_SCAN));
    EXPECT_EQ(Text(IDC_MAIN_LABEL_CONTRAST), ResourceString(IDS_MAIN_LABEL_CONTRAST));
    EXPECT_EQ(Count(IDC_MAIN_SIZE), 11);
    EXPECT_EQ(Selection(IDC_MAIN_SIZE), 1);
    EXPECT_EQ(Count(IDC_MAIN_METHOD), 2);
    EXPECT_EQ(Count(IDC_MAIN_RESOLUTION), 7);
    EXPECT_EQ(Text(IDC_MAIN_WIDTH), "210");
    EXPECT_EQ(Text(IDC_MAIN_LENGTH), "297");
    EXPECT_EQ(Text(IDC_MAIN_AREA_LEFT), "");
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_MAIN_AREA_LEFT)));
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_MAIN_MODE_LIST, LB_GETCOUNT, 0, 0), 3);
    EXPECT_NE(Text(IDC_MAIN_STATUS).find(ResourceString(IDS_STATUS_ESTIMATE)), std::string::npos);
}

TEST_F(MainDialogTest, ScanSendsTheSettingsThenStarts) {
    Open();
    Select(IDC_MAIN_RESOLUTION, 3);  // 300 dpi
    Select(IDC_MAIN_COLOUR, COLOUR_GREY);
    calls.clear();
    Click(IDC_MAIN_SCAN);
    const std::vector<std::string> expected = {
        "Save",          "PixelType 2",    "Brightness 0",  "Contrast 0",        "ResolutionIndex 4",
        "PaperSource 0", "CurveMode 1",    "CurveGamma 50", "PaperSizeCode 255", "CustomArea 0 0 2480 3507",
        "Rotation 0",    "StartFinalScan",
    };
    EXPECT_EQ(calls, expected);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(MainDialogTest, EmptyFeederAtScanIsReported) {
    Open();
    finalScanAnswer = 5;
    Click(IDC_MAIN_SCAN);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], ResourceString(IDS_FEEDER_EMPTY));
}

TEST_F(MainDialogTest, SizeIndexDecidesTheMethods) {
    Open();
    Select(IDC_MAIN_SIZE, 6);  // Legal: the glass is too short
    EXPECT_EQ(Count(IDC_MAIN_METHOD), 1);
    EXPECT_EQ(Text(IDC_MAIN_METHOD), ResourceString(IDS_METHOD_FEEDER));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_MAIN_PREVIEW)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_MAIN_AREA_REGISTER)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_MAIN_AREA_CHECK)));
    EXPECT_EQ(Count(IDC_MAIN_RESOLUTION), 6);
    EXPECT_EQ(GetMainUiState()->scanMethod, METHOD_FEEDER);
    Select(IDC_MAIN_SIZE, 3);  // A6: flatbed only, placement in use
    EXPECT_EQ(Count(IDC_MAIN_METHOD), 1);
    EXPECT_EQ(Text(IDC_MAIN_METHOD), ResourceString(IDS_METHOD_FLATBED));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_MAIN_PLACEMENT)));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_MAIN_PREVIEW)));
    Select(IDC_MAIN_SIZE, 1);
    EXPECT_EQ(Count(IDC_MAIN_METHOD), 2);
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_MAIN_PLACEMENT)));
    Select(IDC_MAIN_RESOLUTION, 6);
    EXPECT_EQ(GetMainUiState()->resolution, 6);
    EXPECT_EQ(GetMainUiState()->resolution2, 5);
}

TEST_F(MainDialogTest, OutOfRangeWidthIsCorrectedAndReported) {
    Open();
    Select(IDC_MAIN_UNIT, UNIT_INCH);
    EXPECT_EQ(Text(IDC_MAIN_WIDTH), "8.27");
    Type(IDC_MAIN_WIDTH, "9");
    EXPECT_EQ(Text(IDC_MAIN_WIDTH), "8.50");
    EXPECT_EQ(GetMainUiState()->scanA, 51000);
    EXPECT_EQ(Selection(IDC_MAIN_SIZE), 0);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], FormatRangeMessage(ResourceString(IDS_RANGE_MESSAGE), "0.39", "8.50"));
}

TEST_F(MainDialogTest, FieldsDropWhatTheirUnitCannotHold) {
    Open();
    SetDlgItemTextA(dialog, IDC_MAIN_WIDTH, "2a1");
    EXPECT_EQ(Text(IDC_MAIN_WIDTH), "21");
    Select(IDC_MAIN_UNIT, UNIT_INCH);
    SetDlgItemTextA(dialog, IDC_MAIN_WIDTH, "8.275");
    EXPECT_EQ(Text(IDC_MAIN_WIDTH), "8.27");
    SetDlgItemTextA(dialog, IDC_MAIN_WIDTH, "8..2");
    EXPECT_EQ(Text(IDC_MAIN_WIDTH), "8.2");
    // Leaving a field as it was keeps the paper size.
    Type(IDC_MAIN_LENGTH, Text(IDC_MAIN_LENGTH).c_str());
    EXPECT_EQ(Selection(IDC_MAIN_SIZE), 1);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(MainDialogTest, BrightnessBoxHoldsItsRange) {
    Open();
    const struct {
        const char* typed;
        const char* shown;
        int32_t value;
        size_t boxes;
    } cases[] = {{"250", "100", 100, 1}, {"-101", "-100", -100, 1}, {"4x2", "42", 42, 0}};
    for (const auto& c : cases) {
        boxes.Clear();
        SetDlgItemTextA(dialog, IDC_MAIN_BRIGHTNESS, c.typed);
        EXPECT_EQ(Text(IDC_MAIN_BRIGHTNESS), c.shown) << c.typed;
        EXPECT_EQ(GetMainUiState()->brightness, c.value) << c.typed;
        EXPECT_EQ(GetScrollPos(Item(IDC_MAIN_BRIGHTNESS_BAR), SB_CTL), c.value) << c.typed;
        EXPECT_EQ(boxes.Texts().size(), c.boxes) << c.typed;
    }
    EXPECT_EQ(calls.back(), "Brightness 42");
    SendMessageA(dialog, WM_HSCROLL, SB_PAGERIGHT, reinterpret_cast<LPARAM>(Item(IDC_MAIN_BRIGHTNESS_BAR)));
    EXPECT_EQ(Text(IDC_MAIN_BRIGHTNESS), "52");
    EXPECT_EQ(calls.back(), "Brightness 52");
}

TEST_F(MainDialogTest, PreviewTurnsBackAndHalvesLineArtDarkening) {
    Open();
    Select(IDC_MAIN_COLOUR, COLOUR_BW);
    SetDlgItemTextA(dialog, IDC_MAIN_BRIGHTNESS, "-41");
    Select(IDC_MAIN_ROTATION, 0);
    EXPECT_EQ(Text(IDC_MAIN_WIDTH), "297");
    calls.clear();
    Click(IDC_MAIN_PREVIEW);
    EXPECT_EQ(Selection(IDC_MAIN_ROTATION), NoRotation);
    EXPECT_EQ(Text(IDC_MAIN_WIDTH), "210");
    const std::vector<std::string> expected = {
        "PixelType 0",       "Brightness -20",           "Contrast 0", "ResolutionIndex 3", "PaperSource 0",
        "PaperSizeCode 255", "CustomArea 0 0 1653 2338", "Rotation 0", "StartPreview",
    };
    EXPECT_EQ(calls, expected);
}

TEST_F(MainDialogTest, ChangingASettingEndsTheModeHighlight) {
    Open();
    SendDlgItemMessageA(dialog, IDC_MAIN_MODE_LIST, LB_SETCURSEL, 1, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_MAIN_MODE_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(IDC_MAIN_MODE_LIST)));
    // The second built-in mode: colour A6 at 600 dpi.
    EXPECT_EQ(Selection(IDC_MAIN_SIZE), 3);
    EXPECT_EQ(Selection(IDC_MAIN_RESOLUTION), 5);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_MAIN_MODE_LIST, LB_GETCURSEL, 0, 0), 1);
    Select(IDC_MAIN_COLOUR, COLOUR_GREY);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_MAIN_MODE_LIST, LB_GETCURSEL, 0, 0), -1);
}

TEST_F(MainDialogTest, AreaStaysInsideTheDocument) {
    Open();
    Tick(IDC_MAIN_AREA_CHECK, true);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_MAIN_AREA_LEFT)));
    EXPECT_EQ(Text(IDC_MAIN_AREA_WIDTH), "10");
    Type(IDC_MAIN_AREA_WIDTH, "500");
    EXPECT_EQ(Text(IDC_MAIN_AREA_WIDTH), "210");
    EXPECT_EQ(Text(IDC_MAIN_AREA_LEFT), "0");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], FormatRangeMessage(ResourceString(IDS_RANGE_MESSAGE), "10", "210"));
    Tick(IDC_MAIN_AREA_CHECK, false);
    EXPECT_EQ(Text(IDC_MAIN_AREA_LEFT), "");
    EXPECT_EQ(GetMainUiState()->scanAreaCheck, 0);
}

TEST_F(MainDialogTest, CloseAsksTheApplicationAndDeviceStatusIsShown) {
    Open();
    SendMessageA(dialog, DeviceStatusMessage, 3, 0);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], ResourceString(IDS_STATUS_COVER_OPEN));
    SendMessageA(dialog, DeviceStatusMessage, 0, 0);
    EXPECT_EQ(boxes.Texts().size(), 1u);
    Click(IDC_MAIN_CLOSE);
    EXPECT_EQ(calls, (std::vector<std::string>{"Save", "RequestClose"}));
}

TEST_F(MainDialogTest, EnterScansWithTheValueStillBeingTypedAndEscCloses) {
    Open();
    HWND width = Item(IDC_MAIN_WIDTH);
    SetFocus(width);
    SetDlgItemTextA(dialog, IDC_MAIN_WIDTH, "300");
    MSG key{width, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(FilterEvent(&key));
    // The field lets go of the typed width before the scan reads it: 216 mm at most.
    EXPECT_EQ(Text(IDC_MAIN_WIDTH), "216");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "StartFinalScan");
    EXPECT_NE(std::find(calls.begin(), calls.end(), "CustomArea 0 0 1700 2338"), calls.end());
    calls.clear();
    MSG escape{Item(IDC_MAIN_SCAN), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(FilterEvent(&escape));
    EXPECT_EQ(calls, (std::vector<std::string>{"Save", "RequestClose"}));
}

// The settings file the device selection writes holds the address alone: the
// dialog opens with the locale's whole page and Scan sends all of it.
TEST_F(MainDialogTest, SettingsFileWithTheAddressAloneOpensAsTheLocalesPaper) {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + "tarvik-address-only.ini";
    if (FILE* f = fopen(path.c_str(), "wb")) {
        fputs("[KRVDS TWAIN]\r\nIPAddress=127.0.0.1\r\n", f);
        fclose(f);
    }
    struct Case {
        bool inch;
        int size;
        const char *width, *length, *area;  // the area at the default 200 dpi
    };
    for (const Case& c : {Case{false, 1, "210", "297", "CustomArea 0 0 1653 2338"},
                          Case{true, 7, "8.50", "11.00", "CustomArea 0 0 1700 2200"}}) {
        SCOPED_TRACE(c.inch ? "inch" : "metric");
        SetMainDefaultsFor(c.inch);
        LoadMainSettings(path.c_str());
        Open();
        EXPECT_EQ(Selection(IDC_MAIN_SIZE), c.size);
        EXPECT_EQ(Text(IDC_MAIN_WIDTH), c.width);
        EXPECT_EQ(Text(IDC_MAIN_LENGTH), c.length);
        Click(IDC_MAIN_SCAN);
        EXPECT_NE(std::find(calls.begin(), calls.end(), c.area), calls.end());
        DestroyMainDialog();
    }
    DeleteFileA(path.c_str());
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(MainDialogTest, Screenshots) {
    struct Shot {
        const char* name;
        int mode;  // list entry picked first, -1 for none
        int unit;
        int size;
        int colour;
        int rotation;
        bool area;
    } const shots[] = {
        {"mm_flatbed_colour", -1, UNIT_MM, 1, COLOUR_RGB, NoRotation, true},
        {"inch_flatbed_bw", -1, UNIT_INCH, 5, COLOUR_BW, 0, false},
        {"pixel_feeder_colour", -1, UNIT_PIXEL, 6, COLOUR_RGB, NoRotation, false},
        {"mm_feeder_bw_mode", 2, UNIT_MM, -1, -1, -1, false},
    };
    for (const Shot& shot : shots) {
        Open();
        if (shot.mode >= 0) {
            SendDlgItemMessageA(dialog, IDC_MAIN_MODE_LIST, LB_SETCURSEL, shot.mode, 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_MAIN_MODE_LIST, LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(Item(IDC_MAIN_MODE_LIST)));
        }
        Select(IDC_MAIN_UNIT, shot.unit);
        if (shot.size >= 0) Select(IDC_MAIN_SIZE, shot.size);
        if (shot.colour >= 0) Select(IDC_MAIN_COLOUR, shot.colour);
        if (shot.rotation >= 0) Select(IDC_MAIN_ROTATION, shot.rotation);
        if (shot.area) {
            Tick(IDC_MAIN_AREA_CHECK, true);
            Type(IDC_MAIN_AREA_WIDTH, "120");
        }
        Screenshot(shot.name);
        DestroyMainDialog();
    }
    EXPECT_TRUE(boxes.Texts().empty());
}

}  // namespace
