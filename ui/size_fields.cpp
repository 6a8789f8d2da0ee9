#include "ui/size_fields.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int32_t UiDpi[UiResolutionCount] = {100, 150, 200, 300, 400, 600, 1200};
// The pixel checks' smallest side and largest length at each resolution: the
// 10 mm and 297 mm of the other units as the pixel grid rounds them.
constexpr int32_t PixelMinSide[UiResolutionCount] = {2340, 2360, 2370, 2360, 2355, 2360, 2360};
constexpr int32_t PixelMaxLength[UiResolutionCount] = {70140, 70160, 70170, 70160, 70155, 70160, 70155};
// How close to the document's edge an area counts as flush with it.
constexpr int32_t FlushInch = 38;
constexpr int32_t FlushMm = 200;

int32_t ClampIndex(int32_t index) {
    return index < 0 ? 0 : index >= UiResolutionCount ? UiResolutionCount - 1 : index;
}

std::string Printf(const char* format, double value) {
    char text[64];
    snprintf(text, sizeof text, format, value);
    return text;
}

std::string IntText(int64_t value) {
    char text[32];
    snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    return text;
}

// A raw field: the integer the text starts with, 0 for an empty field.
int32_t RawValue(const std::string& text) {
    long value = strtol(text.c_str(), nullptr, 10);
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<int32_t>(value);
}

double ShownNumber(const std::string& text) { return strtod(text.c_str(), nullptr); }

int32_t PixelSmallest(int32_t dpi) { return static_cast<int32_t>(std::floor(dpi * 10 / 25.4 + 0.5)); }

// Hundredths of an inch as shown, so the inch comparisons do not depend on
// how 0.39 happens to round in binary.
int64_t Hundredths(double inches) { return std::llround(inches * 100.0); }

int32_t Truncated(float value) {
    if (!(value > -2.0e9f && value < 2.0e9f)) return value > 0 ? INT32_MAX : 0;
    return static_cast<int32_t>(value);
}

std::string OneStep(int32_t value, int32_t unit, int32_t dpi, int step) {
    switch (unit) {
        case UNIT_INCH:
            return Printf("%0.2f", (std::floor(value / 60.0 + 0.5) + step) / 100.0);
        case UNIT_MM:
            return IntText(static_cast<int64_t>(std::floor(value * 25.4 / 6000.0 + 0.5)) + step);
        default:
            return IntText(static_cast<int64_t>(std::floor(static_cast<double>(dpi) * value / 6000.0 + 0.5)) +
                           step);
    }
}

// The left (or top) field shows one step more or less when the document's
// side rounded the other way from both the offset and the area's side.
void FixEdge(SizeFields& f, int offsetField, int32_t side, int32_t offset, int32_t size, bool atEdge,
             int32_t unit, int32_t dpi) {
    if (!atEdge) return;
    const int step = EdgeStep(side, offset, size, unit, dpi);
    if (step != 0) f.text[offsetField] = OneStep(offset, unit, dpi, step);
}

RangeCheck Limits(std::string lower, std::string upper) {
    RangeCheck r;
    r.lower = std::move(lower);
    r.upper = std::move(upper);
    return r;
}

RangeCheck Fail(RangeCheck r, std::string replacement) {
    r.failed = true;
    r.replacement = std::move(replacement);
    return r;
}

// Width and length are exchanged between rotations of different parity.
bool SameParity(int32_t a, int32_t b) { return ((a + b) % 2 + 2) % 2 == 0; }

void StoreArea(MainUiState& s, SizeFields& f, const DocumentArea& d) {
    const int32_t values[4] = {d.x, d.y, d.h, d.v};
    int32_t* targets[4] = {&s.scanX, &s.scanY, &s.scanH, &s.scanV};
    for (int i = 0; i < 4; ++i) {
        *targets[i] = values[i] < 0 ? 0 : values[i];
        f.text[FIELD_LEFT + i] = IntText(*targets[i]);
    }
}

DocumentArea FieldArea(const SizeFields& f) {
    return {RawValue(f.text[FIELD_WIDTH]),      RawValue(f.text[FIELD_LENGTH]),
            RawValue(f.text[FIELD_LEFT]),       RawValue(f.text[FIELD_TOP]),
            RawValue(f.text[FIELD_AREA_WIDTH]), RawValue(f.text[FIELD_AREA_LENGTH])};
}

