#include "ui/preview_geometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double UnitsPerInch = 6000.0;
// Quotients such as 51000 / 6000 / (8.5 / width) land a hair below the whole
// number they stand for; truncating them must not lose a pixel or a unit.
constexpr double PixelSlack = 1e-7;
constexpr double UnitSlack = 1e-6;
constexpr int32_t SideTolerance = 6;  // left and right edges
constexpr int32_t EndTolerance = 5;   // top and bottom edges

int32_t UnitsToPixels(int32_t units, double inchPerPixel) {
    return static_cast<int32_t>(units / UnitsPerInch / inchPerPixel + PixelSlack);
}

int32_t InchToUnits(double inch) { return static_cast<int32_t>(std::floor(inch * UnitsPerInch + UnitSlack)); }

int32_t RaiseSmallSide(int32_t side) { return side <= SmallSideThreshold ? SmallestSideUnits : side; }

PreviewRect Shrunk(const PreviewRect& r) { return {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}; }

bool Within(int32_t v, int32_t low, int32_t high) { return low <= v && v <= high; }

// Shifts [low, high] back inside [lowest, highest], keeping its length.
void PushInside(int32_t& low, int32_t& high, int32_t lowest, int32_t highest) {
    if (high > highest) {
        low -= high - highest;
        high = highest;
    }
    if (low < lowest) {
        high += lowest - low;
        low = lowest;
    }
}

// A new rectangle's span along one axis, from the anchor towards the pointer.
void SpanFromAnchor(int32_t anchor, int32_t pointer, int32_t minSide, int32_t& low, int32_t& high) {
    if (pointer >= anchor) {
        low = anchor;
        high = std::max(pointer, anchor + minSide);
    } else {
        high = anchor;
        low = std::min(pointer, anchor - minSide);
    }
}

bool MovesLeft(int32_t zone) { return zone == ZoneLeft || zone == ZoneTopLeft || zone == ZoneBottomLeft; }
bool MovesRight(int32_t zone) { return zone == ZoneRight || zone == ZoneTopRight || zone == ZoneBottomRight; }
bool MovesTop(int32_t zone) { return zone == ZoneTop || zone == ZoneTopLeft || zone == ZoneTopRight; }
bool MovesBottom(int32_t zone) {
    return zone == ZoneBottom || zone == ZoneBottomRight || zone == ZoneBottomLeft;
}

}  // namespace

PreviewScales ComputePreviewScales(const PreviewRect& frame) {
    const int32_t width = frame.right - frame.left;
    const int32_t height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0) return {0, 0, 0, 0};
    PreviewScales s{};
    s.sx = GlassWidthInch / width;
    s.sy = GlassLengthInch / height;
    s.ppi = width / GlassWidthInch;
    s.minSide = static_cast<int32_t>(0.394 * s.ppi);
    return s;
}

PreviewRect DocumentRectFor(const PreviewRect& frame, const PreviewScales& s, int32_t a, int32_t b) {
    if (s.sx <= 0 || s.sy <= 0) return {frame.left, frame.top, frame.left, frame.top};
    return {frame.left, frame.top, frame.left + UnitsToPixels(a, s.sx), frame.top + UnitsToPixels(b, s.sy)};
}

PreviewRect AreaRectFor(const PreviewRect& frame, const PreviewScales& s, int32_t x, int32_t y, int32_t h,
                        int32_t v) {
    if (s.sx <= 0 || s.sy <= 0) return {frame.left, frame.top, frame.left, frame.top};
    PreviewRect r{};
    r.left = frame.left + UnitsToPixels(x, s.sx);
    r.top = frame.top + UnitsToPixels(y, s.sy);
    r.right = r.left + UnitsToPixels(h, s.sx);
    r.bottom = r.top + UnitsToPixels(v, s.sy);
    return r;
}

