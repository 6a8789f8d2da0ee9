// Layout frames and the custom area.
#include "scan/image_layout.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "scan/paper_tables.h"

namespace {

// Left, top and right carry 0.01 inch, bottom 0.03 inch: applications have
// always received these values, and the round trip through their own
// conversion depends on them.
constexpr double SideBias = 0.01;
constexpr double BottomBias = 0.03;
constexpr int32_t MaxAreaPixels = 65535;

float FromFix32(TW_FIX32 value) {
    return static_cast<float>(value.Whole) + static_cast<float>(value.Frac) / 65536.0f;
}

TW_FRAME FrameInInches(float left, float top, float right, float bottom) {
    return TW_FRAME{LayoutFix32(left, SideBias), LayoutFix32(top, SideBias), LayoutFix32(right, SideBias),
                    LayoutFix32(bottom, BottomBias)};
}

// Truncates toward zero and keeps the value inside what the device's window holds.
int32_t AreaPixels(float value, bool* clamped) {
    if (std::isnan(value) || value <= -1.0f) {
        *clamped = true;
        return 0;
    }
    if (value >= static_cast<float>(MaxAreaPixels) + 1.0f) {
        *clamped = true;
        return MaxAreaPixels;
    }
    return static_cast<int32_t>(value);
}

}  // namespace

TW_FIX32 LayoutFix32(double inches, double bias) {
    // Beyond what FIX32 holds the value is pinned rather than left undefined.
    const double scaled = std::clamp((inches + bias) * 65536.0 + 0.5, double{INT32_MIN}, double{INT32_MAX});
    const auto n = static_cast<int32_t>(scaled);
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(n >> 16);
    fix.Frac = static_cast<TW_UINT16>(n & 0xffff);
    return fix;
}

bool CurrentLayoutFrame(const ScanWindow& window, int32_t dpi, TW_FRAME* frame) {
    const PaperCodeEntry entry = LookupPaperCode(window.paperSizeCode);
    if (entry.twss != TWSS_NONE) {
        *frame = FrameInInches(0.0f, 0.0f, static_cast<float>(entry.widthHundredths) / 100.0f,
                               static_cast<float>(entry.heightHundredths) / 100.0f);
        return true;
    }
    if (dpi <= 0) return false;
    const auto r = static_cast<float>(dpi);
    const int64_t right = int64_t{window.areaLeft} + window.areaWidth;
    const int64_t bottom = int64_t{window.areaTop} + window.areaHeight;
    *frame = FrameInInches(static_cast<float>(window.areaLeft) / r, static_cast<float>(window.areaTop) / r,
                           static_cast<float>(right) / r, static_cast<float>(bottom) / r);
    return true;
}

TW_FRAME PlatenFrame(int32_t physicalWidth, int32_t physicalHeight) {
    return FrameInInches(0.0f, 0.0f, static_cast<float>(physicalWidth) / 100.0f,
                         static_cast<float>(physicalHeight) / 100.0f);
}

bool StoreLayoutFrame(const TW_FRAME& frame, int32_t dpi, ScanWindow* window) {
    const auto r = static_cast<float>(dpi);
    const float left = FromFix32(frame.Left);
    const float top = FromFix32(frame.Top);
    const float right = FromFix32(frame.Right);
    const float bottom = FromFix32(frame.Bottom);
    bool clamped = false;
    window->areaLeft = AreaPixels(r * left, &clamped);
    window->areaTop = AreaPixels(r * top, &clamped);
    window->areaWidth = AreaPixels(r * (right - left), &clamped);
    window->areaHeight = AreaPixels(r * (bottom - top), &clamped);
    return !clamped;
}