void SetArea(SizeFields& f, bool ticked, const DocumentArea& d) {
    f.areaTicked = ticked;
    if (!ticked) {
        EmptyAreaFields(f);
        return;
    }
    f.text[FIELD_LEFT] = IntText(d.x);
    f.text[FIELD_TOP] = IntText(d.y);
    f.text[FIELD_AREA_WIDTH] = IntText(d.h);
    f.text[FIELD_AREA_LENGTH] = IntText(d.v);
}

void SetDocument(MainUiState& s, SizeFields& f, int32_t width, int32_t length) {
    f.text[FIELD_WIDTH] = IntText(width);
    f.text[FIELD_LENGTH] = IntText(length);
    s.scanA = width;
    s.scanB = length;
}

// One axis of the clamp: the offset within side - MinSide, the size within
// the rest of the side.
void ClampOffset(int32_t side, int32_t& offset, int32_t& size) {
    if (offset > side - MinSide) offset = side - MinSide;
    if (offset + size > side) size = side - offset;
}

void ClampSize(int32_t side, int32_t& offset, int32_t& size) {
    if (size > side) {
        size = side;
    } else if (size < MinSide) {
        size = MinSide;
    }
    if (offset + size > side) offset = side - size;
}

// The field, its document-side field and the MainUiState members of one axis.
struct Axis {
    int sideField, offsetField, sizeField;
    int32_t MainUiState::*side;
    int32_t MainUiState::*offset;
    int32_t MainUiState::*size;
    int32_t MainUiState::*custom;
};
constexpr Axis Across{FIELD_WIDTH,         FIELD_LEFT,          FIELD_AREA_WIDTH,     &MainUiState::scanA,
                      &MainUiState::scanX, &MainUiState::scanH, &MainUiState::customA};
constexpr Axis Down{FIELD_LENGTH,        FIELD_TOP,           FIELD_AREA_LENGTH,    &MainUiState::scanB,
                    &MainUiState::scanY, &MainUiState::scanV, &MainUiState::customB};

const Axis& AxisOf(int field) {
    return field == FIELD_WIDTH || field == FIELD_LEFT || field == FIELD_AREA_WIDTH ? Across : Down;
}

// The text a field keeps after losing the focus when nothing else changes.
std::string SettledText(const std::string& text, int32_t value, int32_t unit) {
    if (unit == UNIT_INCH) return Printf("%0.2f", std::floor(value / 60.0 + 0.5) / 100.0);
    return IntText(RawValue(text));
}

bool FlushInMm(const SizeFields& f, const Axis& axis, int32_t unit) {
    if (unit != UNIT_MM) return false;
    return RawValue(f.text[axis.offsetField]) + RawValue(f.text[axis.sizeField]) ==
           RawValue(f.text[axis.sideField]);
}

KillFocusResult DocumentSideLost(MainUiState& s, SizeFields& f, const SizeFieldContext& c, int field,
                                 int32_t focusValue, bool flatbed) {
    KillFocusResult result;
    const int32_t dpi = UiResolutionDpi(c.resolutionIndex);
    const int32_t value = FieldValue(f, field, c.unit, dpi);
    f.text[field] = SettledText(f.text[field], value, c.unit);
    if (value == focusValue || !flatbed) return result;
    result.switchToCustom = true;

    // The width field holds the scanner's length when the document is turned
    // by a quarter; the length field the other way round.
    const bool oddRotation = c.rotation == 1 || c.rotation == 3;
    const bool widthLimits = (field == FIELD_WIDTH) == oddRotation;
    result.check = widthLimits ? CheckWidthRange(value, c.unit, c.resolutionIndex)
                               : CheckLengthRange(value, c.unit, c.resolutionIndex);
    if (result.check.failed) f.text[field] = result.check.replacement;

    const Axis& axis = AxisOf(field);
    const int32_t largest = widthLimits ? MaxDocumentWidth : MaxDocumentLength;
    int32_t side = FieldValue(f, field, c.unit, dpi);
    side = side < MinSide ? MinSide : side > largest ? largest : side;
    s.*axis.side = side;
    s.*axis.custom = side;

    if (f.areaTicked) {
        LoadRawFields(f, s, true);
        ClampArea(s, f);
        RefreshSizeFields(f, c.unit, dpi);
    }
    result.redrawShape = true;
    return result;
}

