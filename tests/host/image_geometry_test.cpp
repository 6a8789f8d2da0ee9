#include <gtest/gtest.h>

#include <cstdlib>

#include "image/raster_geometry.h"
#include "image/row_bytes.h"
#include "image_test_support.h"

namespace {

enum Depth { kBit = 0, kGrey = 1, kColour = 3 };

int32_t PixelTypeOf(Depth d) { return d == kColour ? 3 : (d == kGrey ? 2 : 0); }

void Transform(Depth d, ScanSettings* s, int32_t page, uint8_t* dest, int32_t first, int32_t count) {
    if (d == kColour) TransformColorStrip(s, page, dest, first, count);
    if (d == kGrey) TransformGrayStrip(s, page, dest, first, count);
    if (d == kBit) TransformBitStrip(s, page, dest, first, count);
}

// Whole output image, fetched in strips of the given heights (cycled); each
// strip lands in its own exactly sized buffer so a stray write is caught.
std::vector<uint8_t> RunStrips(Depth d, ScanSettings* s, int32_t page, std::vector<int32_t> heights) {
    const int32_t stride = AlignedRowBytes(PixelTypeOf(d), s->outputWidth);
    std::vector<uint8_t> image;
    int32_t first = 0;
    for (size_t k = 0; first < s->outputHeight; ++k) {
        const int32_t count = std::min(heights[k % heights.size()], s->outputHeight - first);
        std::vector<uint8_t> strip(static_cast<size_t>(stride) * count, 0);
        Transform(d, s, page, strip.data(), first, count);
        image.insert(image.end(), strip.begin(), strip.end());
        first += count;
    }
    return image;
}

// The straightforward form of the geometry for grey and colour: per pixel,
// through the position table and the error stepping as the rules read.
std::vector<uint8_t> Reference(Depth d, const ScanSettings& s, int32_t page) {
    const int bpp = d;
    const int32_t W = s.imageWidth, H = s.imageHeight, w = s.outputWidth, h = s.outputHeight;
    int32_t q = s.rotation;
    if (s.rotateBackPages == 1 && page % 2 == 0) q = (q + 2) % 4;
    const int k = s.descreen ? 2 : 1;
    const auto at = [&](int32_t u, int32_t v, int c) {
        u *= k, v *= k;
        int32_t row, col;
        if (s.scanPurpose == 0) {
            const int32_t rows[4] = {v, H - 1 - u, H - 1 - v, u};
            const int32_t cols[4] = {u, v, W - 1 - u, W - 1 - v};
            row = rows[q], col = cols[q];
        } else {
            const int32_t rows[4] = {H - 1 - v, H - 1 - u, v, u};
            const int32_t cols[4] = {u, W - 1 - v, W - 1 - u, v};
            row = rows[q], col = cols[q];
        }
        row = std::clamp(row, 0, H - 1);
        col = std::clamp(col, 0, W - 1);
        if (bpp == 3 && s.scanPurpose == 1) c = 2 - c;
        return int(s.imageBase[(static_cast<size_t>(row) * W + col) * bpp + c]);
    };
    const bool quarter = s.rotation % 2 == 1;
    const int32_t A = (quarter ? H : W) / k, B = (quarter ? W : H) / k;
    const int32_t dx = w - A, dy = h - B, m = dx > 0 ? A : w, n = dx > 0 ? B : h;
    // Per axis: source index and interpolation error (-1 none) of each position.
    const auto axis = [&](int32_t count, int32_t delta, int32_t limit, bool rows) {
        std::vector<std::pair<int32_t, int32_t>> out;
        int32_t err = 0, i = -1;
        for (int32_t p = 0; p < count; ++p) {
            if (dx >= 0) {
                if (err < limit) {
                    err += delta, ++i;
                    out.push_back({i, -1});
                } else {
                    out.push_back({i, err});
                    err -= limit;
                }
            } else {
                err += std::abs(delta), ++i;
                if (rows) {
                    while (err >= limit) err -= limit, ++i;
                    out.push_back({i, -1});
                } else {
                    out.push_back({i, -1});
                    while (err >= limit) err -= limit, ++i;
                }
            }
        }
        return out;
    };
    const auto cols = axis(w, dx, m, false);
    const auto rowsMap = axis(h, dy, n, true);
    const int32_t stride = (w * bpp + 3) / 4 * 4;
    std::vector<uint8_t> out(static_cast<size_t>(stride) * h, 0);
    const auto pixel = [&](int32_t v, int32_t x, int c) {
        const auto [u, e] = cols[x];
        if (e < 0) return at(u, v, c);
        return (at(u, v, c) * e + at(u + 1, v, c) * (w - e)) / w;
    };
    for (int32_t y = 0; y < h; ++y) {
        const auto [v, e] = rowsMap[y];
        for (int32_t x = 0; x < w; ++x) {
            for (int c = 0; c < bpp; ++c) {
                int value = pixel(v, x, c);
                // A row error past h (kept width, taller output) is held at h,
                // so the row stays between its neighbours.
                const int32_t k = std::min(e, h);
                if (e >= 0) value = (pixel(v + 1, x, c) * (h - k) + value * k) / h;
                out[static_cast<size_t>(y) * stride + x * bpp + c] = static_cast<uint8_t>(value);
            }
        }
    }
    return out;
}

void SetOutputSize(ScanSettings& s, int32_t percent) {
    const bool quarter = s.rotation % 2 == 1;
    const int k = s.descreen ? 2 : 1;
    s.outputWidth = std::max(1, (quarter ? s.imageHeight : s.imageWidth) / k * percent / 100);
    s.outputHeight = std::max(1, (quarter ? s.imageWidth : s.imageHeight) / k * percent / 100);
}

TEST(ImageGeometry, SameSizeMemoryTransferCopiesRowsWithAlignedStride) {
    std::mt19937 rng(1);
    TestImage img(2, 5, 3);
    img.Fill(rng);
    img.settings.outputWidth = 5, img.settings.outputHeight = 3;
    const std::vector<uint8_t> out = RunStrips(kGrey, &img.settings, 1, {3});
    for (int32_t r = 0; r < 3; ++r) {
        for (int32_t x = 0; x < 8; ++x) {
            EXPECT_EQ(x < 5 ? img.input[r * 5 + x] : 0, out[r * 8 + x]) << x << "," << r;
        }
    }
    EXPECT_EQ(3, img.settings.rowsDelivered);
}

TEST(ImageGeometry, BitmapsStartAtTheBottomRowAndSwapColourBytes) {
    TestImage img(3, 1, 2);
    img.input = {1, 2, 3, 4, 5, 6};
    img.settings.imageBase = img.input.data();
    img.settings.outputWidth = 1, img.settings.outputHeight = 2;
    img.settings.scanPurpose = 1;
    EXPECT_EQ((std::vector<uint8_t>{6, 5, 4, 0, 3, 2, 1, 0}), RunStrips(kColour, &img.settings, 1, {1}));
    img.settings.scanPurpose = 0;
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 0, 4, 5, 6, 0}), RunStrips(kColour, &img.settings, 1, {2}));
}

