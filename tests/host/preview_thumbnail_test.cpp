#include "ui/preview_thumbnail.h"

#include <gtest/gtest.h>

namespace {

TEST(PreviewThumbnailTest, AveragesTheCoveredPixelsAndKeepsConstantsConstant) {
    // 4 x 2 source: left half 0, right half 200 in blue, green 90, red by column.
    const int32_t stride = BgrStride(4);
    std::vector<uint8_t> src(static_cast<size_t>(stride) * 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = &src[y * stride + x * 3];
            p[0] = x < 2 ? 0 : 200;
            p[1] = 90;
            p[2] = static_cast<uint8_t>(x * 10 + y);
        }
    }
    const BgrImage image{src.data(), 4, 2, stride};
    const std::vector<uint8_t> half = ShrinkBgrImage(image, 2, 1);
    ASSERT_EQ(static_cast<size_t>(BgrStride(2)), half.size());
    EXPECT_EQ(0, half[0]);
    EXPECT_EQ(200, half[3]);
    EXPECT_EQ(90, half[1]);
    EXPECT_EQ(90, half[4]);
    EXPECT_EQ(6, half[2]) << "(0 + 10 + 1 + 11) / 4, rounded";
    EXPECT_EQ(26, half[5]);

    // Growing repeats pixels; nothing to read or write gives nothing.
    const std::vector<uint8_t> grown = ShrinkBgrImage(image, 8, 3);
    EXPECT_EQ(src[3 * 3 + 2], grown[(7 * 3) + 2]);
    EXPECT_TRUE(ShrinkBgrImage(image, 0, 3).empty());
    EXPECT_TRUE(ShrinkBgrImage(BgrImage{nullptr, 4, 2, stride}, 2, 2).empty());
}

}  // namespace
