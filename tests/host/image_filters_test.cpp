#include <gtest/gtest.h>

#include "image/filters.h"
#include "image_test_support.h"

namespace {

void BuildFor(int size, int32_t sharpness) {
    if (size == 3) {
        BuildSharpenTables(sharpness);
    } else {
        BuildDescreenTables(sharpness);
    }
}

Pixel FilterAt(int size, const ScanSettings* s, int32_t x, int32_t y) {
    return size == 3 ? Sharpen3x3(s, x, y) : Descreen5x5(s, x, y);
}

TEST(ImageFilters, UniformImagesKeepTheirValueExceptTheBrightening5x5Kernel) {
    struct Case {
        int size;
        int32_t sharpness;
        uint8_t value;
        uint8_t expected;
    };
    std::vector<Case> cases;
    for (int32_t k : {-2, -1, 1, 2, 3}) cases.push_back({3, k, 100, 100});
    for (int32_t k : {-2, 0, 1, 2, 3}) cases.push_back({5, k, 100, 100});
    cases.push_back({5, -1, 100, 104});
    cases.push_back({5, -1, 250, 255});
    for (const Case& c : cases) {
        TestImage img(2, 7, 6);
        std::fill(img.input.begin(), img.input.end(), c.value);
        BuildFor(c.size, c.sharpness);
        for (int32_t y = 0; y < 6; ++y) {
            for (int32_t x = 0; x < 7; ++x) {
                ASSERT_EQ(c.expected, FilterAt(c.size, &img.settings, x, y).c[0])
                    << c.size << "x" << c.size << " sharpness " << c.sharpness << " at " << x << "," << y;
            }
        }
    }
}

TEST(ImageFilters, StrongestSharpenClampsASingleWhitePixel) {
    TestImage img(2, 5, 5);
    img.input[2 * 5 + 2] = 255;
    BuildSharpenTables(3);
    EXPECT_EQ(255, Sharpen3x3(&img.settings, 2, 2).c[0]);
    for (auto [x, y] : {std::pair{2, 1}, {1, 2}, {3, 2}, {2, 3}}) {
        EXPECT_EQ(0, Sharpen3x3(&img.settings, x, y).c[0]) << x << "," << y;
    }
}

TEST(ImageFilters, SinglePixelImageIsFilteredAgainstCopiesOfItself) {
    TestImage img(3, 1, 1);
    img.input = {10, 200, 90};
    img.settings.rows = img.input.data();
    BuildSharpenTables(3);
    Pixel p = Sharpen3x3(&img.settings, 0, 0);
    EXPECT_EQ((std::vector<int>{10, 200, 90}), (std::vector<int>{p.c[0], p.c[1], p.c[2]}));
    BuildDescreenTables(-1);  // 25 x 4 = 100 of 96: brightens
    p = Descreen5x5(&img.settings, 0, 0);
    EXPECT_EQ((std::vector<int>{10, 208, 93}), (std::vector<int>{p.c[0], p.c[1], p.c[2]}));
}

TEST(ImageFilters, KernelTablesHoldWeightTimesValue) {
    BuildDescreenTables(3);
    const DescreenTables& d = GetDescreenTables();
    EXPECT_EQ(-24 * 7, d.position[0][7]);      // corner (-2,-2): even offset sum
    EXPECT_EQ(24 * 7, d.position[1][7]);       // (-2,-1): odd
    EXPECT_EQ(96 * 255, d.position[12][255]);  // centre
    BuildSharpenTables(0);                     // "off": tables untouched
    BuildDescreenTables(4);
    EXPECT_EQ(96 * 255, GetDescreenTables().position[12][255]);
    BuildSharpenTables(-1);
    EXPECT_EQ(0, GetSharpenTables().corner[200]);
    EXPECT_EQ(9 * 200, GetSharpenTables().edge[200]);
    EXPECT_EQ(36 * 200, GetSharpenTables().centre[200]);
}

// The whole-row form must give the per-pixel bytes for every kernel, on
// colour and grey, including the clamped edges.
TEST(ImageFilters, RowFilterMatchesPerPixelFilterOnRandomImages) {
    std::mt19937 rng(7);
    for (int channels : {1, 3}) {
        for (int size : {3, 5}) {
            for (int32_t k = -2; k <= 3; ++k) {
                if (size == 3 && k == 0) continue;
                const int32_t w = 1 + rng() % 40, h = 1 + rng() % 9;
                TestImage img(channels == 3 ? 3 : 2, w, h);
                img.Fill(rng);
                BuildFor(size, k);
                RowFilter filter;
                filter.Prepare(size, channels);
                for (int32_t y = 0; y < h; ++y) {
                    std::vector<std::vector<uint8_t>> padded(size);
                    const uint8_t* taps[5];
                    for (int t = 0; t < size; ++t) {
                        const int32_t sy = std::clamp(y + t - size / 2, 0, h - 1);
                        const uint8_t* row = img.input.data() + static_cast<size_t>(sy) * w * channels;
                        for (int32_t x = -2; x < w + 2; ++x) {
                            const int32_t sx = std::clamp(x, 0, w - 1);
                            padded[t].insert(padded[t].end(), row + sx * channels, row + (sx + 1) * channels);
                        }
                        taps[t] = padded[t].data() + 2 * channels;
                    }
                    std::vector<uint8_t> out(static_cast<size_t>(w) * channels);
                    filter.Run(taps, w, out.data());
                    for (int32_t x = 0; x < w; ++x) {
                        const Pixel p = FilterAt(size, &img.settings, x, y);
                        for (int c = 0; c < channels; ++c) {
                            ASSERT_EQ(p.c[c], out[x * channels + c])
                                << size << "x" << size << " k " << k << " ch " << channels << " at " << x
                                << "," << y;
                        }
                    }
                }
            }
        }
    }
}

TEST(ImageFilters, MissingRowsGiveABlackPixelInsteadOfACrash) {
    ScanSettings s{};
    s.pixelType = 3;
    EXPECT_EQ(0, Sharpen3x3(&s, 0, 0).c[1]);
    EXPECT_EQ(0, Descreen5x5(nullptr, 0, 0).c[0]);
}

}  // namespace