TEST(ImageGeometry, GreyRowEnlargesWithInterpolation) {
    TestImage img(2, 2, 1);
    img.input = {10, 30};
    img.settings.imageBase = img.input.data();
    img.settings.outputWidth = 4, img.settings.outputHeight = 1;
    EXPECT_EQ((std::vector<uint8_t>{10, 20, 30, 30}), RunStrips(kGrey, &img.settings, 1, {1}));
}

TEST(ImageGeometry, DoublingAveragesRowsAndColumnsInBetween) {
    TestImage img(2, 2, 2);
    img.input = {10, 30, 50, 71};
    img.settings.imageBase = img.input.data();
    img.settings.outputWidth = 4, img.settings.outputHeight = 4;
    const std::vector<uint8_t> want = {10, 20, 30, 30, 30, 40, 50, 50, 50, 60, 71, 71, 50, 60, 71, 71};
    EXPECT_EQ(want, RunStrips(kGrey, &img.settings, 1, {1, 3}));
}

TEST(ImageGeometry, BitReductionKeepsOddRowsAndEvenColumns) {
    TestImage img(0, 8, 4);
    img.input = {0xB2, 0x00, 0xFF, 0x0F};  // rows 0..3: 10110010, 0, 11111111, 00001111
    img.settings.imageBase = img.input.data();
    img.settings.outputWidth = 4, img.settings.outputHeight = 2;
    // Row 1 -> 0000, row 3 -> 0011 (columns 0, 2, 4, 6).
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0, 0, 0, 0x30, 0, 0, 0}), RunStrips(kBit, &img.settings, 1, {2}));
    // One row: 1,0,1,1,0,0,1,0 at width 4 gives 1,1,0,1.
    TestImage row(0, 8, 1);
    row.input = {0xB2};
    row.settings.imageBase = row.input.data();
    row.settings.outputWidth = 4, row.settings.outputHeight = 1;
    EXPECT_EQ((std::vector<uint8_t>{0xD0, 0, 0, 0}), RunStrips(kBit, &row.settings, 1, {1}));
}

