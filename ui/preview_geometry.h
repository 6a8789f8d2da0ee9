// Geometry of the preview window: the glass scaled into a fixed frame of
// client pixels, the document and area rectangles in that frame, the hit
// zones around the edited rectangle, one step of a mouse drag, the write-back
// of a drag into the settings in 1/6000 inch, and the ruler ticks.
// Platform-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/main_ui_state.h"

// Rectangles hold their right and bottom edges as pixels of the rectangle.
struct PreviewRect {
    int32_t left, top, right, bottom;
    bool operator==(const PreviewRect&) const = default;
};

struct PreviewPoint {
    int32_t x, y;
};

// The glass: 8.5 x 11.693 inches, 51000 x 70157 in 1/6000 inch.
constexpr double GlassWidthInch = 8.5;
constexpr double GlassLengthInch = 11.693;
constexpr int32_t GlassWidthUnits = 51000;
constexpr int32_t GlassLengthUnits = 70157;
// Smallest side written back; sides at or below the threshold are raised to it.
constexpr int32_t SmallestSideUnits = 2362;
constexpr int32_t SmallSideThreshold = 2500;

// Inches per pixel across (sx) and down (sy), pixels per inch across, and the
// smallest side of a rectangle (10 mm) in pixels.
struct PreviewScales {
    double sx, sy, ppi;
    int32_t minSide;
};

// Scales for a frame; a frame without area gives zero scales.
PreviewScales ComputePreviewScales(const PreviewRect& frame);

// The document outline: from the frame's top-left corner, a x b in 1/6000 inch.
PreviewRect DocumentRectFor(const PreviewRect& frame, const PreviewScales& s, int32_t a, int32_t b);
// The area rectangle for offsets x, y and sides h, v in 1/6000 inch.
PreviewRect AreaRectFor(const PreviewRect& frame, const PreviewScales& s, int32_t x, int32_t y, int32_t h,
                        int32_t v);

enum PreviewZone : int32_t {
    ZoneNone = 0,
    ZoneNew = 1,
    ZoneMove = 2,
    ZoneLeft = 3,
    ZoneRight = 4,
    ZoneTop = 5,
    ZoneBottom = 6,
    ZoneTopLeft = 7,
    ZoneTopRight = 8,
    ZoneBottomRight = 9,
    ZoneBottomLeft = 10,
};

// The zone under a point: the area rectangle's body, edges and corners with a
// tolerance of 6 pixels across and 5 down, or a new rectangle further away
// inside the bounds. Outside area mode only the edges away from the anchoring
// top-left corner answer (right, bottom, bottom-right).
int32_t HitZone(const PreviewRect& rect, const PreviewRect& bounds, PreviewPoint p, bool areaMode);

// The edges a drag has actually moved; only marked values are written back.
struct ChangeMarkers {
    bool width, length, left, top;
};

struct PreviewDrag {
    int32_t zone;         // 0 when no drag runs
    PreviewPoint anchor;  // where a new rectangle started; the last point of a move
    PreviewRect rect;
    ChangeMarkers changed;
};

// Starts a drag in the zone at p; a new rectangle collapses to the point.
void BeginDrag(PreviewDrag& drag, int32_t zone, PreviewPoint p);
// One mouse move with the button held: the zone's operation with the pointer
// held inside the bounds (shrunk by one pixel), sides never below minSide.
void DragStep(PreviewDrag& drag, PreviewPoint p, const PreviewRect& bounds, int32_t minSide);

// Area mode, after every move: the marked area values from the rectangle,
// measured from the document outline.
void LiveAreaWriteBack(const PreviewDrag& drag, const PreviewRect& document, const PreviewScales& s,
                       MainUiState& ui);
// Area mode, button up: an area within one pixel of a document edge lies on it.
void SnapAreaToDocument(const PreviewRect& area, const PreviewRect& document, MainUiState& ui);

// Document mode, button up: the new document size, when a side was dragged.
struct DocumentWriteBack {
    bool sizeDiffers;  // the dragged size is not the stored one: the size becomes custom
    bool written;      // scanA or scanB was written
};
DocumentWriteBack DocumentModeWriteBack(const PreviewRect& document, const PreviewRect& frame,
                                        const PreviewScales& s, const ChangeMarkers& changed,
                                        MainUiState& ui);

// Units of the rulers (and the size fields): inch, mm, pixel.
enum PreviewUnit : int32_t { UnitInch = 0, UnitMm = 1, UnitPixel = 2 };

struct RulerTick {
    int32_t offset;     // pixels from the frame's edge
    int32_t length;     // how far the tick reaches beyond the frame's edge
    std::string label;  // empty for ticks without one
};

constexpr int32_t RulerLabelAbove = 25;   // top ruler: labels this far above the frame
constexpr int32_t RulerLabelLeftOf = 30;  // left ruler: labels this far left of the frame

// Ticks along the top (across) or left (down) edge of a frame of the given
// side: every centimetre in mm, every half inch in inch and pixels; labels on
// every second tick in inches, mm, or pixels at dpi.
std::vector<RulerTick> RulerTicks(int32_t unit, bool across, int32_t side, int32_t dpi);