// An area field left with the value it had on focus only settles its text.
bool SettledUnchanged(SizeFields& f, int field, int32_t value, int32_t focusValue, int32_t unit) {
    if (value != focusValue) return false;
    f.text[field] = SettledText(f.text[field], value, unit);
    return true;
}

// Keeps an axis's new offset and size and shows the area again.
void StoreAxisArea(MainUiState& s, SizeFields& f, const Axis& axis, int32_t offset, int32_t size,
                   int32_t unit, int32_t dpi) {
    s.*axis.offset = offset;
    s.*axis.size = size;
    LoadRawFields(f, s, true);
    RefreshSizeFields(f, unit, dpi);
}

KillFocusResult OffsetLost(MainUiState& s, SizeFields& f, const SizeFieldContext& c, int field,
                           int32_t focusValue) {
    KillFocusResult result;
    const int32_t dpi = UiResolutionDpi(c.resolutionIndex);
    const int32_t value = FieldValue(f, field, c.unit, dpi);
    if (SettledUnchanged(f, field, value, focusValue, c.unit)) return result;
    const Axis& axis = AxisOf(field);
    result.check = CheckOffsetRange(ShownNumber(f.text[field]), ShownNumber(f.text[axis.sideField]), c.unit,
                                    c.resolutionIndex);

    const int32_t side = s.*axis.side;
    int32_t offset;
    int32_t size;
    if (FlushInMm(f, axis, c.unit)) {
        size = FieldValue(f, axis.sizeField, c.unit, dpi);
        offset = side - size < 0 ? 0 : side - size;
    } else {
        offset = value;
        size = s.*axis.size;
    }
    if (offset > side - MinSide) offset = side - MinSide;
    if (offset + size > side) size = side - offset;
    StoreAxisArea(s, f, axis, offset, size, c.unit, dpi);
    return result;
}

KillFocusResult AreaSizeLost(MainUiState& s, SizeFields& f, const SizeFieldContext& c, int field,
                             int32_t focusValue) {
    KillFocusResult result;
    const int32_t dpi = UiResolutionDpi(c.resolutionIndex);
    const int32_t value = FieldValue(f, field, c.unit, dpi);
    if (SettledUnchanged(f, field, value, focusValue, c.unit)) return result;
    const Axis& axis = AxisOf(field);
    result.check = CheckAreaSizeRange(ShownNumber(f.text[field]), ShownNumber(f.text[axis.sideField]), c.unit,
                                      c.resolutionIndex);

    const int32_t side = s.*axis.side;
    int32_t offset;
    int32_t size = value;
    if (FlushInMm(f, axis, c.unit)) {
        offset = side - size < 0 ? 0 : side - size;
    } else {
        offset = FieldValue(f, axis.offsetField, c.unit, dpi);
    }
    ClampSize(side, offset, size);
    if (offset < 0) offset = 0;
    StoreAxisArea(s, f, axis, offset, size, c.unit, dpi);
    return result;
}

}  // namespace

int32_t UiResolutionDpi(int32_t index) { return UiDpi[ClampIndex(index)]; }

int SizeTextLimit(int32_t unit) { return unit == UNIT_MM ? 3 : 5; }

float ParseSizeText(const std::string& text, int32_t unit, int32_t dpi) {
    switch (unit) {
        case UNIT_INCH:
            // In double first: a typed 0.39 must not come out below 2340.
            return static_cast<float>(strtod(text.c_str(), nullptr) * 6000.0);
        case UNIT_MM:
            return static_cast<float>(RawValue(text) / 25.4 * 6000.0 + 0.5);
        default:
            return static_cast<float>(strtod(text.c_str(), nullptr) * 6000.0 / (dpi > 0 ? dpi : 100));
    }
}

std::string FormatSizeValue(int32_t value, int32_t unit, int32_t dpi, int step) {
    return OneStep(value, unit, dpi, step);
}

int32_t RoundingRemainder(int32_t value, int32_t unit, int32_t dpi) {
    const int64_t v = value;
    int64_t scaled;
    switch (unit) {
        case UNIT_INCH:
            scaled = v * 10000 / 6000;
            break;
        case UNIT_MM:
            scaled = v * 2540 / 6000;
            break;
        default:
            scaled = v * dpi * 100 / 6000;
            break;
    }
    return static_cast<int32_t>(((scaled % 100) + 100) % 100);
}