TEST(ImageGeometry, BitEnlargementRepeatsPixelsAndRows) {
    TestImage img(0, 2, 1);
    img.input = {0x80};  // 1, 0
    img.settings.imageBase = img.input.data();
    img.settings.outputWidth = 4, img.settings.outputHeight = 2;
    EXPECT_EQ((std::vector<uint8_t>{0xC0, 0, 0, 0, 0xC0, 0, 0, 0}), RunStrips(kBit, &img.settings, 1, {1}));
}

// Scaling one axis up and the other down does not occur in the product; it
// must still stay inside both buffers and finish.
TEST(ImageGeometry, MixedScalingStaysInsideTheBuffers) {
    std::mt19937 rng(9);
    for (Depth d : {kColour, kGrey, kBit}) {
        for (auto [w, h] : {std::pair{9, 1}, {1, 9}, {2, 7}, {7, 2}}) {
            TestImage img(PixelTypeOf(d), 4, 4);
            img.Fill(rng);
            img.settings.outputWidth = w, img.settings.outputHeight = h;
            EXPECT_EQ(static_cast<size_t>(AlignedRowBytes(PixelTypeOf(d), w)) * h,
                      RunStrips(d, &img.settings, 1, {2}).size());
            EXPECT_EQ(h, img.settings.rowsDelivered);
        }
    }
}

// Width kept while the height grows (a rounding of the output size): the row
// error can pass h, and the rows must still be blends of their neighbours.
TEST(ImageGeometry, KeptWidthWithTallerOutputBlendsWithinNeighbours) {
    TestImage img(2, 2, 4);
    img.input = {0, 0, 85, 85, 170, 170, 255, 255};
    img.settings.imageBase = img.input.data();
    img.settings.outputWidth = 2, img.settings.outputHeight = 7;  // row error reaches 9 > 7 at row 3
    const std::vector<uint8_t> out = RunStrips(kGrey, &img.settings, 1, {7});
    std::vector<int> column;
    for (int32_t r = 0; r < 7; ++r) column.push_back(out[r * 4]);
    EXPECT_EQ((std::vector<int>{0, 85, 170, 170, 255, 255, 255}), column);
}

TEST(ImageGeometry, BackPagesGetTwoMoreQuarterTurns) {
    ScanSettings s{};
    s.rotation = 1;
    s.rotateBackPages = 1;
    EXPECT_EQ(3, EffectiveTurns(&s, 2));
    EXPECT_EQ(1, EffectiveTurns(&s, 1));
    s.rotateBackPages = 0;
    EXPECT_EQ(1, EffectiveTurns(&s, 2));
    // A 2x1 grey image "a b" turned for an even page with rotation 1:
    // counter-clockwise, so b lands on top.
    TestImage img(2, 2, 1);
    img.input = {7, 9};
    img.settings.imageBase = img.input.data();
    img.settings.rotation = 1, img.settings.rotateBackPages = 1;
    img.settings.outputWidth = 1, img.settings.outputHeight = 2;
    EXPECT_EQ((std::vector<uint8_t>{9, 0, 0, 0, 7, 0, 0, 0}), RunStrips(kGrey, &img.settings, 2, {2}));
    EXPECT_EQ((std::vector<uint8_t>{7, 0, 0, 0, 9, 0, 0, 0}), RunStrips(kGrey, &img.settings, 3, {2}));
}

