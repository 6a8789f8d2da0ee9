// The main interface's state record: the settings that KTX_TWAIN.ini holds,
// with the registered areas, the saved modes and the built-in paper sizes.
// Lengths are in 1/6000 inch.
#pragma once

#include <cstdint>

struct PaperSizeEntry {
    int32_t width;
    int32_t length;
};

struct ScanAreaRecord {
    char name[256];
    int32_t a, b;   // document width and length
    int32_t x, y;   // area offsets
    int32_t h, v;   // area width and length
    int32_t check;  // 1: x, y, h, v describe a sub-area
    int32_t orientation;
};

struct ScanModeRecord {
    char comment[256];
    char name[256];
    int32_t bitmapIndex;
    int32_t scanMethod;
    int32_t sizeIndex;
    char sizeName[256];
    int32_t colorType;
    int32_t gamCurve;
    int32_t resolution;
    int32_t resolution2;
    int32_t placement;
    int32_t orientation;
    int32_t scanAreaCheck;
    int32_t startFromScanner;
    int32_t brightness;
    int32_t contrast;
    int32_t a, b, x, y, h, v;
};

constexpr int PaperSizeCount = 10;
constexpr int AreaTableSize = 100;
constexpr int MaxUserModes = 100;
constexpr int BuiltInModeRecords = 4;  // the template and the three built-in modes
constexpr int ModeTableSize = 105;

struct MainUiState {
    // Settings stored in the file.
    char ipAddress[256];
    int32_t scanMethod;
    int32_t scanSize;
    int32_t unit;
    int32_t colorType;
    int32_t gamCurve;
    int32_t resolution;
    int32_t resolution2;
    int32_t scanOrientn;
    int32_t scanOrientation;
    int32_t scanAreaCheck;
    int32_t startFromScannerCheck;
    int32_t newCount;
    int32_t modeNewCount;
    int32_t customA, customB;
    int32_t customOrientation;
    int32_t scanA, scanB;
    int32_t scanX, scanY;
    int32_t scanH, scanV;
    int32_t brightness, contrast;
    char settingsPath[256];

    PaperSizeEntry paperSizeTable[PaperSizeCount];
    ScanAreaRecord areaTable[AreaTableSize];
    ScanModeRecord modeTable[ModeTableSize];
    // Counts the registration dialogs work with; saving writes this many.
    int32_t workingModeCount;
    int32_t workingAreaCount;

    // The main dialog's window, 0 when none (the dialog itself comes later).
    void* mainDialog;
    // The help viewer's window from the main dialog's last help request.
    void* helpWindow;
};

MainUiState* GetMainUiState();
