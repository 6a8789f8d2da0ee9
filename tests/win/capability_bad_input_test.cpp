// What an application can get wrong when it negotiates: missing records, dead
// or short containers, containers of the wrong kind or item type, enumerations
// that claim more than their block holds, and memory running out. Each is
// refused with a condition code and leaves every setting as it was.
#include <gtest/gtest.h>

#include <functional>

#include "core/cap_containers.h"
#include "tests/win/capability_support.h"

namespace capability_test {
namespace {

constexpr TW_UINT16 U16 = TWTY_UINT16;
constexpr TW_UINT16 F32 = TWTY_FIX32;

// Everything a refused SET must leave alone, including the stored tables as
// MSG_GET shows them.
struct Snapshot {
    TW_UINT16 xferMech, pixelFlavor, xferFileFormat;
    TW_INT16 xferCount;
    ScanWindow window;
    int32_t pixelType, brightness, contrast;
    std::vector<Bytes> lists;

    static Snapshot Take() {
        const CoreContext& c = *GetCoreContext();
        Snapshot s{c.xferMech,       c.pixelFlavor,     c.xferFileFormat, c.xferCount, c.scanWindow,
                   c.scan.pixelType, c.scan.brightness, c.scan.contrast,  {}};
        for (TW_UINT16 capId : {ICAP_PIXELTYPE, ICAP_XFERMECH, ICAP_PIXELFLAVOR, ICAP_XRESOLUTION,
                                ICAP_SUPPORTEDSIZES, ICAP_BITDEPTH, ICAP_UNITS}) {
            TW_CAPABILITY cap{capId, 0, nullptr};
            EXPECT_EQ(TWRC_SUCCESS, CapCall(MSG_GET, &cap));
            s.lists.push_back(TakeBlock(cap.hContainer));
        }
        return s;
    }