// Packs aligned output rows back into an input image for the next turn.
std::vector<uint8_t> Pack(const std::vector<uint8_t>& out, int32_t rowBytes, int32_t stride, int32_t rows) {
    std::vector<uint8_t> packed;
    for (int32_t r = 0; r < rows; ++r)
        packed.insert(packed.end(), &out[r * stride], &out[r * stride] + rowBytes);
    return packed;
}

std::vector<uint8_t> Turn(Depth d, const std::vector<uint8_t>& src, int32_t& w, int32_t& h, int32_t q) {
    ScanSettings s{};
    s.pixelType = PixelTypeOf(d);
    s.imageWidth = w, s.imageHeight = h, s.rotation = q;
    s.imageBase = const_cast<uint8_t*>(src.data());
    if (q % 2) std::swap(w, h);
    s.outputWidth = w, s.outputHeight = h;
    const std::vector<uint8_t> out = RunStrips(d, &s, 1, {3, 1});
    return Pack(out, PackedRowBytes(s.pixelType, w), AlignedRowBytes(s.pixelType, w), h);
}

TEST(ImageGeometry, QuarterTurnsComposeBackToTheSource) {
    std::mt19937 rng(5);
    for (Depth d : {kColour, kGrey, kBit}) {
        for (int iteration = 0; iteration < 20; ++iteration) {
            int32_t w = 1 + rng() % 19, h = 1 + rng() % 13;
            TestImage img(PixelTypeOf(d), w, h);
            img.Fill(rng);
            if (d == kBit && w % 8) {  // padding bits are not part of the image
                for (int32_t r = 0; r < h; ++r) img.input[r * img.RowLength() + w / 8] &= 0xFF00 >> (w % 8);
            }
            std::vector<uint8_t> four = img.input;
            for (int t = 0; t < 4; ++t) four = Turn(d, four, w, h, 1);
            EXPECT_EQ(img.input, four) << "depth " << d << " four quarter turns, iteration " << iteration;
            std::vector<uint8_t> there = Turn(d, img.input, w, h, 1);
            EXPECT_EQ(img.input, Turn(d, there, w, h, 3)) << "depth " << d << " 1 then 3";
            EXPECT_EQ(img.input, Turn(d, Turn(d, img.input, w, h, 2), w, h, 2))
                << "depth " << d << " 2 twice";
        }
    }
}

TEST(ImageGeometry, MatchesTheStraightFormAndStripsDoNotMatter) {
    std::mt19937 rng(6);
    for (int iteration = 0; iteration < 300; ++iteration) {
        const Depth d = rng() % 2 ? kColour : kGrey;
        TestImage img(PixelTypeOf(d), 1 + rng() % 17, 1 + rng() % 17);
        img.Fill(rng);
        ScanSettings& s = img.settings;
        s.rotation = rng() % 4;
        s.rotateBackPages = rng() % 2;
        s.scanPurpose = rng() % 2;
        s.descreen = rng() % 4 == 0;
        const int32_t percents[] = {25, 50, 75, 100, 100, 130, 200, 250, 400};
        SetOutputSize(s, percents[rng() % 9]);
        const int32_t page = rng() % 3;
        const std::vector<uint8_t> want = Reference(d, s, page);
        const std::vector<uint8_t> whole = RunStrips(d, &s, page, {s.outputHeight});
        ASSERT_EQ(want, whole) << "iteration " << iteration << " q " << s.rotation << " purpose "
                               << s.scanPurpose << " " << s.imageWidth << "x" << s.imageHeight << " -> "
                               << s.outputWidth << "x" << s.outputHeight;
        std::vector<int32_t> heights;
        for (int k = 0; k < 5; ++k) heights.push_back(1 + rng() % 4);
        ASSERT_EQ(whole, RunStrips(d, &s, page, heights)) << "iteration " << iteration;
        EXPECT_EQ(s.outputHeight, s.rowsDelivered);
    }
}