int32_t HitZone(const PreviewRect& r, const PreviewRect& bounds, PreviewPoint p, bool areaMode) {
    const bool inX = r.left < p.x && p.x < r.right;
    const bool inY = r.top < p.y && p.y < r.bottom;
    const bool nearLeft = Within(p.x, r.left - SideTolerance, r.left);
    const bool nearRight = Within(p.x, r.right, r.right + SideTolerance);
    const bool nearTop = r.top - EndTolerance <= p.y && p.y < r.top;
    // The bottom outline itself belongs to the bottom edge: the body ends
    // above it, and a line the user points at should answer.
    const bool nearBottom = r.bottom <= p.y && p.y <= r.bottom + EndTolerance;

    int32_t zone = ZoneNone;
    if (r.left <= p.x && p.x < r.right && r.top <= p.y && p.y < r.bottom) {
        zone = ZoneMove;
    } else if (nearLeft && inY) {
        zone = ZoneLeft;
    } else if (nearRight && inY) {
        zone = ZoneRight;
    } else if (inX && nearTop) {
        zone = ZoneTop;
    } else if (inX && nearBottom) {
        zone = ZoneBottom;
    } else if (nearLeft && nearTop) {
        zone = ZoneTopLeft;
    } else if (nearRight && nearTop) {
        zone = ZoneTopRight;
    } else if (nearRight && nearBottom) {
        zone = ZoneBottomRight;
    } else if (nearLeft && nearBottom) {
        zone = ZoneBottomLeft;
    } else {
        const bool outsideGrown = p.x < r.left - SideTolerance || p.x > r.right + SideTolerance ||
                                  p.y < r.top - SideTolerance || p.y > r.bottom + SideTolerance;
        const PreviewRect inner = Shrunk(bounds);
        if (outsideGrown && Within(p.x, inner.left, inner.right) && Within(p.y, inner.top, inner.bottom)) {
            zone = ZoneNew;
        }
    }
    if (areaMode) return zone;
    return zone == ZoneRight || zone == ZoneBottom || zone == ZoneBottomRight ? zone : ZoneNone;
}

void BeginDrag(PreviewDrag& drag, int32_t zone, PreviewPoint p) {
    drag.zone = zone;
    drag.anchor = p;
    if (zone == ZoneNew) drag.rect = {p.x, p.y, p.x, p.y};
}

void DragStep(PreviewDrag& drag, PreviewPoint p, const PreviewRect& bounds, int32_t minSide) {
    const PreviewRect inner = Shrunk(bounds);
    p.x = std::clamp(p.x, inner.left, std::max(inner.left, inner.right));
    p.y = std::clamp(p.y, inner.top, std::max(inner.top, inner.bottom));
    PreviewRect r = drag.rect;
    const PreviewRect before = r;

    if (drag.zone == ZoneMove) {
        r.left += p.x - drag.anchor.x;
        r.right += p.x - drag.anchor.x;
        r.top += p.y - drag.anchor.y;
        r.bottom += p.y - drag.anchor.y;
        PushInside(r.left, r.right, inner.left, inner.right);
        PushInside(r.top, r.bottom, inner.top, inner.bottom);
        drag.anchor = p;
        drag.changed.left |= r.left != before.left;
        drag.changed.top |= r.top != before.top;
    } else if (drag.zone == ZoneNew) {
        SpanFromAnchor(drag.anchor.x, p.x, minSide, r.left, r.right);
        SpanFromAnchor(drag.anchor.y, p.y, minSide, r.top, r.bottom);
        PushInside(r.left, r.right, inner.left, inner.right);
        PushInside(r.top, r.bottom, inner.top, inner.bottom);
        drag.changed = {true, true, true, true};
    } else {
        if (MovesLeft(drag.zone)) r.left = std::min(p.x, r.right - minSide);
        if (MovesRight(drag.zone)) r.right = std::max(p.x, r.left + minSide);
        if (MovesTop(drag.zone)) r.top = std::min(p.y, r.bottom - minSide);
        if (MovesBottom(drag.zone)) r.bottom = std::max(p.y, r.top + minSide);
        drag.changed.left |= r.left != before.left;
        drag.changed.top |= r.top != before.top;
        drag.changed.width |= r.left != before.left || r.right != before.right;
        drag.changed.length |= r.top != before.top || r.bottom != before.bottom;
    }
    drag.rect = r;
}

