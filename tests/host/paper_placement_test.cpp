// The document size the main dialog shows for a size index.
#include "ui/paper_placement.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

TEST(PlacedPaperSize, PlacementAndRotationDecideTheExchange) {
    const PaperSizeEntry a4{49606, 70157};
    const struct {
        int32_t placement, rotation;
        bool asListed;
    } cases[] = {
        {0, 3, true},  {0, 1, true},           {0, 0, false},
        {0, 2, false}, {NoPlacement, 3, true}, {NoPlacement, 0, false},
        {1, 0, true},  {1, 2, true},           {1, 1, false},
        {1, 3, false},
    };
    for (const auto& c : cases) {
        const PaperSizeEntry got = PlacedPaperSize(a4, c.placement, c.rotation);
        EXPECT_EQ(c.asListed ? a4.width : a4.length, got.width) << c.placement << "/" << c.rotation;
        EXPECT_EQ(c.asListed ? a4.length : a4.width, got.length) << c.placement << "/" << c.rotation;
    }
}

TEST(DocumentSizeOf, PapersCustomSizeAndRegisteredAreas) {
    auto m = std::make_unique<MainUiState>();
    std::memset(m.get(), 0, sizeof *m);
    m->paperSizeTable[0] = {49606, 70157};  // A4
    m->paperSizeTable[2] = {24803, 34961};  // A6
    m->paperSizeTable[6] = {51000, 66000};  // Letter
    m->customA = 30000;
    m->customB = 40000;
    m->customOrientation = 3;
    m->newCount = 2;
    m->areaTable[0] = {"plain", 11000, 22000, 0, 0, 0, 0, 0, 1};
    m->areaTable[1] = {"sub-area", 12000, 24000, 10, 10, 3000, 3000, 1, 0};
    const struct {
        const char* what;
        int32_t sizeIndex, placement, rotation;
        bool found;
        int32_t width, length;
    } cases[] = {
        {"A4 unturned", 1, 0, 3, true, 49606, 70157},
        {"A4 ignores the placement", 1, 1, 3, true, 49606, 70157},
        {"A4 turned", 1, 0, 0, true, 70157, 49606},
        {"Letter", 7, 0, 3, true, 51000, 66000},
        {"A6 placed across", 3, 1, 3, true, 34961, 24803},
        {"custom as typed", 0, 0, 3, true, 30000, 40000},
        {"custom turned since", 0, 0, 2, true, 40000, 30000},
        {"area without sub-area keeps its size", 11, 0, 2, true, 11000, 22000},
        {"sub-area turns with the rotation", 12, 0, 3, true, 24000, 12000},
        {"area beyond the count", 13, 0, 3, false, 0, 0},
        {"negative index", -1, 0, 3, false, 0, 0},
    };
    for (const auto& c : cases) {
        m->scanOrientn = c.placement;
        m->scanOrientation = c.rotation;
        PaperSizeEntry size{-1, -1};
        EXPECT_EQ(c.found, DocumentSizeOf(*m, c.sizeIndex, &size)) << c.what;
        EXPECT_EQ(c.found ? c.width : -1, size.width) << c.what;
        EXPECT_EQ(c.found ? c.length : -1, size.length) << c.what;
    }
}

}  // namespace
