// The two settings files under Wine's real private-profile functions.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/core_context.h"
#include "tests/win/win_test_support.h"
#include "ui/adjustment_settings.h"
#include "ui/main_settings.h"

namespace {

// A folder of its own for every test, removed with its files afterwards.
class SettingsFolder {
   public:
    SettingsFolder() {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder_ = std::string(temp) + "tarvik-settings-" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(counter_++);
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    ~SettingsFolder() {
        for (const char* name : {"a.ini", "b.ini", "ro.ini"}) {
            std::string path = File(name);
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
        RemoveDirectoryA(folder_.c_str());
    }
    std::string File(const std::string& name) const { return folder_ + "\\" + name; }
    // Writes the file as a person or an older version would have left it.
    std::string Write(const std::string& name, const std::string& text) const {
        std::string path = File(name);
        FILE* f = fopen(path.c_str(), "wb");
        if (f != nullptr) {
            fputs(text.c_str(), f);
            fclose(f);
        }
        return path;
    }
    std::string Read(const std::string& name) const {
        std::string text;
        FILE* f = fopen(File(name).c_str(), "rb");
        if (f == nullptr) return text;
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
        fclose(f);
        return text;
    }

   private:
    static inline int counter_ = 0;
    std::string folder_;
};

// The resource module beside the built data source, for the built-in mode texts.
HMODULE ResourceModule() {
    static HMODULE module = LoadLibraryA(WinPathFromUnix(TARVIK_RESOURCE_PATH).c_str());
    return module;
}

class MainSettingsTest : public ::testing::Test {
   protected:
    void SetUp() override {
        memset(GetMainUiState(), 0, sizeof(MainUiState));
        SetAdjustmentDefaultsFor(true);
        GetUiGlobals()->resourceHandle = ResourceModule();
        SetMainDefaultsFor(false);
    }
    MainUiState& State() { return *GetMainUiState(); }
    SettingsFolder folder;
};

TEST_F(MainSettingsTest, DefaultsFollowTheMeasurementSystem) {
    struct Case {
        bool inch;
        int32_t scanSize, unit, scanA, scanB;
    };
    const Case cases[] = {{true, 7, 0, 51000, 66000}, {false, 1, 1, 49606, 70157}};
    for (const Case& c : cases) {
        SetMainDefaultsFor(c.inch);
        EXPECT_EQ(c.scanSize, State().scanSize) << "inch " << c.inch;
        EXPECT_EQ(c.unit, State().unit);
        EXPECT_EQ(c.scanA, State().scanA);
        EXPECT_EQ(c.scanB, State().scanB);
        EXPECT_EQ(2362, State().scanH);
        EXPECT_EQ(49606, State().customA);
    }
    EXPECT_EQ(51000, State().paperSizeTable[6].width);
    EXPECT_EQ(63000, State().paperSizeTable[9].length);
}

TEST_F(MainSettingsTest, UserLocaleDecidesThroughIntlIMeasure) {
    char saved[16] = {};
    DWORD had = GetProfileStringA("intl", "iMeasure", "", saved, sizeof saved);
    struct Case {
        const char* value;
        int32_t scanSize;
    };
    for (const Case& c : {Case{"1", 7}, Case{"0", 1}}) {
        WriteProfileStringA("intl", "iMeasure", c.value);
        SetMainDefaults();
        EXPECT_EQ(c.scanSize, State().scanSize) << "iMeasure " << c.value;
    }
    WriteProfileStringA("intl", "iMeasure", had > 0 ? saved : nullptr);
}

TEST_F(MainSettingsTest, BuiltInModesCarryTheirValuesAndResourceTexts) {
    const ScanModeRecord& standard = State().modeTable[1];
    EXPECT_STREQ("Standard", standard.name);
    EXPECT_STRNE("", standard.comment);
    EXPECT_EQ(3, standard.colorType);
    EXPECT_EQ(2, standard.resolution);
    EXPECT_EQ(49606, standard.a);
    const ScanModeRecord& feeder = State().modeTable[3];
    EXPECT_EQ(1, feeder.scanMethod);
    EXPECT_EQ(4, feeder.bitmapIndex);
    EXPECT_EQ(0, feeder.colorType);
    EXPECT_EQ(2362, feeder.h);
    EXPECT_STREQ(State().modeTable[0].name, State().modeTable[0].comment);
}

// Fills every stored field with a distinct value, saves, clears and loads.
TEST_F(MainSettingsTest, EveryKeyOfBothFamiliesRoundTrips) {
    MainUiState& m = State();
    strcpy(m.ipAddress, "10.0.0.7");
    int32_t value = 100;
    for (int32_t* field : {&m.scanMethod,
                           &m.scanSize,
                           &m.unit,
                           &m.colorType,
                           &m.gamCurve,
                           &m.resolution,
                           &m.resolution2,
                           &m.scanOrientn,
                           &m.scanOrientation,
                           &m.scanAreaCheck,
                           &m.startFromScannerCheck,
                           &m.customA,
                           &m.customB,
                           &m.customOrientation,
                           &m.scanA,
                           &m.scanB,
                           &m.scanX,
                           &m.scanY,
                           &m.scanH,
                           &m.scanV,
                           &m.brightness,
                           &m.contrast}) {
        *field = value++;
    }
    m.brightness = -55;
    m.newCount = m.workingAreaCount = 2;
    m.modeNewCount = m.workingModeCount = 1;
    const char* names[] = {"  two leading blanks", "trailing blanks  ", "100% \"quoted\" %s %d",
                           "\"in quotes\""};
    for (int i = 0; i < 2; ++i) {
        ScanAreaRecord& area = m.areaTable[i];
        strcpy(area.name, names[i]);
        area.a = 1000 + i;
        area.b = 2000 + i;
        area.x = 3 + i;
        area.y = -4 - i;
        area.h = 500 + i;
        area.v = 600 + i;
        area.check = 1;
        area.orientation = 2 + i;
    }
    for (int j = 0; j < 5; ++j) {
        ScanModeRecord& mode = m.modeTable[j];
        strcpy(mode.name, names[j % 4]);
        snprintf(mode.comment, sizeof mode.comment, " comment %d with 50%% ", j);
        snprintf(mode.sizeName, sizeof mode.sizeName, "Size%d (A4)", j);
        int32_t v = 10 * j;
        for (int32_t* field :
             {&mode.bitmapIndex, &mode.scanMethod, &mode.sizeIndex, &mode.colorType, &mode.gamCurve,
              &mode.resolution, &mode.resolution2, &mode.placement, &mode.orientation, &mode.scanAreaCheck,
              &mode.startFromScanner, &mode.brightness, &mode.contrast, &mode.a, &mode.b, &mode.x, &mode.y,
              &mode.h, &mode.v}) {
            *field = v++;
        }
    }
    MainUiState saved = m;
    std::string path = folder.File("a.ini");
    SaveMainSettings(path.c_str());

    memset(&m, 0, sizeof m);
    SetMainDefaultsFor(true);
    LoadMainSettings(path.c_str());
    EXPECT_STREQ(saved.ipAddress, m.ipAddress);
    EXPECT_EQ(0, memcmp(&saved.scanMethod, &m.scanMethod,
                        reinterpret_cast<const char*>(&saved.settingsPath) -
                            reinterpret_cast<const char*>(&saved.scanMethod)))
        << "a fixed key did not come back";
    for (int i = 0; i < 2; ++i) {
        EXPECT_STREQ(saved.areaTable[i].name, m.areaTable[i].name);
        EXPECT_EQ(0, memcmp(&saved.areaTable[i], &m.areaTable[i], sizeof(ScanAreaRecord))) << "area " << i;
    }
    for (int j = 0; j < 5; ++j) {
        EXPECT_STREQ(saved.modeTable[j].name, m.modeTable[j].name) << "mode " << j;
        EXPECT_STREQ(saved.modeTable[j].comment, m.modeTable[j].comment) << "mode " << j;
        EXPECT_STREQ(saved.modeTable[j].sizeName, m.modeTable[j].sizeName) << "mode " << j;
        EXPECT_EQ(0, memcmp(&saved.modeTable[j], &m.modeTable[j], sizeof(ScanModeRecord))) << "mode " << j;
    }
    std::string text = folder.Read("a.ini");
    EXPECT_NE(std::string::npos, text.find("New_0=\"  two leading blanks\"")) << text.substr(0, 400);
    EXPECT_NE(std::string::npos, text.find("ModeOriginalSizeName_0=Size0 (A4)"));
    EXPECT_LT(text.find("IPAddress"), text.find("Scan_Method"));
    EXPECT_LT(text.find("Custom_Orientation"), text.find("New_0"));
    EXPECT_LT(text.find("NewOrientation_1"), text.find("ModeName_0"));
}

TEST_F(MainSettingsTest, MissingKeysTakeTheirFileDefaults) {
    std::string path = folder.Write("a.ini", "[KRVDS TWAIN]\r\nScan_Size=3\r\n");
    State().modeTable[2].h = 777;
    LoadMainSettings(path.c_str());
    const MainUiState& m = State();
    EXPECT_EQ(3, m.scanSize);
    EXPECT_STREQ("0.0.0.0", m.ipAddress);
    EXPECT_EQ(24803, m.scanA) << "the document is the A6 the file names";
    EXPECT_EQ(34961, m.scanB);
    EXPECT_EQ(49606, m.customA) << "the custom size keeps its default";
    EXPECT_EQ(2362, m.scanH);
    EXPECT_EQ(3, m.colorType);
    EXPECT_EQ(3, m.customOrientation);
    // Built-in modes keep their values, but the area size falls back to 10.
    EXPECT_STREQ("Standard", m.modeTable[1].name);
    EXPECT_EQ(49606, m.modeTable[1].a);
    EXPECT_EQ(10, m.modeTable[2].h);
    EXPECT_EQ(10, m.modeTable[3].v);
}

TEST_F(MainSettingsTest, NoFileOrNoSectionLeavesDefaultsOrFileDefaults) {
    MainUiState before = State();
    LoadMainSettings(folder.File("absent.ini").c_str());
    EXPECT_EQ(0, memcmp(&before, &State(), sizeof before));
    LoadMainSettings(nullptr);
    EXPECT_EQ(0, memcmp(&before, &State(), sizeof before));

    std::string path = folder.Write("a.ini", "[Other]\r\nScan_Size=9\r\n");
    LoadMainSettings(path.c_str());
    EXPECT_EQ(1, State().scanSize);  // the locale's paper, A4 here
    EXPECT_EQ(49606, State().scanA);
}

// Files written with some keys only (the device selection writes the address
// alone) open as the paper they name, or the locale's when they name none.
TEST_F(MainSettingsTest, MissingDocumentSizeTakesThePaperTheFileNames) {
    struct Case {
        const char* what;
        bool inch;
        const char* keys;
        int32_t scanSize, unit, scanA, scanB;
    };
    const Case cases[] = {
        {"address alone, metric", false, "IPAddress=127.0.0.1\r\n", 1, 1, 49606, 70157},
        {"address alone, inch", true, "IPAddress=127.0.0.1\r\n", 7, 0, 51000, 66000},
        {"Letter alone", false, "Scan_Size=7\r\n", 7, 1, 51000, 66000},
        {"A5 placed across", false, "Scan_Size=2\r\nScan_Orientn=1\r\n", 2, 1, 49606, 34961},
        {"A4 turned", false, "Scan_Size=1\r\nScan_Orientation=0\r\n", 1, 1, 70157, 49606},
        {"custom size", false, "Scan_Size=0\r\nCustom_A=12000\r\nCustom_B=18000\r\n", 0, 1, 12000, 18000},
        {"registered area", false, "Scan_Size=11\r\nNew_Count=1\r\nNewA_0=20000\r\nNewB_0=30000\r\n", 11, 1,
         20000, 30000},
        {"area that is not there: locale paper", true, "Scan_Size=11\r\n", 11, 0, 51000, 66000},
        {"width present, length missing", false, "Scan_Size=7\r\nScan_A=40000\r\n", 7, 1, 40000, 66000},
        {"both present, read as they are", false, "Scan_Size=7\r\nScan_A=2362\r\nScan_B=2362\r\n", 7, 1, 2362,
         2362},
    };
    for (const Case& c : cases) {
        SetMainDefaultsFor(c.inch);
        std::string path = folder.Write("a.ini", std::string("[KRVDS TWAIN]\r\n") + c.keys);
        LoadMainSettings(path.c_str());
        EXPECT_EQ(c.scanSize, State().scanSize) << c.what;
        EXPECT_EQ(c.unit, State().unit) << c.what;
        EXPECT_EQ(c.scanA, State().scanA) << c.what;
        EXPECT_EQ(c.scanB, State().scanB) << c.what;
        EXPECT_EQ(2362, State().scanH) << c.what;
    }
}

TEST_F(MainSettingsTest, HostileCountsAndValuesStayInsideTheTables) {
    struct Case {
        const char* newCount;
        const char* modeCount;
        int32_t areas, modes;
    };
    const Case cases[] = {
        {"5000", "5000", 100, 100},
        {"-3", "-1", 0, 0},
        {"abc", "1x", 0, 1},
        {"100", "100", 100, 100},
        {"99999999999", "-99999999999", 100, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        std::string text = std::string("[krvds twain]\r\nNew_Count=") + c.newCount +
                           "\r\nMode_New_Count=" + c.modeCount +
                           "\r\nNew_99=last\r\nNewA_99=-7\r\nModeName_103=\"far\"\r\nScan_X=12abc\r\n"
                           "Brightness=junk\r\nNew_100=beyond\r\nModeName_104=beyond\r\n";
        std::string path = folder.Write("a.ini", text);
        LoadMainSettings(path.c_str());
        EXPECT_EQ(c.areas, State().newCount) << c.newCount;
        EXPECT_EQ(c.modes, State().modeNewCount) << c.modeCount;
        EXPECT_EQ(12, State().scanX);
        EXPECT_EQ(0, State().brightness);
        if (c.areas == 100) {
            EXPECT_STREQ("last", State().areaTable[99].name);
            EXPECT_EQ(-7, State().areaTable[99].a);
        }
        if (c.modes == 100) {
            EXPECT_STREQ("far", State().modeTable[103].name);
        }
        EXPECT_STREQ("", State().modeTable[104].name);  // never read: beyond the last user mode
    }
}

TEST_F(MainSettingsTest, OverlongTextsAreCutAtTheirBuffers) {
    std::string longName(400, 'n');
    std::string longComment(400, 'c');
    std::string text = "[KRVDS TWAIN]\r\nNew_Count=1\r\nNew_0=\"" + longName +
                       "\"\r\nModeName_1=" + longName + "\r\nModeComment_1=\"" + longComment +
                       "\"\r\nIPAddress=" + longName + "\r\n";
    std::string path = folder.Write("a.ini", text);
    LoadMainSettings(path.c_str());
    EXPECT_EQ(127u, strlen(State().areaTable[0].name));
    EXPECT_EQ(127u, strlen(State().modeTable[1].name));
    EXPECT_EQ(255u, strlen(State().modeTable[1].comment));
    EXPECT_EQ(127u, strlen(State().ipAddress));
}

TEST_F(MainSettingsTest, StaleKeysBeyondTheCountsStayInTheFileAndAreNotLoaded) {
    std::string path = folder.File("a.ini");
    State().newCount = State().workingAreaCount = 3;
    for (int i = 0; i < 3; ++i) snprintf(State().areaTable[i].name, 256, "area %d", i);
    State().areaTable[2].x = 4242;
    SaveMainSettings(path.c_str());
    State().newCount = State().workingAreaCount = 1;  // two areas deleted
    SaveMainSettings(path.c_str());

    EXPECT_NE(std::string::npos, folder.Read("a.ini").find("NewX_2=4242"));
    memset(State().areaTable, 0, sizeof State().areaTable);
    LoadMainSettings(path.c_str());
    EXPECT_EQ(1, State().newCount);
    EXPECT_STREQ("area 0", State().areaTable[0].name);
    EXPECT_STREQ("", State().areaTable[2].name);
    EXPECT_EQ(0, State().areaTable[2].x);
}

TEST_F(MainSettingsTest, SavingIntoAReadOnlyFileIsIgnoredAndKeepsMemory) {
    std::string path = folder.Write("ro.ini", "[KRVDS TWAIN]\r\nScan_Size=4\r\n");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    State().scanSize = 9;
    MainUiState before = State();
    // Tests run as root, for whom the read-only bit does not stop a write:
    // what matters is that the save neither fails loudly nor touches memory.
    SaveMainSettings(path.c_str());
    State().workingModeCount = 500;  // beyond the table: held to 100 user modes
    State().workingAreaCount = -4;
    before = State();
    SaveMainSettings("Q:\\no\\such\\folder\\KTX_TWAIN.ini");
    SaveMainSettings(nullptr);
    EXPECT_EQ(0, memcmp(&before, &State(), sizeof before));
}

TEST_F(MainSettingsTest, LineBreaksInNamesCannotInjectKeys) {
    State().workingAreaCount = 1;
    strcpy(State().areaTable[0].name, "evil\r\nScan_Size=99");
    std::string path = folder.File("a.ini");
    SaveMainSettings(path.c_str());
    State().newCount = 1;
    WritePrivateProfileStringA("KRVDS TWAIN", "New_Count", "1", path.c_str());
    LoadMainSettings(path.c_str());
    EXPECT_EQ(1, State().scanSize);
    EXPECT_STREQ("evil  Scan_Size=99", State().areaTable[0].name);
}

class AdjustmentFileTest : public ::testing::Test {
   protected:
    void SetUp() override {
        InitCoreContextValues(true);
        SetAdjustmentDefaultsFor(true);
    }
    AdjustmentSettings& Settings() { return GetUiGlobals()->settings; }
    SettingsFolder folder;
};

TEST_F(AdjustmentFileTest, MissingFileKeepsStartValues) {
    AdjustmentSettings before = Settings();
    LoadAdjustmentSettings(folder.File("absent.ini").c_str());
    LoadAdjustmentSettings(nullptr);
    EXPECT_EQ(0, memcmp(&before, &Settings(), sizeof before));
}

TEST_F(AdjustmentFileTest, EveryKeyIsReadAndMissingOnesTakeTheirDefaults) {
    std::string path =
        folder.Write("a.ini",
                     "[krvds twain]\r\nIOTypeSelect=1\r\nscanmode=3\r\nPaperSize=255\r\nResolutionId=2\r\n"
                     "ADFDuplex=2\r\nScale=150\r\nRotate=1\r\nRotateBackSide=1\r\nRerevsal=1\r\n"
                     "Bright=150\r\nContrast=-20\r\nCurveIn2=0\r\nCurveOut5=200\r\nCurveMode=1\r\n"
                     "MidtonesBalanceGreen=-30\r\nHighlightsBalanceBlue=40\r\nSharp=-5\r\nDescreen=1\r\n"
                     "Hue=-200\r\nSaturation=junk\r\nLightness=7\r\nSelectAreaIMGProcess=1\r\n"
                     "CustomStartInchX=1\r\nCustomStartInchY=2\r\nCustomInchWidth=3\r\n"
                     "CustomInchHeight=4\r\nPreScanWidth=640\r\nPreScanHeight=-5\r\n");
    LoadAdjustmentSettings(path.c_str());
    const AdjustmentSettings& s = Settings();
    EXPECT_EQ(1, s.ioTypeSelect);
    EXPECT_EQ(3, s.scanMode);
    EXPECT_EQ(255, s.paperSize);
    EXPECT_EQ(2, s.adfDuplex);
    EXPECT_EQ(150, s.scale);
    EXPECT_EQ(1, s.rotateBackPages);
    EXPECT_EQ(1, s.reversal);
    EXPECT_EQ(150, s.bright);
    EXPECT_EQ(0, s.curveIn[1]);
    EXPECT_EQ(128, s.curveIn[2]);
    EXPECT_EQ(200, s.curveOut[4]);
    EXPECT_EQ(-30, s.balance[4]);
    EXPECT_EQ(40, s.balance[8]);
    EXPECT_EQ(0, s.balance[0]);
    EXPECT_EQ(-5, s.sharp);
    EXPECT_EQ(-200, s.hue);
    EXPECT_EQ(0, s.saturation);
    EXPECT_EQ(1, s.selectAreaImgProcess);
    EXPECT_FLOAT_EQ(3.0f, s.customInchWidth);
    EXPECT_EQ(640, GetPreviewImage()->width);
    EXPECT_EQ(0, GetPreviewImage()->height);

    ApplyAdjustmentSettings();
    const CoreContext& core = *GetCoreContext();
    EXPECT_EQ(100, core.scan.brightness);
    EXPECT_EQ(-180, core.scan.hue);
    EXPECT_EQ(-2, core.scan.sharpness);
    EXPECT_EQ(1, core.transportKindSetting);
    EXPECT_EQ(640, core.scan.imageWidth);
    EXPECT_EQ(300, core.previewImage.right);
    EXPECT_EQ(600, core.scanWindow.areaHeight);
}

TEST_F(AdjustmentFileTest, RealKeysDefaultByLocaleWhenTheFileLacksThem) {
    std::string path = folder.Write("a.ini", "[KRVDS TWAIN]\r\nScale=100\r\n");
    char saved[16] = {};
    DWORD had = GetProfileStringA("intl", "iMeasure", "", saved, sizeof saved);
    struct Case {
        const char* iMeasure;
        float width, height;
        int32_t paper;
    };
    for (const Case& c : {Case{"0", 8.267f, 11.693f, 2}, Case{"1", 8.5f, 11.0f, 12}}) {
        WriteProfileStringA("intl", "iMeasure", c.iMeasure);
        SetAdjustmentDefaults();
        LoadAdjustmentSettings(path.c_str());
        EXPECT_FLOAT_EQ(c.width, Settings().customInchWidth) << c.iMeasure;
        EXPECT_FLOAT_EQ(c.height, Settings().customInchHeight) << c.iMeasure;
        EXPECT_EQ(c.paper, Settings().paperSize) << c.iMeasure;
        EXPECT_EQ(0.0f, Settings().customStartInchX);
    }
    WriteProfileStringA("intl", "iMeasure", had > 0 ? saved : nullptr);
}

}  // namespace
