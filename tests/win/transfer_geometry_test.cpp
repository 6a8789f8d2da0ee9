// Transfers whose delivered image is turned, scaled or halved, strips that
// arrive while the device still scans, and many scans in one session.
#include <gtest/gtest.h>

#include <vector>

#include "tests/win/transfer_support.h"

#include <psapi.h>

namespace {

struct Image {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;  // grey, one byte a pixel, top-down
    uint8_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A grey memory transfer of the whole image with the current settings.
Image ScanGrey(TransferTest* t) {
    Image image;
    std::vector<uint8_t> rows;
    uint32_t bytesPerRow = 0;
    int calls = 0;
    EXPECT_EQ(TWRC_XFERDONE, MemoryTransfer(t, 65535, TWMF_APPOWNS | TWMF_POINTER, &rows, &bytesPerRow, &calls));
    image.width = GetScanSettings()->outputWidth;
    image.height = GetScanSettings()->outputHeight;
    if (bytesPerRow == 0) return image;
    for (size_t y = 0; y < rows.size() / bytesPerRow; ++y) {
        image.pixels.insert(image.pixels.end(), rows.begin() + y * bytesPerRow,
                            rows.begin() + y * bytesPerRow + image.width);
    }
    return image;
}

// True when b is a turned by half a turn.
bool IsHalfTurn(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (int32_t y = 0; y < a.height; ++y)
        for (int32_t x = 0; x < a.width; ++x)
            if (b.At(x, y) != a.At(a.width - 1 - x, a.height - 1 - y)) return false;
    return true;
}

// True when b is a turned a quarter turn, one way or the other (clockwise when 'clockwise').
bool IsQuarterTurn(const Image& a, const Image& b, bool clockwise) {
    if (a.width != b.height || a.height != b.width) return false;
    for (int32_t y = 0; y < b.height; ++y) {
        for (int32_t x = 0; x < b.width; ++x) {
            const uint8_t want = clockwise ? a.At(y, a.height - 1 - x) : a.At(a.width - 1 - y, x);
            if (b.At(x, y) != want) return false;
        }
    }
    return true;
}

TEST_F(TransferTest, QuarterTurnsTurnTheDeliveredImage) {
    OPEN_OR_SKIP("", 2);
    Image turned[4];
    for (int32_t rotation = 0; rotation < 4; ++rotation) {
        SetRotation(rotation);
        turned[rotation] = ScanGrey(this);
        ASSERT_FALSE(turned[rotation].pixels.empty()) << rotation;
    }
    const Expected e = LastExpected(2);
    ASSERT_EQ(e.width, turned[0].width);
    EXPECT_TRUE(turned[0].pixels == e.rows) << "no turn delivers the device's image";
    EXPECT_TRUE(IsHalfTurn(turned[0], turned[2]));
    EXPECT_TRUE(IsHalfTurn(turned[1], turned[3]));
    const bool clockwise = IsQuarterTurn(turned[0], turned[1], true);
    EXPECT_TRUE(clockwise || IsQuarterTurn(turned[0], turned[1], false)) << "rotation 1 is a quarter turn";
    EXPECT_TRUE(IsQuarterTurn(turned[0], turned[3], !clockwise)) << "rotation 3 turns the other way";
}

TEST_F(TransferTest, DuplexBackPagesGetHalfATurnWhenAsked) {
    OPEN_OR_SKIP("--sheets 1 --duplex", 2, 2);
    GetScanSettings()->rotateBackPages = 1;
    SetCustomArea(0, 1200, 301, 260);  // where the chart shows the page number
    Image front = ScanGrey(this);
    const Expected frontExpected = LastExpected(2);
    EXPECT_TRUE(front.pixels == frontExpected.rows) << "the front side is not turned";
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    ASSERT_EQ(1, pending.Count) << "the back side waits";
    EXPECT_EQ(2, GetCoreContext()->pageIndex);
    Image back = ScanGrey(this);
    const Expected backExpected = LastExpected(2);
    Image unturned{backExpected.width, backExpected.height, backExpected.rows};
    EXPECT_TRUE(IsHalfTurn(unturned, back)) << "the back side is turned half a turn";
    EXPECT_NE(frontExpected.rows, backExpected.rows) << "the two sides carry different page numbers";
}

TEST_F(TransferTest, ResolutionsAboveTheDeviceAreScannedAt600AndEnlarged) {
    OPEN_OR_SKIP("", 2);
    SetResolutionIndex(7);  // 1200 dpi
    SetCustomArea(0, 0, 160, 120);
    Image image = ScanGrey(this);
    const SentWindow sent = LastScan(ReadSimulatorLog(device));
    const tarvik_sim::ChartGeometry g = tarvik_sim::ComputeChartGeometry(sent.window);
    EXPECT_EQ(600u, g.dpi);
    EXPECT_EQ(2 * static_cast<int32_t>(g.actualWidth), image.width);
    EXPECT_EQ(2 * static_cast<int32_t>(g.actualHeight), image.height);
    ASSERT_EQ(static_cast<size_t>(image.width) * image.height, image.pixels.size());
    const Expected e = ExpectedImage(sent, 2);
    EXPECT_EQ(e.rows[0], image.At(0, 0)) << "enlarging keeps the first source pixel";
}

TEST_F(TransferTest, DescreenHalvesGreyAndColourBelow600) {
    OPEN_OR_SKIP("", 2);
    SetResolutionIndex(4);
    SetCustomArea(0, 0, 300, 200);
    GetScanSettings()->descreen = 1;
    Image image = ScanGrey(this);
    const Expected e = LastExpected(2);
    EXPECT_EQ(e.width / 2, image.width);
    EXPECT_EQ(e.height / 2, image.height);
    EXPECT_EQ(static_cast<size_t>(image.width) * image.height, image.pixels.size());
}

TEST_F(TransferTest, MemoryStripsArriveWhileTheDeviceStillScans) {
    // A slow device: replies come in 64 KB pieces with a pause between them.
    OPEN_OR_SKIP("--split 65536:20", 3);
    SetResolutionIndex(4);
    SetCustomArea(0, 0, 1200, 900);
    std::vector<uint8_t> buffer(65535);
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
    xfer.Memory.Length = 65535;
    xfer.Memory.TheMem = buffer.data();
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer));
    EXPECT_EQ(SCANSTATUS_SCANNING, GetScanSettings()->scanStatus) << "the first strip came before the scan ended";
    EXPECT_EQ(3600u, TW_UINT32{xfer.BytesPerRow});
    EXPECT_EQ(65535u / 3600u, TW_UINT32{xfer.Rows});
    EXPECT_EQ(0u, TW_UINT32{xfer.YOffset});
    // The rest, checked against the chart.
    std::vector<uint8_t> image(buffer.begin(), buffer.begin() + xfer.BytesWritten);
    uint32_t bytesPerRow = 0;
    int calls = 0;
    std::vector<uint8_t> rest;
    ASSERT_EQ(TWRC_XFERDONE,
              MemoryTransfer(this, 65535, TWMF_APPOWNS | TWMF_POINTER, &rest, &bytesPerRow, &calls, xfer.Rows));
    image.insert(image.end(), rest.begin(), rest.end());
    ExpectRows(LastExpected(3), image.data(), bytesPerRow, false, "memory strips during the scan");
}