TEST(ImageGeometry, BitStripsOfAnySizeGiveTheSameImage) {
    std::mt19937 rng(8);
    for (int iteration = 0; iteration < 60; ++iteration) {
        TestImage img(0, 1 + rng() % 30, 1 + rng() % 12);
        img.Fill(rng);
        ScanSettings& s = img.settings;
        s.rotation = rng() % 4;
        s.scanPurpose = rng() % 2;
        SetOutputSize(s, rng() % 2 ? 50 : 300);
        const std::vector<uint8_t> whole = RunStrips(kBit, &s, 1, {s.outputHeight});
        ASSERT_EQ(whole, RunStrips(kBit, &s, 1, {1, 2, 5})) << iteration;
    }
}

TEST(ImageGeometry, ASecondImageStartsCleanAndOutOfOrderStripsWriteNothing) {
    TestImage a(2, 2, 2);
    a.input = {0, 0, 0, 0};
    a.settings.outputWidth = 4, a.settings.outputHeight = 4;
    std::vector<uint8_t> strip(8, 0);
    TransformGrayStrip(&a.settings, 1, strip.data(), 0, 2);  // leaves row cached mid-image
    TestImage b(2, 2, 2);
    b.input = {200, 200, 200, 200};
    b.settings.outputWidth = 4, b.settings.outputHeight = 4;
    const std::vector<uint8_t> out = RunStrips(kGrey, &b.settings, 1, {4});
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t v) { return v == 200; }));
    std::vector<uint8_t> stray(4, 7);
    TransformGrayStrip(&b.settings, 1, stray.data(), 2, 1);  // image finished: nothing to continue
    EXPECT_EQ((std::vector<uint8_t>{7, 7, 7, 7}), stray);
    TransformGrayStrip(nullptr, 1, stray.data(), 0, 1);
    b.settings.imageBase = nullptr;
    TransformGrayStrip(&b.settings, 1, stray.data(), 0, 1);
    EXPECT_EQ((std::vector<uint8_t>{7, 7, 7, 7}), stray);
}

TEST(ImageGeometry, ReadAndSetBitsMostSignificantFirst) {
    const uint8_t image[2] = {0x80, 0x01};  // 8x2: (0,0) and (7,1) set
    EXPECT_EQ(1, ReadSourceBit(0, 0, 1, image, 8, 2, 0, 0));
    EXPECT_EQ(1, ReadSourceBit(0, 0, 1, image, 8, 2, 7, 1));
    EXPECT_EQ(1, ReadSourceBit(0, 0, 1, image, 8, 2, 99, 99)) << "clamped to the corner";
    EXPECT_EQ(1, ReadSourceBit(0, 1, 1, image, 8, 2, 0, 1)) << "bottom-up: v 1 is the top row";
    EXPECT_EQ(0, ReadSourceBit(0, 0, 1, nullptr, 8, 2, 0, 0));
    uint8_t out[4] = {0x01, 0, 0, 0};
    SetOutputBit(out, 2, 0, 0);
    SetOutputBit(out, 2, 9, 1);
    EXPECT_EQ(0x81, out[0]);
    EXPECT_EQ(0x40, out[3]);
}

}  // namespace

namespace {

// Turned images wider and taller than one tile of the turned gather, in
// strips that end inside tiles, against the straight form.
TEST(ImageGeometry, TurnedPagesLargerThanATileMatchTheStraightForm) {
    std::mt19937 rng(61);
    for (int iteration = 0; iteration < 12; ++iteration) {
        const Depth d = iteration % 3 == 2 ? kColour : kGrey;
        TestImage img(PixelTypeOf(d), 60 + rng() % 140, 60 + rng() % 140);
        img.Fill(rng);
        ScanSettings& s = img.settings;
        s.rotation = iteration % 2 ? 1 : 3;
        s.scanPurpose = iteration / 2 % 2;
        SetOutputSize(s, iteration % 4 == 3 ? 200 : 100);
        const std::vector<uint8_t> want = Reference(d, s, 1);
        ASSERT_EQ(want, RunStrips(d, &s, 1, {7, 64, 1, s.outputHeight}))
            << "iteration " << iteration << " " << s.imageWidth << "x" << s.imageHeight;
    }
}

}  // namespace

