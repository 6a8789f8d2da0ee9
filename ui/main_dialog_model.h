// The rules of the main scan dialog that need no window: which scan methods a
// size allows, the resolution pair a selection stands for, when a saved mode
// stops matching the settings, what a scan or preview sends to the core, the
// status line's size estimate, the scroll bars and brightness boxes, and the
// trimming of names. Platform-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/main_ui_state.h"
#include "ui/size_fields.h"

enum ScanMethod : int32_t { METHOD_FLATBED = 0, METHOD_FEEDER = 1 };
enum ColourType : int32_t { COLOUR_BW = 0, COLOUR_BW_2 = 1, COLOUR_GREY = 2, COLOUR_RGB = 3 };
constexpr int32_t NoRotation = 3;  // the rotation index of the unturned document
constexpr int32_t AdjustmentLimit = 100;

// The entries of the method list for a size index, in list order.
std::vector<int32_t> MethodsForSize(int32_t sizeIndex);
// True when the placement box is in use for the size index.
bool PlacementForSize(int32_t sizeIndex);
// Colour types with a tone curve and a contrast.
bool HasToneCurve(int32_t colorType);

// The two stored resolutions for a selection of the resolution list: the
// feeder's list ends at 600 dpi, so 1200 dpi keeps 600 for it.
struct ResolutionPair {
    int32_t resolution;
    int32_t resolution2;
};
ResolutionPair ResolutionsForSelection(int32_t selection);

// Copies a mode record into the settings (size fields included).
void TakeModeSettings(MainUiState& state, const ScanModeRecord& mode);
// False as soon as one setting differs from the selected mode's record.
bool SettingsMatchMode(const MainUiState& state, const ScanModeRecord& mode);

// The core's setters, as the dialog reaches them; tests put recorders here.
struct CoreSetters {
    int (*setPixelType)(int32_t);
    int (*setBrightness)(int32_t);
    int (*setContrast)(int32_t);
    int (*setCurveMode)(int32_t);
    int (*setCurveGamma)(int32_t);
    int (*setToneCurve)(int32_t* in, int32_t* out, int32_t count);
    int (*setResolutionIndex)(int32_t);
    int (*setPaperSource)(int32_t);
    int (*setPaperSizeCode)(int32_t);
    int (*setCustomArea)(int32_t x, int32_t y, int32_t width, int32_t height);
    int (*setRotation)(int32_t);
};
// The real setters of the core.
CoreSetters* GetCoreSetters();
// Sends the settings to the core for a final scan or a preview, with the
// method the controls are set up for.
void CommitToCore(const MainUiState& state, int32_t uiScanMethod, bool preview, const CoreSetters& core);

// Bytes of the image the fields describe, and their text ("1.23 MB").
double EstimateImageBytes(const SizeFields& fields, int32_t unit, int32_t dpi, int32_t colorType);
std::string FormatImageBytes(double bytes);

// A scroll bar's new position for a WM_HSCROLL code (SB_* values), held within
// -100..100; the end-of-scroll code keeps the current position.
int32_t ScrollTarget(int code, int32_t current, int32_t trackPosition);

// What a brightness or contrast box holds after a change: the filtered text,
// its value within -100..100, and whether it had to be corrected.
struct AdjustmentEntry {
    std::string text;
    bool filtered = false;
    int caret = 0;
    int32_t value = 0;
    bool outOfRange = false;
};
AdjustmentEntry ReadAdjustmentEntry(const std::string& typed);

// Removes blanks and the code page's ideographic space pairs from both ends.
// dbcsSpaceSum is the two bytes' signed sum: -63 for Japanese, else -31.
void TrimName(char* text, int dbcsSpaceSum);
int DbcsSpaceSumForLanguage(int languageId);

// Pictures: the mode picture list in bitmapIndex order, the rotation picture
// of an index for a method, the document-shape picture for the shown sides.
constexpr int ModePictureCount = 25;
extern const unsigned ModePictureIds[ModePictureCount];
unsigned RotationPictureId(int32_t uiScanMethod, int32_t rotation);
unsigned ShapePictureId(double shownWidth, double shownLength);
