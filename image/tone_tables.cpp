#include "image/tone_tables.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

ToneTables toneTables;

// Truncation toward zero of a single-precision value, as an int. Values
// beyond the int range (only from unvalidated settings) saturate.
int32_t Truncate(float v) {
    if (!(v > -2.0e9f)) return v != v ? 0 : -2000000000;
    if (v > 2.0e9f) return 2000000000;
    return static_cast<int32_t>(v);
}

// A value computed exactly enough in double, rounded once to single precision.
float Single(double v) { return static_cast<float>(v); }

// x^y rounded to single precision. The power is taken in double and rounded
// once, so every C runtime gives the same table.
float PowerSingle(float x, float y) {
    return static_cast<float>(std::pow(static_cast<double>(x), static_cast<double>(y)));
}

uint8_t ClampByte(int32_t v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

bool BrightnessContrastNeutral(const ScanSettings* s) { return s->brightness == 0 && s->contrast == 0; }

// Contrast factor 0.25..4: stretches or flattens around the middle grey.
void ApplyBrightnessContrast(const ScanSettings* s, uint8_t* table) {
    const int32_t c = s->contrast;
    const float f = Single(c >= 0 ? (100.0 + 3.0 * c) / 100.0 : 100.0 / (100.0 - 3.0 * c));
    for (int i = 0; i < 256; ++i) {
        const float v = static_cast<float>(table[i] - 128) * f + 128.0f + static_cast<float>(s->brightness);
        table[i] = ClampByte(Truncate(v));
    }
}

bool CurveNeutral(const ScanSettings* s) {
    static const int32_t points[5] = {0, 64, 128, 192, 255};
    if (s->curveMode == 0) {
        return std::equal(points, points + 5, s->curveIn) && std::equal(points, points + 5, s->curveOut);
    }
    if (s->curveMode == 1) return s->curveGamma == 0;
    return true;
}

// Five-point curve: the segment is picked by the table index, the value
// interpolated is the entry's current value.
void ApplyFivePointCurve(const ScanSettings* s, uint8_t* table) {
    const int32_t* in = s->curveIn;
    const int32_t* out = s->curveOut;
    uint8_t result[256];
    std::memcpy(result, table, 256);
    for (int i = 0; i < 256; ++i) {
        if (i < in[0]) result[i] = ClampByte(out[0]);
        if (i >= in[4]) result[i] = ClampByte(out[4]);
    }
    for (int k = 0; k < 4; ++k) {
        if (in[k] >= in[k + 1]) continue;
        const float slope = Single(static_cast<double>(out[k + 1] - out[k]) / (in[k + 1] - in[k]));
        for (int i = std::max(in[k], 0); i < std::min(in[k + 1], 256); ++i) {
            const float v = static_cast<float>(table[i] - in[k]) * slope + static_cast<float>(out[k]);
            result[i] = ClampByte(Truncate(v));
        }
    }
    std::memcpy(table, result, 256);
}

// (e / 255)^exponent scaled back to 0..255, ratio and power in single precision.
void ApplyGammaCurve(const ScanSettings* s, uint8_t* table) {
    const float c = Single(s->curveGamma * 0.009);
    const float exponent = s->curveGamma >= 0 ? 1.0f - c : 1.0f / (1.0f + c);
    for (int i = 0; i < 256; ++i) {
        const float ratio = Single(table[i] / 255.0);
        const float p = PowerSingle(ratio, exponent);
        table[i] = ClampByte(Truncate(255.0f * p + 0.5f));
    }
}

void ApplyCurve(const ScanSettings* s, uint8_t* table) {
    if (s->curveMode == 0) ApplyFivePointCurve(s, table);
    if (s->curveMode == 1) ApplyGammaCurve(s, table);
}

struct BalanceChannel {
    int32_t outLow = 0, outHigh = 255, inLow = 0, inHigh = 255;
    float gamma = 1.0f;
};

void BalanceShadows(BalanceChannel& b, int32_t s) {
    s = s > 0 ? s / 5 : s / 2;
    b.inLow = (-255 * s) / 100;
    if (b.inLow < 0) {
        b.inLow = 0;
    } else if (b.inLow >= 255) {
        b.inLow = 254;
    } else if (b.inLow >= b.inHigh) {
        b.inLow = b.inHigh - 1;
    }
    b.outLow = (255 * s) / 100;
    if (b.outLow < 0) {
        b.outLow = 0;
    } else if (b.outLow >= 255) {
        b.outLow = 254;
    } else if (b.outLow >= b.outHigh) {
        b.outLow = b.outHigh - 1;
    }
}

void BalanceMidtones(BalanceChannel& b, int32_t m) {
    m = (3 * m) / 5;
    const float x = Single(m * 0.009);
    b.gamma = m >= 0 ? 1.0f - x : 1.0f / (1.0f + x);
}

void BalanceHighlights(BalanceChannel& b, int32_t h) {
    h = h > 0 ? (3 * h) / 5 : h / 10;
    const int32_t k = (255 * h) / 100;
    b.inHigh = 255 - k;
    if (b.inHigh <= 0) {
        b.inHigh = 1;
    } else if (b.inHigh > 255) {
        b.inHigh = 255;
    } else if (b.inLow >= b.inHigh) {
        b.inHigh = b.inLow + 1;
    }
    b.outHigh = 255 + k;
    if (b.outHigh <= 0) {
        b.outHigh = 1;
    } else if (b.outHigh > 255) {
        b.outHigh = 255;
    } else if (b.outLow >= b.outHigh) {
        b.outHigh = b.outLow + 1;
    }
}

// Levels with a gamma for one channel; a channel left at its defaults is not
// touched.
void ApplyBalanceChannel(const BalanceChannel& b, uint8_t* table) {
    if (b.outLow == 0 && b.outHigh == 255 && b.inLow == 0 && b.inHigh == 255 && b.gamma == 1.0f) return;
    const float range = static_cast<float>(b.outHigh - b.outLow);
    const float slope = Single(static_cast<double>(range) / (b.inHigh - b.inLow));
    for (int i = 0; i < 256; ++i) {
        int32_t v = Truncate(static_cast<float>(table[i] - b.inLow) * slope + static_cast<float>(b.outLow));
        if (v <= 0) {
            table[i] = 0;
            continue;
        }
        if (v >= 255) {
            table[i] = 255;
            continue;
        }
        if (b.gamma != 1.0f) {
            const float ratio = Single(v / static_cast<double>(range));
            const float p = PowerSingle(ratio, b.gamma);
            v = Truncate(range * p + 0.5f);
        }
        if (v < b.outLow) {
            v = b.outLow;
        } else if (v > b.outHigh) {
            v = b.outHigh;
        }
        table[i] = ClampByte(v);
    }
}

bool BalanceNeutral(const ScanSettings* s) {
    return std::all_of(s->balance, s->balance + 9, [](int32_t v) { return v == 0; });
}

// Scales the three shadows first, then the midtones, then the highlights, as
// the clamps of the highlights depend on the shadows.
void ApplyBalance(const ScanSettings* s, ToneTables& t) {
    BalanceChannel channels[3];
    for (int c = 0; c < 3; ++c) BalanceShadows(channels[c], s->balance[3 * c]);
    for (int c = 0; c < 3; ++c) BalanceMidtones(channels[c], s->balance[3 * c + 1]);
    for (int c = 0; c < 3; ++c) BalanceHighlights(channels[c], s->balance[3 * c + 2]);
    ApplyBalanceChannel(channels[0], t.red);
    ApplyBalanceChannel(channels[1], t.green);
    ApplyBalanceChannel(channels[2], t.blue);
}

void SetIdentity(ToneTables& t) {
    for (int i = 0; i < 256; ++i) {
        t.red[i] = t.green[i] = t.blue[i] = t.grey[i] = static_cast<uint8_t>(i);
    }
}

}  // namespace

ToneTables& GetToneTables() { return toneTables; }

bool BuildToneTables(const ScanSettings* settings) {
    SetIdentity(toneTables);
    if (settings == nullptr) return false;
    const bool colour = settings->pixelType == 3;
    const int32_t ui = settings->uiPixelType;
    const bool curveEnabled = !colour || ui == 2 || ui == 3;
    const bool balanceEnabled = colour && ui == 3;
    // Colour steps write red and copy it to green and blue; grey writes grey.
    uint8_t* table = colour ? toneTables.red : toneTables.grey;
    bool changed = false;
    if (!BrightnessContrastNeutral(settings)) {
        ApplyBrightnessContrast(settings, table);
        changed = true;
    }
    if (curveEnabled && !CurveNeutral(settings)) {
        ApplyCurve(settings, table);
        changed = true;
    }
    if (colour) {
        std::memcpy(toneTables.green, toneTables.red, 256);
        std::memcpy(toneTables.blue, toneTables.red, 256);
    }
    if (balanceEnabled && !BalanceNeutral(settings)) {
        ApplyBalance(settings, toneTables);
        changed = true;
    }
    return changed;
}
