#include "core/cap_containers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(Fix32Test, ConversionsKeepSignAndTruncateFractions) {
    struct Case {
        const char* what;
        TW_FIX32 got;
        int16_t whole;
        uint16_t frac;
    };
    const Case cases[] = {
        {"whole -100", WholeToFix32(-100), -100, 0},
        {"whole 4800", WholeToFix32(4800), 4800, 0},
        {"whole 0", WholeToFix32(0), 0, 0},
        {"850 hundredths", HundredthsToFix32(850), 8, 32768},
        {"1169 hundredths", HundredthsToFix32(1169), 11, 45219},
        {"1100 hundredths", HundredthsToFix32(1100), 11, 0},
        {"1 hundredth", HundredthsToFix32(1), 0, 655},
    };
    for (const Case& c : cases) {
        TW_FIX32 got = c.got;
        EXPECT_EQ(c.whole, got.Whole) << c.what;
        EXPECT_EQ(c.frac, got.Frac) << c.what;
    }
}

TEST(Fix32Test, ItemCarriesWholeInLowHalf) {
    EXPECT_EQ(0x8000'0008u, Fix32ToItem(HundredthsToFix32(850)));
    EXPECT_EQ(0x0000'ff9cu, Fix32ToItem(WholeToFix32(-100)));
    TW_FIX32 back = ItemToFix32(0x0000'ff9cu);
    EXPECT_EQ(-100, back.Whole);
    EXPECT_EQ(0, back.Frac);
}

TEST(CapItemSizeTest, SizesByTypeAndNoneForFramesAndStrings) {
    const std::pair<TW_UINT16, size_t> cases[] = {
        {TWTY_INT8, 1},   {TWTY_UINT8, 1},  {TWTY_INT16, 2}, {TWTY_UINT16, 2}, {TWTY_BOOL, 2},
        {TWTY_INT32, 4},  {TWTY_UINT32, 4}, {TWTY_FIX32, 4}, {TWTY_FRAME, 0},  {TWTY_STR32, 0},
        {TWTY_STR255, 0}, {0x0d, 0},        {0xffff, 0},
    };
    for (const auto& [type, size] : cases) EXPECT_EQ(size, CapItemSize(type)) << "type " << type;
}

TEST(ContainerSizeTest, ListContainersHaveOneSpareByteAndNeverWrap) {
    EXPECT_EQ(21u, EnumerationBlockBytes(TWTY_UINT16, 3));
    EXPECT_EQ(55u, EnumerationBlockBytes(TWTY_FIX32, 10));
    EXPECT_EQ(69u, ArrayBlockBytes(TWTY_UINT16, 31));
    EXPECT_EQ(15u + 4ull * 0xffff'ffffull, EnumerationBlockBytes(TWTY_FIX32, 0xffff'ffff));
    EXPECT_EQ(7u + 4ull * 0xffff'ffffull, ArrayBlockBytes(TWTY_UINT32, 0xffff'ffff));
}

TEST(ContainerWriteTest, EnumerationStoresSixteenBitItemsAtTwoBytes) {
    const CapTable table{TWTY_UINT16, 3, 2, 1};
    const TW_UINT32 items[] = {1, 8, 0x1'0018};  // upper bits of an item are not stored
    Bytes block(EnumerationBlockBytes(table.ItemType, table.NumItems), 0xee);
    WriteEnumeration(block.data(), table, items);
    const Bytes expected = {0x04, 0x00, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 8, 0, 0x18, 0x00, 0xee};
    EXPECT_EQ(expected, block);
}

TEST(ContainerWriteTest, ArrayOneValueAndRangeLayouts) {
    const CapTable table{TWTY_FIX32, 2, 0, 0};
    const TW_UINT32 items[] = {Fix32ToItem(WholeToFix32(75)), Fix32ToItem(WholeToFix32(-1))};
    Bytes array(ArrayBlockBytes(table.ItemType, table.NumItems), 0);
    WriteArray(array.data(), table, items);
    EXPECT_EQ((Bytes{0x07, 0, 2, 0, 0, 0, 75, 0, 0, 0, 0xff, 0xff, 0, 0, 0}), array);

    Bytes one(OneValueBytes, 0);
    WriteOneValue(one.data(), TWTY_INT16, static_cast<TW_UINT32>(-1));
    EXPECT_EQ((Bytes{0x01, 0, 0xff, 0xff, 0xff, 0xff}), one);

    Bytes range(RangeBytes, 0);
    WriteRange(range.data(), TWTY_FIX32, 0xff9c, 100, 1, 0, 0x8000'0007);
    const Bytes expected = {0x07, 0, 0x9c, 0xff, 0, 0, 100, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0x80};
    EXPECT_EQ(expected, range);
}

TEST(ReadOneValueBytesTest, ZeroExtendsByItemSizeAndRefusesWhatItCannotRead) {
    struct Case {
        const char* what;
        Bytes block;
        bool ok;
        TW_UINT32 value;
    };
    const Case cases[] = {
        {"INT8 -1 arrives zero-extended", {0x00, 0, 0xff, 0x12, 0x34, 0x56}, true, 0xff},
        {"INT16 -1 arrives as 0xFFFF", {0x01, 0, 0xff, 0xff, 0xff, 0xff}, true, 0xffff},
        {"UINT16 ignores upper bytes", {0x04, 0, 0xcd, 0xab, 0x34, 0x12}, true, 0xabcd},
        {"BOOL", {0x06, 0, 0x08, 0x00, 0x77, 0x77}, true, 8},
        {"FIX32 whole", {0x07, 0, 0x2c, 0x01, 0x00, 0x80}, true, 0x8000'012c},
        {"UINT16 in a four-byte block", {0x04, 0, 0x02, 0x00}, true, 2},
        {"FRAME reads nothing", {0x08, 0, 1, 2, 3, 4}, false, 0},
        {"string reads nothing", {0x09, 0, 1, 2, 3, 4}, false, 0},
        {"unknown type", {0x99, 0, 1, 2, 3, 4}, false, 0},
        {"UINT32 in a five-byte block", {0x05, 0, 1, 2, 3}, false, 0},
        {"one byte", {0x04}, false, 0},
        {"empty", {}, false, 0},
    };
    for (const Case& c : cases) {
        TW_UINT32 value = 0xdead'beef;
        EXPECT_EQ(c.ok, ReadOneValueBytes(c.block.data(), c.block.size(), &value)) << c.what;
        EXPECT_EQ(c.value, value) << c.what;
    }
    TW_UINT32 value = 7;
    EXPECT_FALSE(ReadOneValueBytes(nullptr, 6, &value));
    EXPECT_EQ(0u, value);
}

// Header of an enumeration: item type, count, current, default.
Bytes EnumerationHeader(TW_UINT16 type, TW_UINT32 count, TW_UINT32 current) {
    Bytes b(EnumerationHeaderBytes, 0);
    memcpy(&b[0], &type, 2);
    memcpy(&b[2], &count, 4);
    memcpy(&b[6], &current, 4);
    return b;
}

TEST(EnumerationCheckTest, ClaimedItemsMustFitTheBlock) {
    struct Case {
        const char* what;
        Bytes header;
        size_t blockSize;
        bool sound;
    };
    const Case cases[] = {
        {"three UINT16 with spare byte", EnumerationHeader(TWTY_UINT16, 3, 2), 21, true},
        {"three UINT16 without spare byte", EnumerationHeader(TWTY_UINT16, 3, 0), 20, true},
        {"three UINT16 one byte short", EnumerationHeader(TWTY_UINT16, 3, 0), 19, false},
        {"millions of items", EnumerationHeader(TWTY_UINT16, 5'000'000, 0), 21, false},
        {"count that wraps 32 bits", EnumerationHeader(TWTY_FIX32, 0x4000'0001, 0), 22, false},
        {"no items", EnumerationHeader(TWTY_UINT16, 0, 0), 21, false},
        {"current index past the end", EnumerationHeader(TWTY_UINT16, 3, 3), 21, false},
        {"frame items", EnumerationHeader(TWTY_FRAME, 1, 0), 64, false},
        {"shorter than the header", EnumerationHeader(TWTY_UINT16, 0, 0), 13, false},
    };
    for (const Case& c : cases) {
        Bytes block = c.header;
        block.resize(std::max(block.size(), c.blockSize), 0);
        EXPECT_EQ(c.sound, IsSoundEnumerationBytes(block.data(), c.blockSize)) << c.what;
    }
    EXPECT_FALSE(IsSoundEnumerationBytes(nullptr, 100));
}

}  // namespace