int EdgeStep(int32_t side, int32_t offset, int32_t size, int32_t unit, int32_t dpi) {
    if (RoundingRemainder(offset, unit, dpi) == 0) return 0;
    const bool sideUp = RoundingRemainder(side, unit, dpi) >= 50;
    const bool offsetUp = RoundingRemainder(offset, unit, dpi) >= 50;
    const bool sizeUp = RoundingRemainder(size, unit, dpi) >= 50;
    if (sideUp && !offsetUp && !sizeUp) return 1;
    if (!sideUp && offsetUp && sizeUp) return -1;
    return 0;
}

void LoadRawFields(SizeFields& f, const MainUiState& s, bool withArea) {
    f.text[FIELD_WIDTH] = IntText(s.scanA);
    f.text[FIELD_LENGTH] = IntText(s.scanB);
    if (!withArea) return;
    f.text[FIELD_LEFT] = IntText(s.scanX);
    f.text[FIELD_TOP] = IntText(s.scanY);
    f.text[FIELD_AREA_WIDTH] = IntText(s.scanH);
    f.text[FIELD_AREA_LENGTH] = IntText(s.scanV);
}

void EmptyAreaFields(SizeFields& f) {
    for (int i = FIELD_LEFT; i < SizeFieldCount; ++i) f.text[i].clear();
}

void RefreshSizeFields(SizeFields& f, int32_t unit, int32_t dpi) {
    const DocumentArea d = FieldArea(f);
    const int32_t flush = unit == UNIT_INCH ? FlushInch : FlushMm;
    const bool atRight = unit == UNIT_PIXEL || d.a - (d.x + d.h) <= flush;
    const bool atBottom = unit == UNIT_PIXEL || d.b - (d.y + d.v) <= flush;
    f.text[FIELD_WIDTH] = FormatSizeValue(d.a, unit, dpi);
    f.text[FIELD_LENGTH] = FormatSizeValue(d.b, unit, dpi);
    if (!f.areaTicked) return;
    f.text[FIELD_LEFT] = FormatSizeValue(d.x, unit, dpi);
    f.text[FIELD_TOP] = FormatSizeValue(d.y, unit, dpi);
    f.text[FIELD_AREA_WIDTH] = FormatSizeValue(d.h, unit, dpi);
    f.text[FIELD_AREA_LENGTH] = FormatSizeValue(d.v, unit, dpi);
    FixEdge(f, FIELD_LEFT, d.a, d.x, d.h, atRight, unit, dpi);
    FixEdge(f, FIELD_TOP, d.b, d.y, d.v, atBottom, unit, dpi);
}

RangeCheck CheckWidthRange(int32_t v, int32_t unit, int32_t resolutionIndex) {
    switch (unit) {
        case UNIT_INCH: {
            RangeCheck r = Limits("0.39", "8.50");
            if (v >= 51001) return Fail(r, "8.50");
            if (v < 2340) return Fail(r, "0.39");
            return r;
        }
        case UNIT_MM: {
            RangeCheck r = Limits("10", "216");
            if (v >= 51025) return Fail(r, "216");
            if (v < MinSide) return Fail(r, "10");
            return r;
        }
        default: {
            const int32_t dpi = UiResolutionDpi(resolutionIndex);
            const std::string smallest = IntText(PixelSmallest(dpi));
            const std::string largest = IntText(static_cast<int64_t>(std::floor(dpi * 8.5)));
            RangeCheck r = Limits(smallest, largest);
            if (v >= 51001) return Fail(r, largest);
            if (v < PixelMinSide[ClampIndex(resolutionIndex)]) return Fail(r, smallest);
            return r;
        }
    }
}

