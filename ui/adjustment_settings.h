// The adjustment settings file (read once at start-up) and the interface
// module's global record that holds it, the resource module and the progress
// dialog's window. Platform-free except the file reader, which is Windows-only.
#pragma once

#include <cstdint>

struct AdjustmentSettings {
    int32_t ioTypeSelect;  // 0 USB, 1 network: the transport kind last confirmed
    int32_t scanMode;
    int32_t paperSize;  // row of adjustmentPaperTable, 255 = custom area
    int32_t resolutionId;
    int32_t adfDuplex;
    int32_t scale;
    int32_t rotate;
    int32_t rotateBackPages;
    int32_t reversal;
    int32_t bright;
    int32_t contrast;
    int32_t curveIn[5];
    int32_t curveOut[5];
    int32_t curveMode;
    int32_t balance[9];
    int32_t sharp;
    int32_t descreen;
    int32_t hue;
    int32_t saturation;
    int32_t lightness;
    int32_t selectAreaImgProcess;
    float customInchWidth;
    float customInchHeight;
    float customStartInchX;
    float customStartInchY;
};

// The progress dialog stores its own window here while it runs.
struct ProgressState {
    void* window;
};

struct UiGlobals {
    void* resourceHandle;  // module of dialogs, strings and pictures
    void* adjustmentDialog;
    AdjustmentSettings settings;
    char settingsFilePath[260];
    ProgressState progressState;
};

struct AdjustmentPaperRow {
    float widthInch;
    float heightInch;
    float widthCm;
    float heightCm;
};

constexpr int AdjustmentPaperRows = 19;
constexpr int32_t CustomPaperSize = 255;
extern const AdjustmentPaperRow adjustmentPaperTable[AdjustmentPaperRows];

UiGlobals* GetUiGlobals();

// Zeroes the whole UiGlobals, then puts the start values into `settings`;
// usesMetric picks A4 rather than US Letter.
void SetAdjustmentDefaultsFor(bool usesMetric);
// Same, with the user's locale deciding (Windows only).
void SetAdjustmentDefaults();
// Reads every key of the file into `settings` and the preview size into the
// core; a missing file leaves everything as it is (Windows only).
void LoadAdjustmentSettings(const char* path);
// Copies `settings` into the core's scan settings, scan window and link,
// clamping the adjustment values to their ranges.
void ApplyAdjustmentSettings();
// The preview rectangle and the scan window's area for the paper size (or the
// custom area) at the scan resolution. Unknown resolutions and paper rows
// leave a zero area rather than reading past a table.
void ComputeDefaultScanArea();
// Dots per inch of a resolution id of the settings file; 0 when unknown.
int32_t ResolutionIdDpi(int32_t resolutionId);
// A private-profile integer as the settings files hold it: optional blanks and
// minus sign, then decimal digits; text that is no number reads as 0 and
// values beyond 32 bits saturate.
int32_t ParseProfileInt(const char* text);