    void ExpectSame(const Snapshot& o) const {
        EXPECT_EQ(xferMech, o.xferMech);
        EXPECT_EQ(pixelFlavor, o.pixelFlavor);
        EXPECT_EQ(xferFileFormat, o.xferFileFormat);
        EXPECT_EQ(xferCount, o.xferCount);
        EXPECT_EQ(0, memcmp(&window, &o.window, sizeof window));
        EXPECT_EQ(pixelType, o.pixelType);
        EXPECT_EQ(brightness, o.brightness);
        EXPECT_EQ(contrast, o.contrast);
        EXPECT_EQ(lists, o.lists);
    }
};

// A one-value header with an item type and whatever follows.
Bytes Header(TW_UINT16 type, Bytes rest) {
    Bytes b;
    Put16(b, type);
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}

Bytes EnumerationHeaderClaiming(uint32_t numItems, uint32_t current) {
    Bytes b;
    Put16(b, U16);
    Put32(b, numItems);
    Put32(b, current);
    Put32(b, 0);
    return b;
}

HGLOBAL DeadHandle() {
    HGLOBAL h = BlockOf(OneValue(U16, TWPT_GRAY));
    GlobalFree(h);
    return h;
}

struct BadSet {
    const char* what;
    TW_UINT16 cap;
    TW_UINT16 conType;
    std::function<HGLOBAL()> block;  // built per case; freed by the test when alive
    TW_UINT16 conditionCode;
};

std::vector<BadSet> BadSets() {
    auto bytes = [](Bytes b) { return [b] { return BlockOf(b); }; };
    return {
        {"null container", ICAP_PIXELTYPE, TWON_ONEVALUE, [] { return HGLOBAL(nullptr); }, TWCC_BADVALUE},
        {"freed container", ICAP_PIXELTYPE, TWON_ONEVALUE, DeadHandle, TWCC_BADVALUE},
        {"made-up handle", ICAP_BRIGHTNESS, TWON_ONEVALUE, [] { return HGLOBAL(uintptr_t(0x1234)); },
         TWCC_BADVALUE},
        {"made-up enumeration handle", ICAP_PIXELTYPE, TWON_ENUMERATION,
         [] { return HGLOBAL(uintptr_t(0x7ffe0000)); }, TWCC_BADVALUE},
        {"freed enumeration", ICAP_XFERMECH, TWON_ENUMERATION, DeadHandle, TWCC_BADVALUE},
        {"two-byte block", ICAP_PIXELTYPE, TWON_ONEVALUE, bytes(Header(U16, {})), TWCC_BADVALUE},
        {"UINT32 in five bytes", ICAP_XFERMECH, TWON_ONEVALUE, bytes(Header(TWTY_UINT32, {1, 0, 0})),
         TWCC_BADVALUE},
        {"FIX32 in four bytes", ICAP_BRIGHTNESS, TWON_ONEVALUE, bytes(Header(F32, {1, 0})), TWCC_BADVALUE},
        // A frame or string item has no value to judge, even where 0 would be taken.
        {"frame item", ICAP_COMPRESSION, TWON_ONEVALUE, bytes(Header(TWTY_FRAME, Bytes(16, 0))),
         TWCC_BADVALUE},
        {"string item", ICAP_PLANARCHUNKY, TWON_ONEVALUE, bytes(Header(TWTY_STR32, Bytes(34, 0))),
         TWCC_BADVALUE},
        {"unknown item type", ICAP_XFERMECH, TWON_ONEVALUE, bytes(Header(0x4242, {0, 0, 0, 0})),
         TWCC_BADVALUE},
        {"range for brightness", ICAP_BRIGHTNESS, TWON_RANGE,
         bytes(Range(F32, Fix(-100), Fix(100), Fix(1), Fix(0), Fix(5))), TWCC_BADPROTOCOL},
        {"enumeration for resolution", ICAP_XRESOLUTION, TWON_ENUMERATION,
         bytes(Enumeration(F32, 0, 0, {75})), TWCC_BADPROTOCOL},
        {"array for pixel type", ICAP_PIXELTYPE, TWON_ARRAY, bytes(Array(U16, {1})), TWCC_BADPROTOCOL},
        {"range for pixel type", ICAP_PIXELTYPE, TWON_RANGE, bytes(Range(U16, 0, 2, 1, 2, 1)),
         TWCC_BADPROTOCOL},
        {"unknown container kind", ICAP_XFERMECH, 0x77, bytes(OneValue(U16, 2)), TWCC_BADPROTOCOL},
        {"enumeration of millions", ICAP_PIXELTYPE, TWON_ENUMERATION,
         bytes(EnumerationHeaderClaiming(5'000'000, 0)), TWCC_BADVALUE},
        {"enumeration wrapping 32 bits", ICAP_XFERMECH, TWON_ENUMERATION,
         bytes(EnumerationHeaderClaiming(0x8000'0001, 0)), TWCC_BADVALUE},
        {"enumeration with current past end", ICAP_XFERMECH, TWON_ENUMERATION,
         bytes(Enumeration(U16, 3, 0, {0, 1, 2})), TWCC_BADVALUE},
        {"empty enumeration", ICAP_PIXELTYPE, TWON_ENUMERATION, bytes(EnumerationHeaderClaiming(0, 0)),
         TWCC_BADVALUE},
    };
}

TEST_F(CapabilityTest, BadContainersAreRefusedAndChangeNothing) {
    SetOne(ICAP_XFERMECH, U16, TWSX_FILE);  // away from the start values, so a reset would show
    for (const BadSet& c : BadSets()) {
        SCOPED_TRACE(c.what);
        const Snapshot before = Snapshot::Take();
        HGLOBAL block = c.block();
        TW_CAPABILITY cap{c.cap, c.conType, block};
        EXPECT_EQ(TWRC_FAILURE, CapCall(MSG_SET, &cap));
        EXPECT_EQ(c.conditionCode, ConditionCode());
        EXPECT_EQ(block, cap.hContainer);
        if (block != nullptr && GlobalSize(block) != 0) GlobalFree(block);
        Snapshot::Take().ExpectSame(before);
    }
}

TEST_F(CapabilityTest, SoundEnumerationsAreAcceptedWithoutChange) {
    for (TW_UINT16 capId : {ICAP_PIXELTYPE, ICAP_XFERMECH}) {
        const Snapshot before = Snapshot::Take();
        TW_CAPABILITY got{capId, 0, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, CapCall(MSG_GET, &got));
        // Sent back as it came, and once more with the last item selected.
        TW_CAPABILITY back{capId, TWON_ENUMERATION, got.hContainer};
        EXPECT_EQ(TWRC_SUCCESS, CapCall(MSG_SET, &back)) << std::hex << capId;
        HGLOBAL other = BlockOf(Enumeration(U16, 1, 0, {0, 1}));
        TW_CAPABILITY chosen{capId, TWON_ENUMERATION, other};
        EXPECT_EQ(TWRC_SUCCESS, CapCall(MSG_SET, &chosen)) << std::hex << capId;
        GlobalFree(other);
        GlobalFree(got.hContainer);
        Snapshot::Take().ExpectSame(before);
    }
}

TEST_F(CapabilityTest, NullCapabilityRecordIsABadValueForEveryMessage) {
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET, MSG_RESET}) {
        const Snapshot before = Snapshot::Take();
        EXPECT_EQ(TWRC_FAILURE, CapCall(msg, nullptr)) << "msg " << msg;
        EXPECT_EQ(TWCC_BADVALUE, ConditionCode()) << "msg " << msg;
        Snapshot::Take().ExpectSame(before);
    }
    EXPECT_EQ(TWRC_FAILURE, CapCall(MSG_QUERYSUPPORT, nullptr));
    EXPECT_EQ(TWCC_BADPROTOCOL, ConditionCode());
}

TEST_F(CapabilityTest, GetIgnoresWhateverHandleTheApplicationLeftInTheRecord) {
    HGLOBAL stale = DeadHandle();
    for (TW_HANDLE left :
         {TW_HANDLE(stale), TW_HANDLE(uintptr_t(0x1234)), TW_HANDLE(uintptr_t(0xffff0000))}) {
        TW_CAPABILITY cap{ICAP_XRESOLUTION, 0x77, left};
        ASSERT_EQ(TWRC_SUCCESS, CapCall(MSG_GET, &cap));
        EXPECT_EQ(TWON_ENUMERATION, cap.ConType);
        EXPECT_EQ(55u, TakeBlock(cap.hContainer).size());
    }
}

TEST_F(CapabilityTest, ContainersAreNewBlocksEachTime) {
    TW_CAPABILITY first{ICAP_PIXELTYPE, 0, nullptr};
    TW_CAPABILITY second{ICAP_PIXELTYPE, 0, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, CapCall(MSG_GET, &first));
    ASSERT_EQ(TWRC_SUCCESS, CapCall(MSG_GET, &second));
    EXPECT_NE(first.hContainer, second.hContainer);
    // The first is still the application's and intact after the second call.
    EXPECT_TRUE(TakeBlock(first.hContainer) == TakeBlock(second.hContainer));
}

void* NoMemory(size_t) { return nullptr; }

TEST_F(CapabilityTest, AllocationFailureReportsLowMemoryAndKeepsTheSettings) {
    SetOne(ICAP_XFERMECH, U16, TWSX_MEMORY);
    SetOne(ICAP_PIXELFLAVOR, U16, TWPF_VANILLA);
    SetOne(ICAP_XRESOLUTION, F32, Fix(600));
    SetOne(CAP_XFERCOUNT, TWTY_INT16, 1);
    const Snapshot before = Snapshot::Take();
    SetContainerAllocator(NoMemory);
    for (TW_UINT16 capId :
         {CAP_XFERCOUNT, CAP_SUPPORTEDCAPS, ICAP_PIXELTYPE, ICAP_XFERMECH, ICAP_BRIGHTNESS, ICAP_XRESOLUTION,
          ICAP_PIXELFLAVOR, ICAP_SUPPORTEDSIZES, ICAP_BITDEPTH, ICAP_IMAGEFILEFORMAT}) {
        for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET}) {
            if (capId == CAP_SUPPORTEDCAPS && msg == MSG_RESET) continue;  // read-only: no container to make
            TW_CAPABILITY cap{capId, 0, HGLOBAL(uintptr_t(0x5678))};
            EXPECT_EQ(TWRC_FAILURE, CapCall(msg, &cap)) << std::hex << capId << " msg " << msg;
            EXPECT_EQ(TWCC_LOWMEMORY, ConditionCode()) << std::hex << capId << " msg " << msg;
            EXPECT_EQ(nullptr, cap.hContainer);
        }
    }
    SetContainerAllocator(nullptr);
    Snapshot::Take().ExpectSame(before);
}

}  // namespace
}  // namespace capability_test