RangeCheck CheckLengthRange(int32_t v, int32_t unit, int32_t resolutionIndex) {
    switch (unit) {
        case UNIT_INCH: {
            RangeCheck r = Limits("0.39", "11.69");
            if (v > 70140) return Fail(r, "11.69");
            if (v < 2340) return Fail(r, "0.39");
            return r;
        }
        case UNIT_MM: {
            RangeCheck r = Limits("10", "297");
            if (v > MaxDocumentLength) return Fail(r, "297");
            if (v < MinSide) return Fail(r, "10");
            return r;
        }
        default: {
            const int32_t index = ClampIndex(resolutionIndex);
            const int32_t dpi = UiResolutionDpi(index);
            const std::string smallest = IntText(PixelSmallest(dpi));
            const std::string largest = IntText(static_cast<int64_t>(std::floor(dpi * 297 / 25.4 + 0.5)));
            RangeCheck r = Limits(smallest, largest);
            if (v > PixelMaxLength[index]) return Fail(r, largest);
            if (v < PixelMinSide[index]) return Fail(r, smallest);
            return r;
        }
    }
}

RangeCheck CheckOffsetRange(double o, double d, int32_t unit, int32_t resolutionIndex) {
    switch (unit) {
        case UNIT_INCH: {
            RangeCheck r = Limits("0", Printf("%0.2f", (Hundredths(d) - 39) / 100.0));
            r.failed = Hundredths(o) > Hundredths(d) - 39;
            return r;
        }
        case UNIT_MM: {
            RangeCheck r = Limits("0", IntText(static_cast<int64_t>(d) - 10));
            r.failed = o > d - 10;
            return r;
        }
        default: {
            const int32_t smallest = PixelSmallest(UiResolutionDpi(resolutionIndex));
            RangeCheck r = Limits("0", IntText(static_cast<int64_t>(d) - smallest));
            r.failed = o > d - smallest;
            return r;
        }
    }
}

RangeCheck CheckAreaSizeRange(double s, double d, int32_t unit, int32_t resolutionIndex) {
    switch (unit) {
        case UNIT_INCH: {
            RangeCheck r = Limits("0.39", Printf("%0.2f", Hundredths(d) / 100.0));
            r.failed = Hundredths(s) > Hundredths(d) || Hundredths(s) < 39;
            return r;
        }
        case UNIT_MM: {
            RangeCheck r = Limits("10", IntText(static_cast<int64_t>(d)));
            r.failed = s > d || s < 10;
            return r;
        }
        default: {
            const int32_t smallest = PixelSmallest(UiResolutionDpi(resolutionIndex));
            RangeCheck r = Limits(IntText(smallest), IntText(static_cast<int64_t>(d)));
            r.failed = s > d || s < smallest;
            return r;
        }
    }
}

std::string FormatRangeMessage(const std::string& format, const std::string& lower,
                               const std::string& upper) {
    std::string out;
    int filled = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && filled < 2) {
            out += filled++ == 0 ? lower : upper;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

FilterResult FilterSizeText(const std::string& text, int32_t unit) {
    bool point = false;
    int decimals = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        bool fine;
        if (ch >= '0' && ch <= '9') {
            fine = !point || ++decimals <= 2;
        } else {
            fine = unit == UNIT_INCH && ch == '.' && !point;
            point = point || fine;
        }
        if (!fine) return {true, text.substr(0, i) + text.substr(i + 1), static_cast<int>(i)};
    }
    return {false, text, 0};
}

FilterResult FilterSignedText(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const bool fine = (ch >= '0' && ch <= '9') || (ch == '-' && i == 0);
        if (!fine) return {true, text.substr(0, i) + text.substr(i + 1), static_cast<int>(i)};
    }
    return {false, text, 0};
}

DocumentArea RotatedArea(const DocumentArea& d, int32_t oldIndex, int32_t newIndex) {
    DocumentArea r = d;
    if (!SameParity(oldIndex, newIndex)) {
        r.a = d.b;
        r.b = d.a;
    }
    switch (newIndex - oldIndex) {
        case 1:
        case -3:
            r.x = d.b - d.y - d.v;
            r.y = d.x;
            r.h = d.v;
            r.v = d.h;
            break;
        case -1:
        case 3:
            r.x = d.y;
            r.y = d.a - d.x - d.h;
            r.h = d.v;
            r.v = d.h;
            break;
        case 2:
        case -2:
            r.x = d.a - d.x - d.h;
            r.y = d.b - d.y - d.v;
            break;
        default:
            break;
    }
    return r;
}

DocumentArea ClampedArea(const DocumentArea& d) {
    DocumentArea r = d;
    ClampOffset(r.a, r.x, r.h);
    ClampOffset(r.b, r.y, r.v);
    ClampSize(r.a, r.x, r.h);
    ClampSize(r.b, r.y, r.v);
    return r;
}

