// twscan's BMP output: native DIBs checked and written unchanged, memory
// strips assembled bottom-up with the right palette and pixel order.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "tools/twscan/bmp_image.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// A packed DIB with a palette of 'colours' entries and zeroed rows.
std::vector<uint8_t> Dib(int32_t width, int32_t height, uint16_t bits, uint32_t colours) {
    const uint64_t rowBytes = BmpRowBytes(static_cast<uint64_t>(width), bits);
    const int32_t rows = height < 0 ? -height : height;
    std::vector<uint8_t> dib(40 + 4 * colours + rowBytes * rows, 0);
    Put32(dib, 0, 40);
    Put32(dib, 4, static_cast<uint32_t>(width));
    Put32(dib, 8, static_cast<uint32_t>(height));
    dib[12] = 1;
    dib[14] = static_cast<uint8_t>(bits);
    Put32(dib, 32, colours);
    return dib;
}

// A header claiming an image of about 12 exabytes, with no rows behind it.
std::vector<uint8_t> Huge() {
    std::vector<uint8_t> dib = Dib(1, 1, 24, 0);
    Put32(dib, 4, 0x7fffffff);
    Put32(dib, 8, 0x7fffffff);
    return dib;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string TempPath(const char* name) { return testing::TempDir() + name; }

TEST(TwscanBmp, DibsAreCheckedAgainstTheirBlock) {
    const struct {
        const char* name;
        std::vector<uint8_t> dib;
        size_t size;  // 0: the whole vector
        bool ok;
    } cases[] = {
        {"colour", Dib(3, 2, 24, 0), 0, true},
        {"grey with implicit palette", Dib(5, 1, 8, 0), 0, false},  // palette of 256 expected, none there
        {"grey", Dib(5, 1, 8, 256), 0, true},
        {"bilevel", Dib(9, 3, 1, 2), 0, true},
        {"top-down", Dib(4, -2, 24, 0), 0, true},
        {"short block", Dib(3, 2, 24, 0), 40 + 12, false},
        {"header only", Dib(3, 2, 24, 0), 39, false},
        {"16-bit", Dib(3, 2, 16, 0), 0, false},
        {"zero width", Dib(0, 2, 24, 0), 0, false},
        {"huge", Huge(), 0, false},
    };
    for (const auto& c : cases) {
        DibLayout layout;
        std::string error;
        const size_t size = c.size != 0 ? c.size : c.dib.size();
        EXPECT_EQ(c.ok, InspectDib(c.dib.data(), size, &layout, &error)) << c.name << ": " << error;
    }
    DibLayout layout;
    std::string error;
    EXPECT_FALSE(InspectDib(nullptr, 100, &layout, &error));
}

TEST(TwscanBmp, NativeDibIsWrittenBehindAFileHeader) {
    std::vector<uint8_t> dib = Dib(3, 2, 8, 256);
    for (size_t i = 40 + 1024; i < dib.size(); ++i) dib[i] = static_cast<uint8_t>(i);
    DibLayout layout;
    std::string error;
    ASSERT_TRUE(InspectDib(dib.data(), dib.size(), &layout, &error)) << error;
    EXPECT_EQ(4u, layout.rowBytes);
    EXPECT_EQ(40u + 1024u, layout.headerBytes);
    const std::string path = TempPath("native.bmp");
    ASSERT_TRUE(WriteDibAsBmp(path, dib.data(), layout, &error)) << error;
    const std::vector<uint8_t> file = ReadAll(path);
    ASSERT_EQ(14 + dib.size(), file.size());
    EXPECT_EQ('B', file[0]);
    EXPECT_EQ('M', file[1]);
    EXPECT_EQ(file.size(), Get32(file, 2));
    EXPECT_EQ(14u + 40u + 1024u, Get32(file, 10));
    EXPECT_TRUE(std::equal(dib.begin(), dib.end(), file.begin() + 14));
    DibLayout back;
    EXPECT_TRUE(InspectBmpFile(path, &back, &error)) << error;
    EXPECT_EQ(3, back.width);
    std::remove(path.c_str());
}

TEST(TwscanBmp, ColourStripsBecomeBottomUpBgrRows) {
    // 2 x 3 image, rows top-down, pixel (x, y) = (10y+x, 100+y, 200+x).
    StripAssembler image(MemoryImageFormat{2, 3, 24, false, 300});
    std::string error;
    ASSERT_TRUE(image.Valid(&error));
    auto strip = [](uint32_t y0, uint32_t rows) {
        std::vector<uint8_t> data(8 * rows, 0xEE);  // 8 bytes per row: 6 used, 2 padding
        for (uint32_t r = 0; r < rows; ++r) {
            for (uint32_t x = 0; x < 2; ++x) {
                data[8 * r + 3 * x] = static_cast<uint8_t>(10 * (y0 + r) + x);
                data[8 * r + 3 * x + 1] = static_cast<uint8_t>(100 + y0 + r);
                data[8 * r + 3 * x + 2] = static_cast<uint8_t>(200 + x);
            }
        }
        return data;
    };
    std::vector<uint8_t> first = strip(0, 2);
    std::vector<uint8_t> second = strip(2, 1);
    ASSERT_TRUE(image.AddStrip(MemoryStrip{8, 2, 2, 0, 0, 16}, first.data(), first.size(), &error)) << error;
    ASSERT_TRUE(image.AddStrip(MemoryStrip{8, 2, 1, 0, 2, 8}, second.data(), second.size(), &error)) << error;
    EXPECT_EQ(3, image.RowsReceived());
    const std::string path = TempPath("colour.bmp");
    ASSERT_TRUE(image.WriteBmp(path, &error)) << error;
    const std::vector<uint8_t> file = ReadAll(path);
    ASSERT_EQ(14u + 40u + 3 * 8, file.size());
    EXPECT_EQ(54u, Get32(file, 10));
    EXPECT_EQ(11811u, Get32(file, 14 + 24));
    for (uint32_t y = 0; y < 3; ++y) {
        const size_t row = 54 + (2 - y) * 8;  // bottom-up
        for (uint32_t x = 0; x < 2; ++x) {
            EXPECT_EQ(200 + x, file[row + 3 * x]) << "blue of " << x << "," << y;
            EXPECT_EQ(100 + y, file[row + 3 * x + 1]);
            EXPECT_EQ(10 * y + x, file[row + 3 * x + 2]) << "red of " << x << "," << y;
        }
        EXPECT_EQ(0, file[row + 6]) << "padding";
    }
    std::remove(path.c_str());
}

TEST(TwscanBmp, GreyAndBilevelPalettesFollowThePixelFlavor) {
    const struct {
        uint16_t bits;
        bool zeroIsWhite;
        uint8_t firstEntry;
        uint8_t lastEntry;
        uint32_t colours;
    } cases[] = {
        {8, false, 0, 255, 256}, {8, true, 255, 0, 256}, {1, false, 0, 255, 2}, {1, true, 255, 0, 2}};
    for (const auto& c : cases) {
        StripAssembler image(MemoryImageFormat{10, 1, c.bits, c.zeroIsWhite, 200});
        std::vector<uint8_t> row(16, 0x5A);
        std::string error;
        ASSERT_TRUE(image.AddStrip(MemoryStrip{16, 10, 1, 0, 0, 16}, row.data(), row.size(), &error))
            << error;
        const std::string path = TempPath("palette.bmp");
        ASSERT_TRUE(image.WriteBmp(path, &error)) << error;
        const std::vector<uint8_t> file = ReadAll(path);
        EXPECT_EQ(14u + 40u + 4 * c.colours, Get32(file, 10));
        EXPECT_EQ(c.firstEntry, file[54]);
        EXPECT_EQ(c.lastEntry, file[54 + 4 * (c.colours - 1)]);
        EXPECT_EQ(0x5A, file[Get32(file, 10)]);
        std::remove(path.c_str());
    }
}

TEST(TwscanBmp, StripsThatDoNotFitAreRefused) {
    std::vector<uint8_t> data(64, 0);
    const struct {
        const char* name;
        MemoryStrip strip;
        size_t dataBytes;
    } cases[] = {
        {"beyond the height", {12, 4, 2, 0, 3, 24}, 64},
        {"wider than the image", {15, 5, 1, 0, 0, 15}, 64},
        {"row shorter than its columns", {6, 4, 1, 0, 0, 6}, 64},
        {"more rows than the buffer", {12, 4, 4, 0, 0, 48}, 30},
        {"more rows than written", {12, 4, 4, 0, 0, 20}, 64},
        {"offset past the width", {12, 2, 1, 3, 0, 12}, 64},
        {"row offset overflows", {12, 4, 2, 0, 0xffffffff, 24}, 64},
    };
    for (const auto& c : cases) {
        StripAssembler image(MemoryImageFormat{4, 4, 24, false, 300});
        std::string error;
        EXPECT_FALSE(image.AddStrip(c.strip, data.data(), c.dataBytes, &error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
    std::string error;
    EXPECT_FALSE(StripAssembler(MemoryImageFormat{4, 4, 16, false, 300}).Valid(&error));
    EXPECT_FALSE(StripAssembler(MemoryImageFormat{0, 4, 24, false, 300}).Valid(&error));
    EXPECT_FALSE(StripAssembler(MemoryImageFormat{100000, 100000, 24, false, 300}).Valid(&error));
}

TEST(TwscanBmp, UnknownHeightTakesTheRowsReceived) {
    StripAssembler image(MemoryImageFormat{8, -1, 8, false, 100});
    std::vector<uint8_t> data(8 * 5, 7);
    std::string error;
    ASSERT_TRUE(image.AddStrip(MemoryStrip{8, 8, 5, 0, 0, 40}, data.data(), data.size(), &error)) << error;
    const std::string path = TempPath("unknown.bmp");
    ASSERT_TRUE(image.WriteBmp(path, &error)) << error;
    DibLayout layout;
    ASSERT_TRUE(InspectBmpFile(path, &layout, &error)) << error;
    EXPECT_EQ(5, layout.height);
    std::remove(path.c_str());
    EXPECT_FALSE(StripAssembler(MemoryImageFormat{8, -1, 8, false, 100}).WriteBmp(path, &error));
}

}  // namespace
