// The document-size and scan-area fields of the main dialog: the conversion of
// lengths in 1/6000 inch to and from the texts shown in inch, mm or pixels,
// the range checks with their limits, the input filters, and the geometry of
// the document and its area (paper sizes, registered areas, quarter turns,
// clamping, the area in the scanner's frame). Platform-free: the dialog copies
// SizeFields to and from its edit controls.
#pragma once

#include <cstdint>
#include <string>

#include "ui/main_ui_state.h"

enum SizeUnit : int32_t { UNIT_INCH = 0, UNIT_MM = 1, UNIT_PIXEL = 2 };

// The six edit fields, in control order.
enum SizeField : int {
    FIELD_WIDTH = 0,
    FIELD_LENGTH = 1,
    FIELD_LEFT = 2,
    FIELD_TOP = 3,
    FIELD_AREA_WIDTH = 4,
    FIELD_AREA_LENGTH = 5,
};
constexpr int SizeFieldCount = 6;

constexpr int32_t MinSide = 2362;             // 10 mm
constexpr int32_t MaxDocumentWidth = 51000;   // 8.50 in
constexpr int32_t MaxDocumentLength = 70157;  // 297 mm
constexpr int UiResolutionCount = 7;

// Dots per inch of the dialog's resolution index 0..6 (100..1200); an index
// outside the list counts as its nearest end, so no caller divides by zero.
int32_t UiResolutionDpi(int32_t index);
// Characters a size field takes in the unit.
int SizeTextLimit(int32_t unit);

// What the fields show and whether the area part is in use. Between a load and
// RefreshSizeFields the texts hold raw values in 1/6000 inch.
struct SizeFields {
    std::string text[SizeFieldCount];
    bool areaTicked = false;
};

// Where the controls stand that the geometry reads: unit, resolution, the
// placement (-1: no selection) and rotation selections.
struct SizeFieldContext {
    int32_t unit;
    int32_t resolutionIndex;
    int32_t placement;
    int32_t rotation;
};

// A field's text as a length in 1/6000 inch (single precision; callers truncate).
float ParseSizeText(const std::string& text, int32_t unit, int32_t dpi);
// A length as its field shows it (moved by step shown units), and its
// rounding remainder 0..99.
std::string FormatSizeValue(int32_t value, int32_t unit, int32_t dpi, int step = 0);
int32_t RoundingRemainder(int32_t value, int32_t unit, int32_t dpi);
// -1, 0 or +1 shown unit for the offset of an area of size in a side: the
// left (top) text steps when the side rounded the other way from both the
// offset and the size, so a flush area still looks flush.
int EdgeStep(int32_t side, int32_t offset, int32_t size, int32_t unit, int32_t dpi);

// Puts raw values into the fields; the area ones only when `withArea`.
void LoadRawFields(SizeFields& fields, const MainUiState& state, bool withArea);
void EmptyAreaFields(SizeFields& fields);
// Rewrites the raw values of the fields as texts of the unit, with the edge
// fix-up that keeps a flush area showing left + width = document width.
void RefreshSizeFields(SizeFields& fields, int32_t unit, int32_t dpi);

// The outcome of a range check: whether it failed, the text that replaces the
// field's (empty when it stays) and the two limits for the message.
struct RangeCheck {
    bool failed = false;
    std::string replacement;
    std::string lower;
    std::string upper;
};
RangeCheck CheckWidthRange(int32_t value, int32_t unit, int32_t resolutionIndex);
RangeCheck CheckLengthRange(int32_t value, int32_t unit, int32_t resolutionIndex);
// Offsets and area sizes are checked as shown (numbers in the unit).
RangeCheck CheckOffsetRange(double shownOffset, double shownSide, int32_t unit, int32_t resolutionIndex);
RangeCheck CheckAreaSizeRange(double shownSize, double shownSide, int32_t unit, int32_t resolutionIndex);
// The range message: the format's two "%s" replaced by the limits, and
// nothing else of the format interpreted.
std::string FormatRangeMessage(const std::string& format, const std::string& lower, const std::string& upper);

// An input filter's verdict: the text without the first character that breaks
// the unit's rule, and where the caret goes; `changed` false when it was fine.
struct FilterResult {
    bool changed = false;
    std::string text;
    int caret = 0;
};
FilterResult FilterSizeText(const std::string& text, int32_t unit);
// Brightness and contrast: an optional leading minus, then digits.
FilterResult FilterSignedText(const std::string& text);

// The geometry, on the values of MainUiState.
struct DocumentArea {
    int32_t a, b, x, y, h, v;
};
DocumentArea RotatedArea(const DocumentArea& d, int32_t oldIndex, int32_t newIndex);
DocumentArea ClampedArea(const DocumentArea& d);
struct ScannerFrame {
    int32_t left, top, width, length;
};
ScannerFrame FrameOfArea(const DocumentArea& d, int32_t orientation);

// The operations of the dialog: they change MainUiState and leave raw values
// in the fields for RefreshSizeFields.
void ApplyPaperSize(MainUiState& state, SizeFields& fields, const SizeFieldContext& context,
                    int32_t sizeIndex);
// False (and nothing changed) for an index that names no registered area.
bool ApplyRegisteredArea(MainUiState& state, SizeFields& fields, const SizeFieldContext& context,
                         int32_t sizeIndex);
void RotateDocument(MainUiState& state, SizeFields& fields, int32_t oldIndex, int32_t newIndex);
// Holds the area of the fields inside the document of the fields.
void ClampArea(MainUiState& state, SizeFields& fields);
ScannerFrame AreaInScannerFrame(const MainUiState& state);

// Focus handling of the six fields. `focusValue` is what SetFocusValue took
// when the field gained the focus.
int32_t FieldValue(const SizeFields& fields, int field, int32_t unit, int32_t dpi);
struct KillFocusResult {
    bool switchToCustom = false;  // the dialog moves to the custom size first
    bool redrawShape = false;
    RangeCheck check;
};
KillFocusResult OnSizeFieldKillFocus(MainUiState& state, SizeFields& fields, const SizeFieldContext& context,
                                     int field, int32_t focusValue, bool flatbed);
