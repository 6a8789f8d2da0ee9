// Sizes of a scan job and the device's line format, platform-free.
#include <gtest/gtest.h>

#include <vector>

#include "core/core_context.h"
#include "scan/dib_header.h"
#include "scan/line_format.h"

namespace {

TEST(ScanJobSizes, FollowThePixelTypeAndTheTransport) {
    struct Case {
        int32_t pixelType, lineWidth, lineCount, imageWidth, transport;
        uint64_t l, r, e, read;
    };
    const Case cases[] = {
        // Colour, padded device lines: 8 whole lines per USB read.
        {3, 2560, 3508, 2550, 0, 7680, 7650, 7680ull * 3508, 61440},
        {3, 2560, 3508, 2550, 1, 7680, 7650, 7680ull * 3508, 7680 * 68},
        {2, 2560, 100, 2550, 0, 2560, 2550, 256000, 2560 * 25},
        {0, 2560, 100, 2550, 1, 320, 319, 32000, 320 * 1638},
        {1, 9, 2, 9, 0, 2, 2, 4, 65534},
    };
    for (const Case& c : cases) {
        ScanJobSizes s = ComputeScanJobSizes(c.pixelType, c.lineWidth, c.lineCount, c.imageWidth, c.transport);
        EXPECT_TRUE(s.usable);
        EXPECT_EQ(c.l, s.deviceLineBytes) << c.pixelType;
        EXPECT_EQ(c.r, s.rowBytes) << c.pixelType;
        EXPECT_EQ(c.e, s.deviceBytes) << c.pixelType;
        EXPECT_EQ(c.read, s.readSize) << c.pixelType << "/" << c.transport;
        EXPECT_EQ(0u, s.readSize % s.deviceLineBytes);
    }
}

TEST(ScanJobSizes, AbsurdDeviceGeometryIsRefusedNotWrapped) {
    struct Case {
        int32_t pixelType, lineWidth, lineCount, imageWidth, transport;
    };
    const Case cases[] = {
        {3, 0x7FFFFFFF, 0x7FFFFFFF, 100, 1},  // would wrap any 32-bit product
        {3, 30000, 0, 100, 0},                // no lines
        {3, -5, 10, 1, 0},                    // negative width
        {3, 100, 10, 101, 0},                 // image wider than the device line
        {3, 30000, 10, 30000, 0},             // one colour line exceeds a USB read
        {2, 60000, 60000, 60000, 1},          // 3.6 GB: beyond a 32-bit process
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(ComputeScanJobSizes(c.pixelType, c.lineWidth, c.lineCount, c.imageWidth, c.transport).usable)
            << c.lineWidth << "x" << c.lineCount;
    }
}

TEST(RepackDeviceLines, InterleavesColourPlanesAndDropsThePadding) {
    const int32_t lineWidth = 4, imageWidth = 3;
    ScanJobSizes sizes = ComputeScanJobSizes(3, lineWidth, 2, imageWidth, 0);
    // Two lines: R plane, G plane, B plane of four pixels each.
    const std::vector<uint8_t> device = {1, 2, 3, 99, 11, 12, 13, 99, 21, 22, 23, 99,
                                         4, 5, 6, 99, 14, 15, 16, 99, 24, 25, 26, 99};
    std::vector<uint8_t> rows(2 * sizes.rowBytes, 0xEE);
    RepackDeviceLines(device.data(), rows.data(), 2, 3, sizes, lineWidth, imageWidth);
    const std::vector<uint8_t> expected = {1, 11, 21, 2, 12, 22, 3, 13, 23, 4, 14, 24, 5, 15, 25, 6, 16, 26};
    EXPECT_EQ(expected, rows);
}

TEST(RepackDeviceLines, GreyAndBilevelKeepTheFirstRowBytes) {
    for (int32_t pixelType : {0, 2}) {
        const int32_t lineWidth = 16, imageWidth = pixelType == 2 ? 5 : 9;
        ScanJobSizes sizes = ComputeScanJobSizes(pixelType, lineWidth, 2, imageWidth, 0);
        std::vector<uint8_t> device(2 * sizes.deviceLineBytes);
        for (size_t i = 0; i < device.size(); ++i) device[i] = static_cast<uint8_t>(i + 1);
        std::vector<uint8_t> rows(2 * sizes.rowBytes);
        RepackDeviceLines(device.data(), rows.data(), 2, pixelType, sizes, lineWidth, imageWidth);
        for (uint64_t line = 0; line < 2; ++line) {
            for (uint64_t i = 0; i < sizes.rowBytes; ++i) {
                EXPECT_EQ(device[line * sizes.deviceLineBytes + i], rows[line * sizes.rowBytes + i]) << pixelType;
            }
        }
    }
}

uint32_t Read32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

TEST(DibHeader, FieldsAndPaletteFollowThePixelType) {
    struct Case {
        int32_t pixelType, width, height, dpi;
        int32_t size, bits, colours;
        uint32_t imageSize, pelsPerMeter;
    };
    const Case cases[] = {
        {3, 2480, 3508, 300, 40, 24, 0, 7440u * 3508, 11811},
        {2, 5, 3, 150, 1064, 8, 256, 8 * 3, 5905},
        {0, 9, 2, 600, 48, 1, 2, 4 * 2, 23622},
        {1, 33, 1, 75, 48, 1, 2, 8, 2952},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> header(DibHeaderMaxSize + 1, 0xAB);
        ASSERT_EQ(c.size, BuildDibHeaderFor(header.data(), c.width, c.height, c.pixelType, c.dpi));
        EXPECT_EQ(40u, Read32(&header[0]));
        EXPECT_EQ(static_cast<uint32_t>(c.width), Read32(&header[4]));
        EXPECT_EQ(static_cast<uint32_t>(c.height), Read32(&header[8])) << "positive height: bottom-up";
        EXPECT_EQ(1, header[12] | header[13] << 8);
        EXPECT_EQ(c.bits, header[14] | header[15] << 8);
        EXPECT_EQ(0u, Read32(&header[16]));
        EXPECT_EQ(c.imageSize, Read32(&header[20])) << c.pixelType;
        EXPECT_EQ(c.pelsPerMeter, Read32(&header[24])) << c.dpi;
        EXPECT_EQ(c.pelsPerMeter, Read32(&header[28]));
        EXPECT_EQ(static_cast<uint32_t>(c.colours), Read32(&header[32]));
        EXPECT_EQ(0u, Read32(&header[36]));
        if (c.pixelType == 2) {
            EXPECT_EQ(0u, Read32(&header[40]));
            EXPECT_EQ(0x00808080u, Read32(&header[40 + 4 * 128]));
            EXPECT_EQ(0x00FFFFFFu, Read32(&header[40 + 4 * 255]));
        } else if (c.pixelType != 3) {
            EXPECT_EQ(0u, Read32(&header[40]));
            EXPECT_EQ(0x00FFFFFFu, Read32(&header[44]));
        }
        EXPECT_EQ(0xAB, header[c.size]) << "nothing written past the palette";
    }
}

TEST(DibHeader, CurrentSettingsChooseTypeAndResolution) {
    InitCoreContextValues(true);
    GetScanSettings()->pixelType = 2;
    GetScanWindow()->resolutionIndex = 4;
    std::vector<uint8_t> header(DibHeaderMaxSize);
    EXPECT_EQ(1064, BuildDibHeader(header.data(), 10, 10));
    EXPECT_EQ(11811u, Read32(&header[24]));
}

}  // namespace
