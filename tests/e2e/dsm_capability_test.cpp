// Capability negotiation through Wine's own twain_32.dll: containers made by
// the source are read and freed by the application across the manager.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

// An application with the source open (state 4), as the manager hands it out.
class WineManagerCapabilities : public ::testing::Test {
   protected:
    // No device answers here: the choice is abandoned, the source stays open.
    SelectionDialogCanceller noDevice;
    void SetUp() override {
        ASSERT_TRUE(InstallSourceForWineManager());
        ASSERT_NE(nullptr, app.entry) << "Wine's twain_32.dll did not load";
        ASSERT_EQ(TWRC_SUCCESS, app.OpenManager());
        ASSERT_TRUE(app.FindSource("Tarvik4100 TWAIN", &source));
        ASSERT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source));
        opened = true;
    }

    void TearDown() override {
        if (opened) {
            EXPECT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source));
        }
        app.CloseManager();
    }

    // Sends one capability message; on success the container's bytes are
    // copied out and the block freed, as an application does.
    TW_UINT16 Capability(TW_UINT16 msg, TW_UINT16 capId, std::vector<uint8_t>* bytes, TW_UINT16* conType) {
        TW_CAPABILITY cap{capId, TWON_DONTCARE16, nullptr};
        const TW_UINT16 rc = app.Call(&source, DG_CONTROL, DAT_CAPABILITY, msg, &cap);
        if (rc == TWRC_SUCCESS && cap.hContainer != nullptr) {
            bytes->resize(GlobalSize(cap.hContainer));
            memcpy(bytes->data(), GlobalLock(cap.hContainer), bytes->size());
            GlobalUnlock(cap.hContainer);
            GlobalFree(cap.hContainer);
            *conType = cap.ConType;
        }
        return rc;
    }

    // The item of a one value answer, zero-extended from its 16 or 32 bits.
    uint32_t OneValueItem(TW_UINT16 msg, TW_UINT16 capId, TW_UINT16 itemType) {
        std::vector<uint8_t> b;
        TW_UINT16 conType = 0;
        EXPECT_EQ(TWRC_SUCCESS, Capability(msg, capId, &b, &conType)) << std::hex << capId;
        EXPECT_EQ(TWON_ONEVALUE, conType) << std::hex << capId;
        if (b.size() < 6) return 0xdeadbeef;
        EXPECT_EQ(itemType, b[0] | (b[1] << 8)) << std::hex << capId;
        const uint32_t item = b[2] | (b[3] << 8) | (b[4] << 16) | (uint32_t(b[5]) << 24);
        return itemType == TWTY_FIX32 ? item : (item & 0xffff);
    }

    TW_UINT16 SetOne(TW_UINT16 capId, TW_UINT16 itemType, uint32_t value) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(TW_ONEVALUE));
        auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(block));
        one->ItemType = itemType;
        one->Item = value;
        GlobalUnlock(block);
        TW_CAPABILITY cap{capId, TWON_ONEVALUE, block};
        const TW_UINT16 rc = app.Call(&source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
        GlobalFree(block);
        return rc;
    }

    TW_UINT16 SourceConditionCode() {
        TW_STATUS status{0xffff, 0};
        EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_STATUS, MSG_GET, &status));
        return status.ConditionCode;
    }

    TestApplication app;
    TW_IDENTITY source{};
    bool opened = false;
};

TEST_F(WineManagerCapabilities, SupportedCapsArrayListsAllThirtyOne) {
    std::vector<uint8_t> b;
    TW_UINT16 conType = 0;
    ASSERT_EQ(TWRC_SUCCESS, Capability(MSG_GET, CAP_SUPPORTEDCAPS, &b, &conType));
    EXPECT_EQ(TWON_ARRAY, conType);
    ASSERT_GE(b.size(), 6u + 62u);
    EXPECT_EQ(TWTY_UINT16, b[0] | (b[1] << 8));
    EXPECT_EQ(31, b[2] | (b[3] << 8) | (b[4] << 16) | (b[5] << 24));
    EXPECT_EQ(CAP_XFERCOUNT, b[6] | (b[7] << 8));
    EXPECT_EQ(ICAP_YSCALING, b[66] | (b[67] << 8));
}

TEST_F(WineManagerCapabilities, SettingsTakeEffectAcrossRelatedCapabilities) {
    ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY));
    EXPECT_EQ(8u, OneValueItem(MSG_GETCURRENT, ICAP_BITDEPTH, TWTY_UINT16));
    // Reset reports colour but leaves grey in force.
    EXPECT_EQ(TWPT_RGB, OneValueItem(MSG_RESET, ICAP_PIXELTYPE, TWTY_UINT16));
    EXPECT_EQ(TWPT_GRAY, OneValueItem(MSG_GETCURRENT, ICAP_PIXELTYPE, TWTY_UINT16));

    ASSERT_EQ(TWRC_SUCCESS, SetOne(ICAP_XRESOLUTION, TWTY_FIX32, 1200));
    EXPECT_EQ(1200u, OneValueItem(MSG_GETCURRENT, ICAP_YRESOLUTION, TWTY_FIX32));
    EXPECT_EQ(11u | (45219u << 16), OneValueItem(MSG_GET, ICAP_PHYSICALHEIGHT, TWTY_FIX32));
}

TEST_F(WineManagerCapabilities, RefusalsCarryTheirConditionCodes) {
    EXPECT_EQ(TWRC_FAILURE, SetOne(ICAP_BRIGHTNESS, TWTY_FIX32, 150));
    EXPECT_EQ(TWCC_BADVALUE, SourceConditionCode());
    std::vector<uint8_t> b;
    TW_UINT16 conType = 0;
    EXPECT_EQ(TWRC_FAILURE, Capability(MSG_GET, ICAP_ROTATION, &b, &conType));
    EXPECT_EQ(TWCC_BADCAP, SourceConditionCode());
    EXPECT_EQ(TWRC_FAILURE, Capability(MSG_QUERYSUPPORT, ICAP_PIXELTYPE, &b, &conType));
    EXPECT_EQ(TWCC_BADPROTOCOL, SourceConditionCode());
    EXPECT_EQ(TWRC_FAILURE, app.Call(&source, DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, SourceConditionCode());
}

}  // namespace