ScannerFrame FrameOfArea(const DocumentArea& d, int32_t orientation) {
    ScannerFrame f;
    switch (orientation) {
        case 0:
            f = {d.y, d.a - d.x - d.h, d.v, d.h};
            break;
        case 1:
            f = {d.a - d.x - d.h, d.b - d.y - d.v, d.h, d.v};
            break;
        case 2:
            f = {d.b - d.y - d.v, d.x, d.v, d.h};
            break;
        default:
            f = {d.x, d.y, d.h, d.v};
            break;
    }
    if (f.left < 0) f.left = 0;
    if (f.top < 0) f.top = 0;
    if (f.width < 0) f.width = MinSide;
    if (f.length < 0) f.length = MinSide;
    return f;
}

void ApplyPaperSize(MainUiState& s, SizeFields& f, const SizeFieldContext& c, int32_t sizeIndex) {
    int32_t width;
    int32_t length;
    if (sizeIndex <= 0 || sizeIndex > PaperSizeCount) {
        const bool same = SameParity(s.customOrientation, s.scanOrientation);
        width = same ? s.customA : s.customB;
        length = same ? s.customB : s.customA;
        s.scanAreaCheck = 0;
    } else {
        const PaperSizeEntry& paper = s.paperSizeTable[sizeIndex - 1];
        const bool oddRotation = c.rotation == 1 || c.rotation == 3;
        const bool asListed = ((c.placement == 0 || c.placement == -1) && oddRotation) ||
                              (c.placement == 1 && (c.rotation == 0 || c.rotation == 2));
        width = asListed ? paper.width : paper.length;
        length = asListed ? paper.length : paper.width;
    }
    SetArea(f, s.scanAreaCheck == 1, {0, 0, s.scanX, s.scanY, s.scanH, s.scanV});
    SetDocument(s, f, width, length);
}

bool ApplyRegisteredArea(MainUiState& s, SizeFields& f, const SizeFieldContext& c, int32_t sizeIndex) {
    const int32_t entry = sizeIndex - 11;
    if (entry < 0 || entry >= AreaTableSize || entry >= s.newCount) return false;
    const ScanAreaRecord& r = s.areaTable[entry];
    SetDocument(s, f, r.a, r.b);
    if (r.check == 1) {
        SetArea(f, true, {0, 0, r.x, r.y, r.h, r.v});
        s.scanX = r.x;
        s.scanY = r.y;
        s.scanH = r.h;
        s.scanV = r.v;
        RotateDocument(s, f, r.orientation, c.rotation);
    } else {
        SetArea(f, false, {});
    }
    return true;
}

void RotateDocument(MainUiState& s, SizeFields& f, int32_t oldIndex, int32_t newIndex) {
    const DocumentArea turned =
        RotatedArea({s.scanA, s.scanB, s.scanX, s.scanY, s.scanH, s.scanV}, oldIndex, newIndex);
    if (f.areaTicked) StoreArea(s, f, turned);
    SetDocument(s, f, turned.a, turned.b);
}

void ClampArea(MainUiState& s, SizeFields& f) { StoreArea(s, f, ClampedArea(FieldArea(f))); }

ScannerFrame AreaInScannerFrame(const MainUiState& s) {
    return FrameOfArea({s.scanA, s.scanB, s.scanX, s.scanY, s.scanH, s.scanV}, s.scanOrientation);
}

int32_t FieldValue(const SizeFields& f, int field, int32_t unit, int32_t dpi) {
    return Truncated(std::floor(ParseSizeText(f.text[field], unit, dpi)));
}

KillFocusResult OnSizeFieldKillFocus(MainUiState& s, SizeFields& f, const SizeFieldContext& c, int field,
                                     int32_t focusValue, bool flatbed) {
    switch (field) {
        case FIELD_WIDTH:
        case FIELD_LENGTH:
            return DocumentSideLost(s, f, c, field, focusValue, flatbed);
        case FIELD_LEFT:
        case FIELD_TOP:
            return OffsetLost(s, f, c, field, focusValue);
        case FIELD_AREA_WIDTH:
        case FIELD_AREA_LENGTH:
            return AreaSizeLost(s, f, c, field, focusValue);
        default:
            return {};
    }
}