namespace {

// The bitmap laid out in the image's own block is the one the strip
// transform builds, behind the header; widths cover every row padding.
TEST(ImageGeometry, BitmapLaidOutInPlaceEqualsTheTransformedStrips) {
    std::mt19937 rng(83);
    const struct {
        Depth depth;
        int32_t width, height;
        uint32_t header;
    } cases[] = {{kColour, 1, 1, 40}, {kColour, 5, 2, 40}, {kColour, 6, 3, 40}, {kColour, 7, 4, 40},
                 {kColour, 8, 7, 40}, {kGrey, 1, 1, 1064}, {kGrey, 2, 5, 1064}, {kGrey, 3, 2, 1064},
                 {kGrey, 4, 9, 1064}, {kGrey, 9, 3, 1064}};
    for (const auto& c : cases) {
        TestImage img(PixelTypeOf(c.depth), c.width, c.height);
        img.Fill(rng);
        ScanSettings& s = img.settings;
        s.scanPurpose = SCANPURPOSE_NATIVE_OR_FILE;
        s.outputWidth = c.width, s.outputHeight = c.height;
        ASSERT_TRUE(BitmapKeepsImageRows(&s, 1));
        const std::vector<uint8_t> want = RunStrips(c.depth, &s, 1, {c.height});
        // The block as the scan leaves it: image rows first, stale bytes after.
        std::vector<uint8_t> block(c.header + want.size() + 11, 0xEE);
        std::copy(img.input.begin(), img.input.end(), block.begin());
        s.imageBase = block.data();
        ASSERT_TRUE(LayOutBitmapInPlace(&s, block.data(), block.size(), c.header));
        const std::vector<uint8_t> rows(block.begin() + c.header, block.begin() + c.header + want.size());
        EXPECT_EQ(want, rows) << c.width << "x" << c.height;
        EXPECT_TRUE(std::all_of(block.end() - 11, block.end(), [](uint8_t b) { return b == 0; }));
        // One byte short: refused, and the image is left as it was.
        std::vector<uint8_t> small(c.header + want.size() - 1, 0xEE);
        std::copy(img.input.begin(), img.input.end(), small.begin());
        const std::vector<uint8_t> before = small;
        EXPECT_FALSE(LayOutBitmapInPlace(&s, small.data(), small.size(), c.header));
        EXPECT_EQ(before, small);
    }
}

// Only a bitmap that is the image's own rows may take its place.
TEST(ImageGeometry, OnlyUnchangedGreyAndColourBitmapsKeepTheImageRows) {
    const struct {
        const char* what;
        void (*change)(ScanSettings&);
        int32_t page;
        bool keeps;
    } cases[] = {
        {"plain colour", [](ScanSettings&) {}, 1, true},
        {"grey", [](ScanSettings& s) { s.pixelType = 2; }, 1, true},
        {"black and white", [](ScanSettings& s) { s.pixelType = 0; }, 1, false},
        {"memory transfer", [](ScanSettings& s) { s.scanPurpose = SCANPURPOSE_MEMORY; }, 1, false},
        {"quarter turn", [](ScanSettings& s) { s.rotation = 1; }, 1, false},
        {"half turn", [](ScanSettings& s) { s.rotation = 2; }, 1, false},
        {"back page turned", [](ScanSettings& s) { s.rotateBackPages = 1; }, 2, false},
        {"front page kept", [](ScanSettings& s) { s.rotateBackPages = 1; }, 1, true},
        {"descreen", [](ScanSettings& s) { s.descreen = 1; }, 1, false},
        {"wider", [](ScanSettings& s) { s.outputWidth = 9; }, 1, false},
        {"shorter", [](ScanSettings& s) { s.outputHeight = 3; }, 1, false},
    };
    for (const auto& c : cases) {
        TestImage img(3, 8, 4);
        img.settings.scanPurpose = SCANPURPOSE_NATIVE_OR_FILE;
        img.settings.outputWidth = 8, img.settings.outputHeight = 4;
        c.change(img.settings);
        EXPECT_EQ(c.keeps, BitmapKeepsImageRows(&img.settings, c.page)) << c.what;
    }
}

}  // namespace