void LiveAreaWriteBack(const PreviewDrag& drag, const PreviewRect& d, const PreviewScales& s,
                       MainUiState& ui) {
    if (drag.zone == ZoneNone) return;
    const PreviewRect& r = drag.rect;
    // The outline's pixels count whole: an area from the document's first
    // pixel column to its last spans one column more than their difference.
    const double leftInch = (r.left - d.left + 1) * s.sx;
    const double topInch = (r.top - d.top + 1) * s.sy;
    const double rightInch = (r.right - d.left + 2) * s.sx;
    const double bottomInch = (r.bottom - d.top + 2) * s.sy;
    const bool all = drag.zone == ZoneNew;
    if (all || drag.changed.left) ui.scanX = InchToUnits(leftInch);
    if (all || drag.changed.top) ui.scanY = InchToUnits(topInch);
    if (drag.zone == ZoneMove) return;
    if (all || drag.changed.width) ui.scanH = RaiseSmallSide(InchToUnits(rightInch - leftInch));
    if (all || drag.changed.length) ui.scanV = RaiseSmallSide(InchToUnits(bottomInch - topInch));
}

void SnapAreaToDocument(const PreviewRect& r, const PreviewRect& d, MainUiState& ui) {
    const bool atLeft = r.left <= d.left + 1;
    const bool atRight = r.right >= d.right - 1;
    const bool atTop = r.top <= d.top + 1;
    const bool atBottom = r.bottom >= d.bottom - 1;
    if (atLeft && atRight) {
        ui.scanX = 0;
        ui.scanH = ui.scanA;
    } else if (atRight) {
        ui.scanX = std::max(0, ui.scanA - ui.scanH);
    } else if (atLeft) {
        ui.scanX = 0;
    }
    if (atTop && atBottom) {
        ui.scanY = 0;
        ui.scanV = ui.scanB;
    } else if (atBottom) {
        ui.scanY = std::max(0, ui.scanB - ui.scanV);
    } else if (atTop) {
        ui.scanY = 0;
    }
}

DocumentWriteBack DocumentModeWriteBack(const PreviewRect& r, const PreviewRect& frame,
                                        const PreviewScales& s, const ChangeMarkers& changed,
                                        MainUiState& ui) {
    DocumentWriteBack result{false, false};
    if (!changed.width && !changed.length) return result;
    const int32_t w = InchToUnits((r.right - r.left + 1) * s.sx);
    const int32_t l = InchToUnits((r.bottom - r.top + 1) * s.sy);
    result.sizeDiffers = (changed.width && w != ui.scanA) || (changed.length && l != ui.scanB);
    if (changed.width) {
        ui.scanA = r.right >= frame.right - 2 ? GlassWidthUnits : RaiseSmallSide(w);
    }
    if (changed.length) {
        ui.scanB = r.bottom >= frame.bottom - 2 ? GlassLengthUnits : RaiseSmallSide(l);
    }
    result.written = true;
    return result;
}

std::vector<RulerTick> RulerTicks(int32_t unit, bool across, int32_t side, int32_t dpi) {
    std::vector<RulerTick> ticks;
    if (side <= 0) return ticks;
    const bool mm = unit == UnitMm;
    const int32_t count = mm ? (across ? 22 : 30) : (across ? 18 : 24);
    const double spacing =
        mm ? side / (across ? 21.6 : 29.7) : side / (across ? GlassWidthInch : GlassLengthInch) / 2;
    for (int32_t k = 0; k < count; ++k) {
        RulerTick tick{static_cast<int32_t>(k * spacing), k % 2 == 0 ? 8 : 5, {}};
        if (k % 2 == 0) {
            const int32_t step = k / 2;
            const int32_t value = mm ? step * 20 : unit == UnitPixel ? step * dpi : step;
            tick.label = std::to_string(value);
        }
        ticks.push_back(tick);
    }
    return ticks;
}
