// The saved-mode, registered-area and About dialogs from the real resource
// module, run modally on the test's thread. Each step of a script runs from
// the dialog's own modal loop (a message filter picks up a thread message
// posted for it); message boxes are answered by a recorder.
#include "ui/registration_dialogs.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/win/win_test_support.h"
#include "ui/adjustment_settings.h"
#include "ui/help_control.h"
#include "ui/help_topic.h"
#include "ui/main_dialog.h"
#include "ui/main_settings.h"
#include "ui/registration_controls.h"
#include "ui/registration_rules.h"

namespace {

// ---- message boxes and help requests

struct Box {
    std::string text;
    UINT type;
};
std::vector<Box> boxes;
std::deque<int> answers;  // IDOK when empty

int WINAPI RecordBox(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    EXPECT_STREQ(caption, "Tarvik4100");
    boxes.push_back({text, type});
    if (answers.empty()) return IDOK;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

struct HelpCall {
    HWND owner;
    std::string location;
    UINT command;
    DWORD_PTR data;
};
std::vector<HelpCall> helpCalls;

HWND WINAPI RecordHelp(HWND owner, LPCSTR location, UINT command, DWORD_PTR data) {
    helpCalls.push_back({owner, location, command, data});
    return nullptr;
}

// ---- controls

void Command(HWND dialog, int id, int notification) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
void Click(HWND dialog, int id) { Command(dialog, id, BN_CLICKED); }
void Type(HWND dialog, int id, const char* text) {
    SetDlgItemTextA(dialog, id, text);  // the edit sends EN_CHANGE itself
}
void SelectEntry(HWND dialog, int id, int entry) {
    SendDlgItemMessageA(dialog, id, LB_SETCURSEL, entry, 0);
    Command(dialog, id, LBN_SELCHANGE);
}
std::string TextOf(HWND dialog, int id) {
    char text[512] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

class RegistrationDialogs : public ::testing::Test {
   protected:
    void SetUp() override {
        static HMODULE module = LoadLibraryA(WinPathFromUnix(TARVIK_RESOURCE_PATH).c_str());
        ASSERT_NE(module, nullptr);
        GetUiGlobals()->resourceHandle = module;
        SetMainDefaultsFor(false);  // A4, mm
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        path_ = std::string(temp) + "tarvik-registrations-" + std::to_string(GetCurrentProcessId()) + ".ini";
        DeleteFileA(path_.c_str());
        snprintf(State().settingsPath, sizeof State().settingsPath, "%s", path_.c_str());
        SetMessageBoxForTesting(RecordBox);
        SetHtmlHelpForTesting(RecordHelp);
        boxes.clear();
        answers.clear();
        helpCalls.clear();
    }
    void TearDown() override {
        SetMessageBoxForTesting(nullptr);
        SetHtmlHelpForTesting(nullptr);
        DeleteFileA(path_.c_str());
    }
    static MainUiState& State() { return *GetMainUiState(); }
    std::string Saved(const char* key) const {
        char value[256] = {};
        GetPrivateProfileStringA("KRVDS TWAIN", key, "(none)", value, sizeof value, path_.c_str());
        return value;
    }
    std::string path_;
};

TEST_F(RegistrationDialogs, ModeIsRegisteredEditedAndDeletedWithTheFileWrittenEachTime) {
    State().colorType = 0;
    State().resolution = 3;
    const std::string builtInName = State().modeTable[2].name;
    int changes = -1;
    RunScript({
                  [&](HWND d) {
                      EXPECT_TRUE(Enabled(d, IDC_MODE_REGISTER));
                      EXPECT_FALSE(Enabled(d, IDC_MODE_EDIT));
                      EXPECT_EQ(SendDlgItemMessageA(d, IDC_MODE_PICTURES, LB_GETCOUNT, 0, 0), 24);
                      Type(d, IDC_MODE_NAME, "Fifteen letters");
                      EXPECT_EQ(TextOf(d, IDC_MODE_NAME), "Fifteen letter") << "names hold 14 characters";
                      Type(d, IDC_MODE_NAME, "   ");
                      EXPECT_FALSE(Enabled(d, IDC_MODE_REGISTER)) << "a blank name cannot be registered";
                      Type(d, IDC_MODE_NAME, " Receipts ");
                      Type(d, IDC_MODE_COMMENT, "Till rolls,\r\nblack and white");
                      SendDlgItemMessageA(d, IDC_MODE_PICTURES, LB_SETCURSEL, 6, 0);
                      Click(d, IDC_MODE_REGISTER);
                      ASSERT_EQ(boxes.size(), 1u);
                      char expected[256];
                      snprintf(expected, sizeof expected, ResourceString(IDS_REGISTER_CONFIRM).c_str(),
                               "Receipts");
                      EXPECT_EQ(boxes[0].text, expected);
                      EXPECT_EQ(Saved("Mode_New_Count"), "1");
                      EXPECT_EQ(Saved("ModeName_4"), "Receipts");
                      EXPECT_EQ(Saved("ModeComment_4"), "Till rolls,  black and white");
                      EXPECT_EQ(Saved("ModeBitmapIndex_4"), "7");
                      EXPECT_EQ(Saved("ModeColorType_4"), "0");
                      EXPECT_EQ(SendDlgItemMessageA(d, IDC_MODE_LIST, LB_GETCOUNT, 0, 0), 5);
                      // The same name again, and a built-in mode's name: refused.
                      Type(d, IDC_MODE_NAME, "Receipts  ");
                      Click(d, IDC_MODE_REGISTER);
                      Type(d, IDC_MODE_NAME, builtInName.c_str());
                      Click(d, IDC_MODE_REGISTER);
                      ASSERT_EQ(boxes.size(), 5u);
                      EXPECT_EQ(boxes[2].text, ResourceString(IDS_DUPLICATE_NAME));
                      EXPECT_EQ(boxes[4].text, ResourceString(IDS_DUPLICATE_NAME));
                      EXPECT_EQ(State().modeNewCount, 1);
                      SelectEntry(d, IDC_MODE_LIST, 4);
                      EXPECT_EQ(TextOf(d, IDC_MODE_SELECTED), "Receipts");
                      EXPECT_TRUE(Enabled(d, IDC_MODE_EDIT));
                      EXPECT_FALSE(Enabled(d, IDC_MODE_REGISTER));
                      EXPECT_EQ(SendDlgItemMessageA(d, IDC_MODE_PICTURES, LB_GETCOUNT, 0, 0), 1);
                      SaveScreenshot(d, "mode_registration");
                      Click(d, IDC_MODE_EDIT);  // the edit dialog runs the next two steps
                  },
                  [&](HWND e) {
                      EXPECT_EQ(TextOf(e, IDC_EDIT_NAME), "Receipts");
                      EXPECT_EQ(SendDlgItemMessageA(e, IDC_EDIT_PICTURES, LB_GETCURSEL, 0, 0), 6);
                      Type(e, IDC_EDIT_NAME, "Till receipts");
                      SendDlgItemMessageA(e, IDC_EDIT_PICTURES, LB_SETCURSEL, 9, 0);
                      SaveScreenshot(e, "mode_edit");
                      answers = {IDOK};
                      Click(e, IDC_EDIT_OK);
                  },
                  [&](HWND d) {
                      EXPECT_EQ(State().modeTable[4].bitmapIndex, 10);
                      EXPECT_EQ(TextOf(d, IDC_MODE_SELECTED), "Till receipts");
                      Click(d, IDC_MODE_HELP);
                      Click(d, IDC_MODE_CLOSE);
                  },
              },
              [&] { changes = RunModeRegistration(nullptr); });
    EXPECT_EQ(changes, ModesChanged);
    EXPECT_EQ(Saved("ModeName_4"), "Till receipts");
    EXPECT_EQ(Saved("ModeBitmapIndex_4"), "10");
    ASSERT_EQ(helpCalls.size(), 1u);
    EXPECT_EQ(helpCalls[0].location, HelpPath() + "::/.\\TWAINV4_rtf\\modetouroku.htm");
    EXPECT_EQ(helpCalls[0].command, 0u);

    // A later session: the mode is offered with its picture; delete it.
    SetMainDefaultsFor(false);
    LoadMainSettings(path_.c_str());
    ASSERT_EQ(State().modeNewCount, 1);
    EXPECT_STREQ(State().modeTable[4].name, "Till receipts");
    boxes.clear();
    RunScript(
        {
            [&](HWND d) {
                SelectEntry(d, IDC_MODE_LIST, 1);
                EXPECT_FALSE(Enabled(d, IDC_MODE_DELETE)) << "the first built-in mode stays";
                SelectEntry(d, IDC_MODE_LIST, 4);
                answers = {IDCANCEL};
                Click(d, IDC_MODE_DELETE);
                EXPECT_EQ(State().modeNewCount, 1);
                Click(d, IDC_MODE_DELETE);
                EXPECT_EQ(State().modeNewCount, 0);
                EXPECT_EQ(Saved("Mode_New_Count"), "0");
                EXPECT_EQ(SendDlgItemMessageA(d, IDC_MODE_LIST, LB_GETCOUNT, 0, 0), 4);
                Command(d, IDCANCEL, BN_CLICKED);
            },
        },
        [&] { RunModeRegistration(nullptr); });
}

TEST_F(RegistrationDialogs, AreasAreRegisteredRenamedAndDeletedWithTheMainSizeListFollowing) {
    // A stand-in for the main dialog: a window with its size list.
    HWND main =
        CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    HWND sizes = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 150, 200, main,
                                 reinterpret_cast<HMENU>(801), nullptr, nullptr);
    for (int s = 0; s < BuiltInSizeCount; ++s)
        SendMessageA(sizes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SizeListText(State(), s).c_str()));
    auto mainSizes = [&] {
        std::vector<std::string> texts;
        for (int i = BuiltInSizeCount; i < SendMessageA(sizes, CB_GETCOUNT, 0, 0); ++i) {
            char text[256] = {};
            SendMessageA(sizes, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            texts.push_back(text);
        }
        return texts;
    };
    State().scanAreaCheck = 1;
    State().scanX = 2362;
    State().scanY = 0;
    State().scanH = 23622;  // 100 mm
    State().scanV = 11811;
    RunScript(
        {
            [&](HWND d) {
                EXPECT_EQ(SendDlgItemMessageA(d, IDC_AREA_LIST, LB_GETCOUNT, 0, 0), 12);
                EXPECT_EQ(TextOf(d, IDC_AREA_WIDTH), "210");
                EXPECT_EQ(TextOf(d, IDC_AREA_AREA_WIDTH), "100");
                for (const char* name : {"Cheque", "Label", "Ticket stub"}) {
                    SelectEntry(d, IDC_AREA_LIST, 0);
                    Type(d, IDC_AREA_NAME, name);
                    Click(d, IDC_AREA_REGISTER);
                }
                EXPECT_EQ(Saved("New_Count"), "3");
                EXPECT_EQ(Saved("New_1"), "Label");
                EXPECT_EQ(Saved("NewH_1"), "23622");
                EXPECT_EQ(mainSizes(), (std::vector<std::string>{"Cheque", "Label", "Ticket stub"}));
                SelectEntry(d, IDC_AREA_LIST, 0);
                std::string builtIn = SizeListText(State(), 1);  // A4's entry, in small letters
                for (char& c : builtIn) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
                Type(d, IDC_AREA_NAME, builtIn.c_str());
                Click(d, IDC_AREA_REGISTER);
                EXPECT_EQ(boxes.back().text, ResourceString(IDS_DUPLICATE_NAME));
                EXPECT_EQ(State().newCount, 3);
                // A mode that uses the third area, then the second is renamed and deleted.
                State().workingModeCount = 1;
                State().modeNewCount = 1;
                State().modeTable[4] = ScanModeRecord{};
                strcpy(State().modeTable[4].name, "stubs");
                State().modeTable[4].sizeIndex = 13;
                strcpy(State().modeTable[4].sizeName, "Ticket stub");
                State().scanSize = 12;
                SendMessageA(sizes, CB_SETCURSEL, 12, 0);
                SelectEntry(d, IDC_AREA_LIST, 13);
                EXPECT_TRUE(Enabled(d, IDC_AREA_RENAME));
                Type(d, IDC_AREA_NAME, "Address label");
                Click(d, IDC_AREA_RENAME);
                EXPECT_EQ(Saved("New_1"), "Address label");
                EXPECT_EQ(mainSizes()[1], "Address label");
                SaveScreenshot(d, "area_registration");
                Click(d, IDC_AREA_DELETE);
                EXPECT_EQ(Saved("New_Count"), "2");
                EXPECT_EQ(Saved("New_1"), "Ticket stub");
                EXPECT_EQ(mainSizes(), (std::vector<std::string>{"Cheque", "Ticket stub"}));
                EXPECT_EQ(State().scanSize, 0) << "the deleted area was the current size";
                EXPECT_EQ(SendMessageA(sizes, CB_GETCURSEL, 0, 0), 0);
                EXPECT_EQ(State().modeTable[4].sizeIndex, 12);
                EXPECT_EQ(Saved("ModeOriginalSize_4"), "12");
                Click(d, IDC_AREA_HELP);
                Click(d, IDC_AREA_CLOSE);
            },
        },
        [&] { RunAreaRegistration(main); });
    ASSERT_EQ(helpCalls.size(), 1u);
    EXPECT_EQ(helpCalls[0].location, HelpPath() + "::/.\\TWAINV4_rtf\\areatouroku.htm");
    DestroyWindow(main);
}

TEST_F(RegistrationDialogs, AboutBoxNamesTheProductAndItsVersion) {
    std::string text;
    RunScript(
        {
            [&](HWND d) {
                text = TextOf(d, IDC_ABOUT_TEXT);
                SaveScreenshot(d, "about");
                Click(d, IDOK);
            },
        },
        [&] { RunAboutBox(nullptr); });
    EXPECT_EQ(text, "Tarvik4100 V 1.2.0.0\n" + ResourceString(IDS_ABOUT_LINE_1) + "\n" +
                        ResourceString(IDS_ABOUT_LINE_2));
}

TEST(HelpTopic, WithoutTheControlOrWithItTheRequestReturns) {
    // Through the real control: Wine's viewer has no page engine here, so only
    // that the request comes back and drops its references is checked.
    SetHtmlHelpForTesting(nullptr);
    HMODULE before = GetModuleHandleA("hhctrl.ocx");
    ShowHelpTopic(nullptr, HelpTopicMain);
    ReleaseHelpControlReferences();
    EXPECT_EQ(GetModuleHandleA("hhctrl.ocx") != nullptr, before != nullptr)
        << "only the source's own references are dropped";
}

TEST_F(RegistrationDialogs, MainDialogButtonsOpenTheDialogsAndItsListsFollow) {
    InstallRegistrationHooks();
    const MainDialogBackend savedBackend = *GetMainDialogBackend();
    GetMainDialogBackend()->saveSettings = [](const char*) {};
    ASSERT_EQ(ShowMainDialog(nullptr), 0);
    HWND main = static_cast<HWND>(State().mainDialog);
    auto count = [&](int id, UINT message) { return SendDlgItemMessageA(main, id, message, 0, 0); };
    const LRESULT modes = count(IDC_MAIN_MODE_LIST, LB_GETCOUNT), sizes = count(IDC_MAIN_SIZE, CB_GETCOUNT);

    Click(main, IDC_MAIN_HELP);
    ASSERT_EQ(helpCalls.size(), 1u);
    EXPECT_EQ(helpCalls[0].owner, main);
    EXPECT_EQ(helpCalls[0].location, HelpPath() + "::/.\\TWAINV4_rtf\\kantan.htm");

    RunScript({[&](HWND d) {
                  Type(d, IDC_MODE_NAME, "Letters");
                  Click(d, IDC_MODE_REGISTER);
                  Click(d, IDC_MODE_CLOSE);
              }},
              [&] { Click(main, IDC_MAIN_MODE_REGISTER); });
    EXPECT_EQ(count(IDC_MAIN_MODE_LIST, LB_GETCOUNT), modes + 1);

    RunScript({[&](HWND d) {
                  Type(d, IDC_AREA_NAME, "Postcard");
                  Click(d, IDC_AREA_REGISTER);
                  Click(d, IDC_AREA_CLOSE);
              }},
              [&] { Click(main, IDC_MAIN_AREA_REGISTER); });
    EXPECT_EQ(count(IDC_MAIN_SIZE, CB_GETCOUNT), sizes + 1);
    char last[64] = {};
    SendDlgItemMessageA(main, IDC_MAIN_SIZE, CB_GETLBTEXT, sizes, reinterpret_cast<LPARAM>(last));
    EXPECT_STREQ(last, "Postcard");

    bool aboutShown = false;
    RunScript({[&](HWND d) {
                  aboutShown = GetDlgItem(d, IDC_ABOUT_TEXT) != nullptr;
                  Click(d, IDOK);
              }},
              [&] { Click(main, IDC_MAIN_ABOUT); });
    EXPECT_TRUE(aboutShown);
    DestroyMainDialog();
    *GetMainDialogBackend() = savedBackend;
}

}  // namespace
