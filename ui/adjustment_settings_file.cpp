// The adjustment settings file reader and the locale-dependent start values.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/core_context.h"
#include "ui/adjustment_settings.h"
#include "ui/profile_file.h"

namespace {

// "iMeasure" is 0 for metric and 1 for US units; anything but 1 means metric.
bool UsesMetricUnits() { return GetProfileIntA("intl", "iMeasure", 1) != 1; }

float ReadSettingsReal(const char* path, const char* key, const char* fallback) {
    std::string text = ReadSettingsText(path, key, fallback, 128);
    return strtof(text.c_str(), nullptr);
}

struct IntKey {
    const char* key;
    int32_t AdjustmentSettings::*member;
    int32_t fallback;
};

const IntKey intKeys[] = {
    {"IOTypeSelect", &AdjustmentSettings::ioTypeSelect, 0},
    {"ScanMode", &AdjustmentSettings::scanMode, 2},
    {"ResolutionId", &AdjustmentSettings::resolutionId, 4},
    {"ADFDuplex", &AdjustmentSettings::adfDuplex, 0},
    {"Scale", &AdjustmentSettings::scale, 100},
    {"Rotate", &AdjustmentSettings::rotate, 0},
    {"RotateBackSide", &AdjustmentSettings::rotateBackPages, 0},
    {"Rerevsal", &AdjustmentSettings::reversal, 0},
    {"Bright", &AdjustmentSettings::bright, 0},
    {"Contrast", &AdjustmentSettings::contrast, 0},
    {"CurveMode", &AdjustmentSettings::curveMode, 0},
    {"Sharp", &AdjustmentSettings::sharp, 0},
    {"Descreen", &AdjustmentSettings::descreen, 0},
    {"Hue", &AdjustmentSettings::hue, 0},
    {"Saturation", &AdjustmentSettings::saturation, 0},
    {"Lightness", &AdjustmentSettings::lightness, 0},
    {"SelectAreaIMGProcess", &AdjustmentSettings::selectAreaImgProcess, 0},
};

const char* const balanceKeys[9] = {
    "ShadowsBalanceRed",   "MidtonesBalanceRed",   "HighlightsBalanceRed",
    "ShadowsBalanceGreen", "MidtonesBalanceGreen", "HighlightsBalanceGreen",
    "ShadowsBalanceBlue",  "MidtonesBalanceBlue",  "HighlightsBalanceBlue",
};

}  // namespace

void SetAdjustmentDefaults() { SetAdjustmentDefaultsFor(UsesMetricUnits()); }

void LoadAdjustmentSettings(const char* path) {
    if (!SettingsFileExists(path)) return;
    bool metric = UsesMetricUnits();
    AdjustmentSettings& s = GetUiGlobals()->settings;
    for (const IntKey& k : intKeys) s.*k.member = ReadSettingsInt(path, k.key, k.fallback);
    s.paperSize = ReadSettingsInt(path, "PaperSize", metric ? 2 : 12);
    const int32_t curve[5] = {0, 64, 128, 192, 255};
    for (int i = 0; i < 5; ++i) {
        char key[16];
        snprintf(key, sizeof key, "CurveIn%d", i + 1);
        s.curveIn[i] = ReadSettingsInt(path, key, curve[i]);
        snprintf(key, sizeof key, "CurveOut%d", i + 1);
        s.curveOut[i] = ReadSettingsInt(path, key, curve[i]);
    }
    for (int i = 0; i < 9; ++i) s.balance[i] = ReadSettingsInt(path, balanceKeys[i], 0);
    s.customInchWidth = ReadSettingsReal(path, "CustomInchWidth", metric ? "8.267" : "8.500");
    s.customInchHeight = ReadSettingsReal(path, "CustomInchHeight", metric ? "11.693" : "11.00");
    s.customStartInchX = ReadSettingsReal(path, "CustomStartInchX", "0");
    s.customStartInchY = ReadSettingsReal(path, "CustomStartInchY", "0");
    ScanImage& preview = *GetPreviewImage();
    // A negative preview size cannot describe any spooled preview.
    preview.width = std::max(0, ReadSettingsInt(path, "PreScanWidth", 0));
    preview.height = std::max(0, ReadSettingsInt(path, "PreScanHeight", 0));
}
