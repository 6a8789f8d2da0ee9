#include "ui/registration_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "ui/shown_sizes.h"

namespace {

const BuiltInSizeNames builtIns = {
    {"Custom", "A4", "A5", "A6", "B5", "B6", "Legal", "Letter", "Statement", "8.5 x 13 in", "Executive"}};

std::unique_ptr<MainUiState> FreshState() {
    auto state = std::make_unique<MainUiState>();
    *state = MainUiState{};
    strcpy(state->modeTable[1].name, "Document");
    strcpy(state->modeTable[2].name, "Photo");
    strcpy(state->modeTable[3].name, "Feeder");
    state->scanA = 49606;
    state->scanB = 70157;
    return state;
}

TEST(TrimName, RemovesBlanksOfBothKindsFromBothEnds) {
    struct Case {
        const char* in;
        int sum;
        const char* out;
    } cases[] = {
        {"  Name  ", DbcsSpaceSumOther, "Name"},
        {"   ", DbcsSpaceSumOther, ""},
        {"", DbcsSpaceSumOther, ""},
        {"\x81\x40 A B\x81\x40\x81\x40", DbcsSpaceSumJapanese, "A B"},
        {"\x81\x40\x81\x40 ", DbcsSpaceSumJapanese, ""},
        {"\xA1\x40x\xA1\x40", DbcsSpaceSumOther, "x"},
        {"\xA1\x40x", DbcsSpaceSumJapanese, "\xA1\x40x"},  // not a blank on that code page
        {"\xE0\xE1", DbcsSpaceSumJapanese, "\xE0\xE1"},    // a kanji whose bytes add up to -63
        {"@\x81\x40z", DbcsSpaceSumJapanese, "@\x81\x40z"},
        {" \x81", DbcsSpaceSumJapanese, "\x81"},
    };
    for (const Case& c : cases) {
        char text[256];
        strcpy(text, c.in);
        TrimName(text, c.sum);
        EXPECT_STREQ(text, c.out) << "input \"" << c.in << "\"";
    }
    TrimName(nullptr, DbcsSpaceSumOther);
}

TEST(ModeRules, HundredUserModesThenTableFull) {
    auto state = FreshState();
    for (int n = 0; n < MaxUserModes; ++n) {
        std::string name = "m" + std::to_string(n);
        ASSERT_EQ(RegisterMode(*state, name.c_str(), "", 0, DbcsSpaceSumOther), RegistrationResult::Done);
    }
    EXPECT_EQ(state->modeNewCount, 100);
    EXPECT_EQ(RegisterMode(*state, "one more", "", 0, DbcsSpaceSumOther), RegistrationResult::TableFull);
    EXPECT_STREQ(state->modeTable[103].name, "m99");
    EXPECT_STREQ(state->modeTable[104].name, "");
}

TEST(ModeRules, NamesAreTrimmedAndComparedWithLetterCase) {
    auto state = FreshState();
    int r = -1;
    ASSERT_EQ(RegisterMode(*state, " Receipts  ", "till rolls", 6, DbcsSpaceSumOther, &r),
              RegistrationResult::Done);
    EXPECT_EQ(r, 4);
    EXPECT_STREQ(state->modeTable[4].name, "Receipts");
    EXPECT_EQ(state->modeTable[4].bitmapIndex, 7);
    EXPECT_EQ(RegisterMode(*state, "Receipts ", "", 0, DbcsSpaceSumOther), RegistrationResult::Duplicate);
    EXPECT_EQ(RegisterMode(*state, "Photo", "", 0, DbcsSpaceSumOther), RegistrationResult::Duplicate);
    EXPECT_EQ(RegisterMode(*state, "photo", "", 0, DbcsSpaceSumOther), RegistrationResult::Done);
    EXPECT_EQ(RegisterMode(*state, "\x81\x40 ", "", 0, DbcsSpaceSumJapanese), RegistrationResult::EmptyName);
    // Keeping its own name is fine; taking another mode's is not.
    EXPECT_EQ(EditMode(*state, 4, "Receipts", "new", 2, DbcsSpaceSumOther), RegistrationResult::Done);
    EXPECT_EQ(state->modeTable[4].bitmapIndex, 3);
    EXPECT_EQ(EditMode(*state, 4, "Feeder", "", 2, DbcsSpaceSumOther), RegistrationResult::Duplicate);
    EXPECT_EQ(EditMode(*state, 1, "Other", "", 2, DbcsSpaceSumOther), RegistrationResult::NotAllowed);
}

TEST(ModeRules, DeleteMovesLaterModesDown) {
    auto state = FreshState();
    for (const char* name : {"u1", "u2", "u3", "u4", "u5", "u6", "u7"})
        RegisterMode(*state, name, name, 0, DbcsSpaceSumOther);
    ASSERT_EQ(DeleteMode(*state, 8), RegistrationResult::Done);  // user mode 5
    EXPECT_EQ(state->modeNewCount, 6);
    EXPECT_STREQ(state->modeTable[8].name, "u6");
    EXPECT_STREQ(state->modeTable[9].name, "u7");
    EXPECT_STREQ(state->modeTable[10].name, "");
    EXPECT_EQ(DeleteMode(*state, 1), RegistrationResult::NotAllowed);
    EXPECT_EQ(DeleteMode(*state, 2), RegistrationResult::Done);
    EXPECT_STREQ(state->modeTable[2].name, "Feeder");
}

TEST(AreaRules, NamesCollideIgnoringCaseAlsoWithBuiltInSizes) {
    auto state = FreshState();
    state->scanAreaCheck = 1;
    state->scanX = 100;
    state->scanH = 2000;
    int i = -1;
    ASSERT_EQ(RegisterArea(*state, builtIns, "12345678901234567890", 3, DbcsSpaceSumOther, &i),
              RegistrationResult::Done);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(state->areaTable[0].check, 1);
    EXPECT_EQ(state->areaTable[0].h, 2000);
    EXPECT_EQ(state->areaTable[0].orientation, 3);
    EXPECT_EQ(RegisterArea(*state, builtIns, "a4", 3, DbcsSpaceSumOther), RegistrationResult::Duplicate);
    EXPECT_EQ(RegisterArea(*state, builtIns, "Card", 3, DbcsSpaceSumOther), RegistrationResult::Done);
    EXPECT_EQ(RegisterArea(*state, builtIns, " CARD", 3, DbcsSpaceSumOther), RegistrationResult::Duplicate);
    EXPECT_EQ(RenameArea(*state, builtIns, 1, "card", DbcsSpaceSumOther), RegistrationResult::Done);
    EXPECT_EQ(RenameArea(*state, builtIns, 1, "LETTER", DbcsSpaceSumOther), RegistrationResult::Duplicate);
    EXPECT_STREQ(state->areaTable[1].name, "card");
    for (int n = 2; n < MaxAreas; ++n)
        ASSERT_EQ(RegisterArea(*state, builtIns, ("x" + std::to_string(n)).c_str(), 3, DbcsSpaceSumOther),
                  RegistrationResult::Done);
    EXPECT_EQ(RegisterArea(*state, builtIns, "full", 3, DbcsSpaceSumOther), RegistrationResult::TableFull);
}

TEST(AreaRules, RenameAndDeleteCarryTheModesThatUseTheAreas) {
    auto state = FreshState();
    for (const char* name : {"one", "two", "three"})
        RegisterArea(*state, builtIns, name, 3, DbcsSpaceSumOther);
    for (int size : {11, 12, 13}) {
        state->scanSize = size;
        RegisterMode(*state, ("mode" + std::to_string(size)).c_str(), "", 0, DbcsSpaceSumOther);
    }
    EXPECT_STREQ(state->modeTable[6].sizeName, "three");
    RenameArea(*state, builtIns, 2, "third", DbcsSpaceSumOther);
    EXPECT_STREQ(state->modeTable[6].sizeName, "third");

    state->scanSize = 13;
    ASSERT_EQ(DeleteArea(*state, 1), RegistrationResult::Done);
    EXPECT_EQ(state->newCount, 2);
    EXPECT_STREQ(state->areaTable[1].name, "third");
    EXPECT_STREQ(state->areaTable[2].name, "");
    EXPECT_EQ(state->modeTable[4].sizeIndex, 11);
    EXPECT_EQ(state->modeTable[5].sizeIndex, 0);  // used the deleted area
    EXPECT_EQ(state->modeTable[6].sizeIndex, 12);
    EXPECT_EQ(state->scanSize, 12);
    state->scanSize = 11;
    DeleteArea(*state, 0);
    EXPECT_EQ(state->scanSize, 0);
    EXPECT_EQ(DeleteArea(*state, 5), RegistrationResult::NotAllowed);
}

TEST(ShownSizes, ValuesInEachUnitAndAFlushAreaStaysFlush) {
    struct Case {
        int32_t value;
        int unit, dpi;
        const char* text;
    } cases[] = {
        {51000, UnitInch, 0, "8.50"},    {2362, UnitInch, 0, "0.39"},       {70157, UnitInch, 0, "11.69"},
        {2362, UnitMillimetre, 0, "10"}, {49606, UnitMillimetre, 0, "210"}, {49606, UnitPixel, 300, "2480"},
        {70157, UnitPixel, 300, "3508"},
    };
    for (const Case& c : cases) EXPECT_EQ(SizeText(c.value, c.unit, c.dpi), c.text) << c.value;
    for (int32_t h : {23622, 23500, 11811, 30001}) {
        const int32_t x = 49606 - h;
        ShownSizes shown = ShowSizes(49606, 70157, x, 0, h, 2362, true, UnitMillimetre, 0, true);
        EXPECT_EQ(std::stoi(shown.left) + std::stoi(shown.areaWidth), 210) << "area width " << h;
    }
    // A settings file's garbage must not overflow the edge test (UBSan).
    const ShownSizes garbage =
        ShowSizes(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, true, UnitInch, 0, true);
    EXPECT_FALSE(garbage.left.empty());
}

}  // namespace
