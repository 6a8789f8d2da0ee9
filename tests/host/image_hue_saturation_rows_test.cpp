#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "image/hue_saturation_rows.h"

namespace {

// The hue and saturation step as the rules read, with plain integer
// division: the form the four-lane row code must match byte for byte.
void ReferenceShift(const uint8_t in[3], int32_t hue, int32_t saturation, uint8_t out[3]) {
    const int32_t r = in[0], g = in[1], b = in[2];
    const int32_t mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const int32_t sum = mx + mn, d = mx - mn;
    int32_t l = (sum * 10000) / 510, s = 0, h = 0;
    if (d != 0 && l != 0) {
        s = l <= 5000 ? (d * 10000) / sum : (d * 10000) / (510 - sum);
        if (mx == r && mn == b) {
            h = (g - b) * 60 / d;
        } else if (mx == g && mn == b) {
            h = (g - r) * 60 / d + 60;
        } else if (mx == g && mn == r) {
            h = (b - r) * 60 / d + 120;
        } else if (mx == b && mn == r) {
            h = (b - g) * 60 / d + 180;
        } else if (mx == b && mn == g) {
            h = (r - g) * 60 / d + 240;
        } else {
            h = (r - b) * 60 / d + 300;
        }
    }
    h += hue;
    s = std::min(((saturation + 100) * s) / 100, 10000);
    if (s == 0) {
        out[0] = out[1] = out[2] = static_cast<uint8_t>(std::clamp((l * 255) / 10000, 0, 255));
        return;
    }
    const int32_t m2 = l <= 4999 ? (l * (10000 + s)) / 10000 : (s * 10000 + (10000 - s) * l) / 10000;
    const int32_t m1 = 2 * l - m2;
    const auto ramp = [&](int32_t a) {
        if (a < 0) {
            a += 360;
        } else if (a > 360) {
            a -= 360;
        }
        int32_t v;
        if (a < 60) {
            v = ((m2 - m1) * a + 60 * m1) / 60;
        } else if (a < 180) {
            v = m2;
        } else if (a >= 240) {
            v = m1;
        } else {
            v = (60 * m1 + (m2 - m1) * (240 - a)) / 60;
        }
        return static_cast<uint8_t>(std::clamp((v * 255) / 10000, 0, 255));
    };
    out[0] = ramp(h + 120);
    out[1] = ramp(h);
    out[2] = ramp(h - 120);
}

// Random pixels (with greys, primaries and the extremes mixed in), random
// tables and settings, rows of every length around the block sizes.
TEST(ImageHueSaturationRows, MatchesTheRulesForRandomPixelsAndSettings) {
    std::mt19937 rng(14);
    uint8_t tables[3][256];
    const int32_t edgeHues[] = {-180, -120, -1, 0, 1, 120, 180};
    const int32_t edgeSaturations[] = {-100, -99, 0, 1, 100};
    for (int round = 0; round < 120; ++round) {
        const bool identity = round % 3 == 0;
        for (int c = 0; c < 3; ++c) {
            for (int v = 0; v < 256; ++v) tables[c][v] = static_cast<uint8_t>(identity ? v : rng());
        }
        const int32_t hue = round < 35 ? edgeHues[round % 7] : static_cast<int32_t>(rng() % 361) - 180;
        const int32_t sat = round < 35 ? edgeSaturations[round / 7] : static_cast<int32_t>(rng() % 201) - 100;
        const bool invert = round % 2 == 1;
        const int32_t pixels = 1 + static_cast<int32_t>(rng() % 300);
        std::vector<uint8_t> row(static_cast<size_t>(pixels) * 3 * 30);
        for (size_t i = 0; i < row.size(); i += 3) {
            const uint32_t kind = rng() % 8, v = rng();
            for (int c = 0; c < 3; ++c) {
                row[i + c] = static_cast<uint8_t>(kind == 0   ? v
                                                  : kind == 1 ? (v >> (8 * c) & 1) * 255
                                                              : rng());
            }
        }
        for (size_t at = 0; at < row.size(); at += static_cast<size_t>(pixels) * 3) {
            std::vector<uint8_t> got(row.begin() + at, row.begin() + at + pixels * 3);
            ShiftHueSaturationRow(tables, hue, sat, invert, got.data(), pixels);
            for (int32_t x = 0; x < pixels; ++x) {
                const uint8_t* src = &row[at + 3 * x];
                const uint8_t toned[3] = {tables[0][src[0]], tables[1][src[1]], tables[2][src[2]]};
                uint8_t want[3];
                ReferenceShift(toned, hue, sat, want);
                for (int c = 0; c < 3; ++c) {
                    if (invert) want[c] = static_cast<uint8_t>(255 - want[c]);
                    ASSERT_EQ(want[c], got[3 * x + c])
                        << "rgb " << int(toned[0]) << "," << int(toned[1]) << "," << int(toned[2])
                        << " channel " << c << " hue " << hue << " sat " << sat << " invert " << invert;
                }
            }
        }
    }
}

// Every blue and green beside a spread of reds, at the ends of the ranges.
TEST(ImageHueSaturationRows, MatchesTheRulesForEveryColour) {
    uint8_t identity[3][256];
    for (int c = 0; c < 3; ++c) {
        for (int v = 0; v < 256; ++v) identity[c][v] = static_cast<uint8_t>(v);
    }
    std::vector<uint8_t> row(256 * 256 * 3);
    for (const auto& [hue, sat] : {std::pair{180, 100}, {-180, 37}}) {
        for (int r = hue > 0 ? 0 : 7; r < 256; r += 31) {
            for (int i = 0; i < 256 * 256; ++i) {
                row[3 * i] = static_cast<uint8_t>(r);
                row[3 * i + 1] = static_cast<uint8_t>(i >> 8);
                row[3 * i + 2] = static_cast<uint8_t>(i);
            }
            ShiftHueSaturationRow(identity, hue, sat, false, row.data(), 256 * 256);
            for (int i = 0; i < 256 * 256; ++i) {
                const uint8_t in[3] = {static_cast<uint8_t>(r), static_cast<uint8_t>(i >> 8),
                                       static_cast<uint8_t>(i)};
                uint8_t want[3];
                ReferenceShift(in, hue, sat, want);
                ASSERT_TRUE(want[0] == row[3 * i] && want[1] == row[3 * i + 1] && want[2] == row[3 * i + 2])
                    << "rgb " << r << "," << (i >> 8) << "," << (i & 255) << " hue " << hue << " sat " << sat;
            }
        }
    }
}

}  // namespace
