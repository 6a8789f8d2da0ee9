// Output size, row length and image information of the delivered image.
#include "scan/image_info.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

ScanSettings Settings(int32_t pixelType, int32_t width, int32_t height) {
    ScanSettings s{};
    s.pixelType = pixelType;
    s.imageWidth = width;
    s.imageHeight = height;
    s.scalePercent = 100;
    return s;
}

TEST(ComputeOutputSize, FollowsScaleRotationDescreenAndInterpolation) {
    const struct {
        const char* name;
        int32_t pixelType, width, height, scale, rotation, descreen, resolutionIndex;
        int32_t outWidth, outHeight;
    } cases[] = {
        {"colour 300 dpi", 3, 2480, 3508, 100, 0, 0, 4, 2480, 3508},
        {"descreen halves colour", 3, 2480, 3508, 100, 0, 1, 4, 1240, 1754},
        {"descreen halves grey, odd sizes truncate", 2, 2481, 3509, 100, 0, 1, 5, 1240, 1754},
        {"descreen ignored for black and white", 0, 2480, 3508, 100, 0, 1, 4, 2480, 3508},
        {"descreen ignored at 600 dpi", 3, 4960, 7015, 100, 0, 1, 6, 4960, 7015},
        {"grey 1200 dpi interpolates twice", 2, 4960, 7015, 100, 0, 0, 7, 9920, 14030},
        {"descreen ignored at 1200 dpi", 2, 4960, 7015, 100, 0, 1, 7, 9920, 14030},
        {"4800 dpi interpolates eight times", 3, 100, 50, 100, 0, 0, 9, 800, 400},
        {"quarter turn exchanges", 3, 2480, 3508, 100, 1, 0, 4, 3508, 2480},
        {"three quarter turns exchange", 3, 2480, 3508, 100, 3, 0, 4, 3508, 2480},
        {"half turn keeps", 3, 2480, 3508, 100, 2, 0, 4, 2480, 3508},
        {"scale truncates", 3, 333, 333, 50, 0, 0, 4, 166, 166},
        {"scale with descreen", 3, 1000, 999, 150, 0, 1, 2, 750, 749},
        {"huge stays in 32 bits", 3, 2000000000, 10, 400, 0, 0, 9, INT32_MAX, 320},
        {"negative scale gives nothing", 3, 100, 100, -50, 0, 0, 4, 0, 0},
    };
    for (const auto& c : cases) {
        ScanSettings s = Settings(c.pixelType, c.width, c.height);
        s.scalePercent = c.scale;
        s.rotation = c.rotation;
        s.descreen = c.descreen;
        ComputeOutputSize(&s, c.resolutionIndex);
        EXPECT_EQ(c.outWidth, s.outputWidth) << c.name;
        EXPECT_EQ(c.outHeight, s.outputHeight) << c.name;
    }
}

TEST(ComputeOutputSize, PlainSizeIgnoresRotationAndDescreen) {
    ScanSettings s = Settings(3, 2480, 3508);
    s.rotation = 1;
    s.descreen = 1;
    int32_t w = 0, h = 0;
    PlainOutputSize(s, 7, &w, &h);
    EXPECT_EQ(4960, w);
    EXPECT_EQ(7016, h);
}

TEST(RowBytes, PixelTypeAndPurposeDecideLengthAndPadding) {
    const struct {
        int32_t pixelType, purpose;
        int64_t width, bytes;
    } cases[] = {
        {3, SCANPURPOSE_MEMORY, 2550, 7650},
        {3, SCANPURPOSE_NATIVE_OR_FILE, 2550, 7652},
        {3, SCANPURPOSE_PREVIEW, 2480, 7440},
        {2, SCANPURPOSE_MEMORY, 1001, 1001},
        {2, SCANPURPOSE_NATIVE_OR_FILE, 1001, 1004},
        {0, SCANPURPOSE_MEMORY, 9, 2},
        {1, SCANPURPOSE_MEMORY, 8, 1},
        {0, SCANPURPOSE_NATIVE_OR_FILE, 9, 4},
        {3, SCANPURPOSE_MEMORY, 0, 0},
        {3, SCANPURPOSE_MEMORY, -5, 0},
        {3, SCANPURPOSE_NATIVE_OR_FILE, 2000000000, 6000000000},
    };
    for (const auto& c : cases) {
        ScanSettings s = Settings(c.pixelType, 0, 0);
        s.scanPurpose = c.purpose;
        EXPECT_EQ(c.bytes, RowBytes(s, c.width)) << c.pixelType << "/" << c.purpose << "/" << c.width;
    }
}

TEST(DeliveredImageFits, RefusesImagesBeyondWhatOneJobMayAllocate) {
    const struct {
        const char* name;
        int32_t pixelType, resolutionIndex, scale;
        bool fits;
    } cases[] = {
        {"A4 colour 4800 dpi", 3, 9, 100, false},
        {"A4 grey 4800 dpi", 2, 9, 100, false},
        {"A4 bilevel 4800 dpi", 0, 9, 100, true},
        {"A4 colour 2400 dpi", 3, 8, 100, true},
        {"A4 colour 2400 dpi at 200%", 3, 8, 200, false},
        {"A4 colour 600 dpi", 3, 6, 100, true},
        {"empty image", 3, 9, 0, true},
    };
    for (const auto& c : cases) {
        ScanSettings s = Settings(c.pixelType, 4960, 7015);  // A4 as the device scans it at 600 dpi
        s.scalePercent = c.scale;
        s.scanPurpose = SCANPURPOSE_MEMORY;  // the limit holds for every mechanism
        EXPECT_EQ(c.fits, DeliveredImageFits(s, c.resolutionIndex)) << c.name;
    }
}

TEST(FillImageInfo, DescribesEachPixelType) {
    const struct {
        int32_t pixelType;
        TW_INT16 samples, firstBits, secondBits, bitsPerPixel, twainType;
    } cases[] = {{0, 1, 1, 0, 1, TWPT_BW},
                 {1, 1, 1, 0, 1, TWPT_BW},
                 {2, 1, 8, 0, 8, TWPT_GRAY},
                 {3, 3, 8, 8, 24, TWPT_RGB}};
    for (const auto& c : cases) {
        ScanSettings s = Settings(c.pixelType, 2480, 3508);
        ComputeOutputSize(&s, 4);
        TW_IMAGEINFO info;
        std::memset(&info, 0xAB, sizeof info);
        FillImageInfo(s, 4, &info);
        EXPECT_EQ(300, info.XResolution.Whole);
        EXPECT_EQ(0, info.XResolution.Frac);
        EXPECT_EQ(300, info.YResolution.Whole);
        EXPECT_EQ(2480, info.ImageWidth);
        EXPECT_EQ(3508, info.ImageLength);
        EXPECT_EQ(c.samples, info.SamplesPerPixel);
        EXPECT_EQ(c.firstBits, info.BitsPerSample[0]);
        EXPECT_EQ(c.secondBits, info.BitsPerSample[1]);
        EXPECT_EQ(0, info.BitsPerSample[7]);
        EXPECT_EQ(c.bitsPerPixel, info.BitsPerPixel);
        EXPECT_EQ(0, info.Planar);
        EXPECT_EQ(c.twainType, info.PixelType);
        EXPECT_EQ(TWCP_NONE, info.Compression);
    }
}

}  // namespace
