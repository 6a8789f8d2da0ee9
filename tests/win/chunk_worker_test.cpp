// Scans whose adjustment runs beside the reading of the next chunk deliver
// what adjusting the whole image at once gives.
#include <gtest/gtest.h>

#include <vector>

#include "image/adjustment_pipeline.h"
#include "tests/win/transfer_support.h"

namespace {

// The chart the device sent, adjusted in one call with the job's settings.
Expected AdjustedAtOnce(const Expected& raw) {
    const ScanSettings* job = GetScanSettings();
    ScanSettings s{};
    ResetAdjustments(&s);
    s.pixelType = job->pixelType;
    s.uiPixelType = job->uiPixelType;
    s.sharpness = job->sharpness;
    s.hue = job->hue;
    s.saturation = job->saturation;
    s.lightness = job->lightness;
    s.reversal = job->reversal;
    Expected e = raw;
    s.rows = const_cast<uint8_t*>(raw.rows.data());
    s.imageBase = e.rows.data();
    s.imageWidth = raw.width;
    s.imageHeight = raw.height;
    s.scanPurpose = 0;
    EXPECT_EQ(0, AdjustRows(&s, 0, raw.height));
    return e;
}

TEST_F(TransferTest, HeavyAdjustmentsBesideTheReadingGiveTheImageOfOneCall) {
    // A device that pauses inside its replies, so reading and adjusting interleave.
    OPEN_OR_SKIP("--split 65536:2", 3);
    SetResolutionIndex(4);
    SetCustomArea(0, 0, 1200, 900);
    ScanSettings* s = GetScanSettings();
    s->sharpness = 2;
    s->hue = 40;
    s->saturation = 30;
    s->lightness = -10;
    s->reversal = 1;
    ASSERT_TRUE(AdjustmentIsHeavy(s));
    std::vector<uint8_t> image;
    uint32_t bytesPerRow = 0;
    int calls = 0;
    ASSERT_EQ(TWRC_XFERDONE,
              MemoryTransfer(this, 65535, TWMF_APPOWNS | TWMF_POINTER, &image, &bytesPerRow, &calls));
    ExpectRows(AdjustedAtOnce(LastExpected(3)), image.data(), bytesPerRow, false, "memory transfer, heavy");

    TW_UINT32 handle = 0;
    ASSERT_EQ(TWRC_XFERDONE, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
    auto block = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handle));
    const auto* bitmap = static_cast<const uint8_t*>(GlobalLock(block));
    ASSERT_NE(nullptr, bitmap);
    const Expected e = AdjustedAtOnce(LastExpected(3));
    ExpectRows(e, bitmap + 40, Aligned(e.packed), true, "native transfer, heavy");
    GlobalUnlock(block);
    GlobalFree(block);
}

TEST(ChunkWorkerChoice, OnlyFiltersAndTheColourStepsAreHeavy) {
    struct Case {
        int32_t pixelType, uiPixelType, sharpness, descreen, hue, lightness, contrast;
        bool heavy;
    };
    const Case cases[] = {
        {3, 3, 0, 0, 0, 0, 0, false}, {3, 3, 0, 0, 0, 0, 40, false}, {3, 3, 1, 0, 0, 0, 0, true},
        {3, 3, 0, 1, 0, 0, 0, true},  {3, 3, 0, 0, 5, 0, 0, true},   {3, 3, 0, 0, 0, -5, 0, true},
        {3, 2, 0, 0, 5, 0, 0, false}, {2, 2, 0, 1, 0, 0, 0, true},   {2, 2, 0, 0, 0, 0, 40, false},
        {0, 0, 2, 1, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        ScanSettings s{};
        ResetAdjustments(&s);
        s.pixelType = c.pixelType;
        s.uiPixelType = c.uiPixelType;
        s.sharpness = c.sharpness;
        s.descreen = c.descreen;
        s.hue = c.hue;
        s.lightness = c.lightness;
        s.contrast = c.contrast;
        s.scanPurpose = 1;
        EXPECT_EQ(c.heavy, AdjustmentIsHeavy(&s)) << &c - cases;
    }
}

}  // namespace
