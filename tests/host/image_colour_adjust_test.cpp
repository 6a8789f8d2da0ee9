#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "image/colour_adjust.h"

namespace {

Pixel Rgb(int r, int g, int b) {
    return Pixel{{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)}};
}

TEST(ImageColourAdjust, LightnessMovesTowardWhiteOrBlack) {
    const Pixel p = Rgb(100, 0, 255);
    Pixel up = ApplyLightness(p, 50);
    EXPECT_EQ(177, up.c[0]);
    EXPECT_EQ(127, up.c[1]);
    EXPECT_EQ(255, up.c[2]);
    Pixel down = ApplyLightness(p, -50);
    EXPECT_EQ(50, down.c[0]);
    EXPECT_EQ(0, down.c[1]);
    EXPECT_EQ(127, down.c[2]);
    Pixel same = ApplyLightness(p, 0);
    EXPECT_EQ(0, std::memcmp(same.c, p.c, 3));
    EXPECT_EQ(255, ApplyLightness(p, 100).c[1]);
    EXPECT_EQ(0, ApplyLightness(p, -100).c[2]);
}

// One case per branch of the hue rule, plus grey, black and the light side.
TEST(ImageColourAdjust, RgbToHslFollowsEachHueCase) {
    struct Case {
        Pixel in;
        Hsl hsl;
    };
    const Case cases[] = {
        {Rgb(255, 0, 0), {0, 10000, 5000}},        // max R, min B
        {Rgb(200, 100, 0), {30, 10000, 3921}},     // max R, min B
        {Rgb(100, 200, 0), {90, 10000, 3921}},     // max G, min B: (G-R)*60/d + 60
        {Rgb(0, 200, 100), {150, 10000, 3921}},    // max G, min R
        {Rgb(0, 100, 200), {210, 10000, 3921}},    // max B, min R
        {Rgb(100, 0, 200), {270, 10000, 3921}},    // max B, min G
        {Rgb(200, 0, 100), {330, 10000, 3921}},    // max R, min G
        {Rgb(90, 90, 90), {0, 0, 3529}},           // grey: no hue or saturation
        {Rgb(0, 0, 0), {0, 0, 0}},                 // black
        {Rgb(255, 200, 220), {338, 10000, 8921}},  // lightness above one half
    };
    for (const Case& c : cases) {
        const Hsl h = RgbToHsl(c.in);
        EXPECT_EQ(c.hsl.hue, h.hue) << int(c.in.c[0]) << "," << int(c.in.c[1]) << "," << int(c.in.c[2]);
        EXPECT_EQ(c.hsl.saturation, h.saturation) << int(c.in.c[0]) << "," << int(c.in.c[1]);
        EXPECT_EQ(c.hsl.lightness, h.lightness) << int(c.in.c[0]) << "," << int(c.in.c[1]);
    }
}

TEST(ImageColourAdjust, HslRoundTripStaysWithinTruncationError) {
    int worst = 0;
    for (int r = 0; r < 256; r += 3) {
        for (int g = 0; g < 256; g += 5) {
            for (int b = 0; b < 256; b += 7) {
                const Pixel back = HslToRgb(RgbToHsl(Rgb(r, g, b)));
                worst = std::max(
                    {worst, std::abs(back.c[0] - r), std::abs(back.c[1] - g), std::abs(back.c[2] - b)});
            }
        }
    }
    EXPECT_LE(worst, 6);
    for (Pixel p : {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 255), Rgb(0, 0, 0)}) {
        const Pixel back = HslToRgb(RgbToHsl(p));
        EXPECT_EQ(0, std::memcmp(back.c, p.c, 3)) << int(p.c[0]) << "," << int(p.c[1]) << "," << int(p.c[2]);
    }
}

TEST(ImageColourAdjust, HslToRgbLimitsSaturationAndWrapsHue) {
    const Pixel a = HslToRgb(Hsl{0, 25000, 5000});
    const Pixel b = HslToRgb(Hsl{0, 10000, 5000});
    EXPECT_EQ(0, std::memcmp(a.c, b.c, 3));
    const Pixel c = HslToRgb(Hsl{-120, 10000, 5000});  // same as 240: blue
    EXPECT_EQ(0, c.c[0]);
    EXPECT_EQ(0, c.c[1]);
    EXPECT_EQ(255, c.c[2]);
    const Pixel grey = HslToRgb(Hsl{77, 0, 5000});
    EXPECT_EQ(127, grey.c[0]);
    EXPECT_EQ(127, grey.c[2]);
}

TEST(ImageColourAdjust, HueTurnsRedToGreenAndSaturationMinusHundredGivesGrey) {
    const Pixel green = ShiftHueSaturation(Rgb(255, 0, 0), 120, 0);
    EXPECT_EQ(0, green.c[0]);
    EXPECT_EQ(255, green.c[1]);
    EXPECT_EQ(0, green.c[2]);
    const Pixel grey = ShiftHueSaturation(Rgb(200, 100, 0), 0, -100);
    EXPECT_EQ(grey.c[0], grey.c[1]);
    EXPECT_EQ(grey.c[1], grey.c[2]);
}

}  // namespace
