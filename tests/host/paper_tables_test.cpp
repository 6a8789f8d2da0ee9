#include "scan/paper_tables.h"

#include <gtest/gtest.h>

namespace {

TEST(PaperTablesTest, LookupReturnsTheRowOfTheCode) {
    struct Case {
        int32_t code;
        uint16_t twss;
        int32_t width, height, width600, height600;
    };
    const Case cases[] = {
        {0, 11, 1170, 1654, 7020, 9924}, {2, 1, 827, 1170, 4960, 7015},  {4, 5, 583, 827, 3495, 4960},
        {11, 4, 850, 1400, 5100, 8400},  {12, 3, 850, 1100, 5100, 6600}, {21, 1, 725, 1050, 4350, 6300},
        {28, 0, 583, 413, 3498, 2478},   {33, 0, 850, 850, 5100, 5100},  {255, 0, 827, 1170, 4960, 7015},
    };
    for (const Case& c : cases) {
        const PaperCodeEntry e = LookupPaperCode(c.code);
        EXPECT_EQ(c.code, e.code);
        EXPECT_EQ(c.twss, e.twss) << "code " << c.code;
        EXPECT_EQ(c.width, e.widthHundredths) << "code " << c.code;
        EXPECT_EQ(c.height, e.heightHundredths) << "code " << c.code;
        EXPECT_EQ(c.width600, e.width600) << "code " << c.code;
        EXPECT_EQ(c.height600, e.height600) << "code " << c.code;
    }
}

TEST(PaperTablesTest, UnknownCodesGiveARowOfZeros) {
    for (int32_t code : {19, 20, 22, 26, 34, 254, 256, -1, 65536 + 2}) {
        const PaperCodeEntry e = LookupPaperCode(code);
        EXPECT_EQ(0, e.code + e.twss + e.widthHundredths + e.heightHundredths + e.width600 + e.height600)
            << "code " << code;
    }
    EXPECT_EQ(28u, PaperCodeTable().size());
}

TEST(PaperTablesTest, ResolutionTableAndInterpolation) {
    const int32_t dpi[] = {75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800};
    const int32_t factor[] = {1, 1, 1, 1, 1, 1, 1, 2, 4, 8};
    for (int32_t i = 0; i < ResolutionCount; ++i) {
        EXPECT_EQ(dpi[i], ResolutionDpi(i));
        EXPECT_EQ(i, ResolutionIndexOf(dpi[i]));
        EXPECT_EQ(factor[i], InterpolationFactor(i));
    }
    EXPECT_EQ(0, ResolutionDpi(-1));
    EXPECT_EQ(0, ResolutionDpi(10));
    EXPECT_EQ(-1, ResolutionIndexOf(250));
    EXPECT_EQ(-1, ResolutionIndexOf(0));
    EXPECT_EQ(1, InterpolationFactor(10));
}

}  // namespace