TEST_F(TransferTest, FiftyScansLeakNoHandlesOrMemory) {
    OPEN_OR_SKIP("", 2);
    auto handles = [] {
        DWORD count = 0;
        GetProcessHandleCount(GetCurrentProcess(), &count);
        return count;
    };
    auto privateBytes = [] {
        PROCESS_MEMORY_COUNTERS_EX counters{};
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters);
        return counters.PrivateUsage;
    };
    // Warm up so that one-time allocations (Winsock, event objects) are made.
    for (int i = 0; i < 3; ++i) ASSERT_EQ(TWRC_XFERDONE, NativeTransferAndCheck(2));
    const DWORD handlesBefore = handles();
    const SIZE_T bytesBefore = privateBytes();
    for (int i = 0; i < 50; ++i) {
        TW_UINT16 rc = i % 2 ? NativeTransferAndCheck(2) : TWRC_XFERDONE;
        if (i % 2 == 0) {
            std::vector<uint8_t> image;
            uint32_t bytesPerRow = 0;
            int calls = 0;
            rc = MemoryTransfer(this, 65535, TWMF_DSOWNS | TWMF_HANDLE, &image, &bytesPerRow, &calls);
        }
        ASSERT_EQ(TWRC_XFERDONE, rc) << "scan " << i;
    }
    EXPECT_LE(handles(), handlesBefore + 4) << "handles before " << handlesBefore;
    EXPECT_LE(privateBytes(), bytesBefore + 4 * 1024 * 1024) << "private bytes before " << bytesBefore;
}

}  // namespace
