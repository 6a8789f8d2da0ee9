// Helpers of the capability tests: calls through DS_Entry as the connected
// application, and containers written out byte by byte, independently of the
// source's own builders.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/capabilities.h"
#include "tests/win/win_test_support.h"

namespace capability_test {

using Bytes = std::vector<uint8_t>;

constexpr TW_UINT32 App = 11;

inline TW_UINT16 CapCall(TW_UINT16 msg, TW_CAPABILITY* cap) {
    TW_IDENTITY app = AppIdentity(App);
    return DS_Entry(&app, DG_CONTROL, DAT_CAPABILITY, msg, cap);
}

// The condition code as the application reads it (DAT_STATUS).
inline TW_UINT16 ConditionCode() {
    TW_IDENTITY app = AppIdentity(App);
    TW_STATUS status{0xffff, 0xffff};
    if (DS_Entry(&app, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) return 0xffff;
    return status.ConditionCode;
}

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(v & 0xff);
    b.push_back((v >> 8) & 0xff);
}

inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xffff);
    Put16(b, v >> 16);
}

inline void PutItem(Bytes& b, TW_UINT16 type, uint32_t v) {
    if (type == TWTY_FIX32 || type == TWTY_INT32 || type == TWTY_UINT32) {
        Put32(b, v);
    } else {
        Put16(b, v);
    }
}

// A FIX32 item with the given whole part and fraction.
inline uint32_t Fix(int16_t whole, uint16_t frac = 0) { return uint16_t(whole) | (uint32_t(frac) << 16); }

inline Bytes OneValue(TW_UINT16 type, uint32_t value) {
    Bytes b;
    Put16(b, type);
    Put32(b, value);
    return b;
}

inline Bytes Enumeration(TW_UINT16 type, uint32_t current, uint32_t dflt,
                         std::initializer_list<uint32_t> items) {
    Bytes b;
    Put16(b, type);
    Put32(b, uint32_t(items.size()));
    Put32(b, current);
    Put32(b, dflt);
    for (uint32_t v : items) PutItem(b, type, v);
    return b;
}

inline Bytes Array(TW_UINT16 type, std::initializer_list<uint32_t> items) {
    Bytes b;
    Put16(b, type);
    Put32(b, uint32_t(items.size()));
    for (uint32_t v : items) PutItem(b, type, v);
    return b;
}

inline Bytes Range(TW_UINT16 type, uint32_t min, uint32_t max, uint32_t step, uint32_t dflt,
                   uint32_t current) {
    Bytes b;
    Put16(b, type);
    for (uint32_t v : {min, max, step, dflt, current}) Put32(b, v);
    return b;
}

// Copies a container the source handed over and frees it: it is the caller's.
inline Bytes TakeBlock(TW_HANDLE handle) {
    if (handle == nullptr) return {};
    Bytes b(GlobalSize(handle));
    if (void* p = GlobalLock(handle)) {
        memcpy(b.data(), p, b.size());
        GlobalUnlock(handle);
    }
    GlobalFree(handle);
    return b;
}

// A movable block holding these bytes, as an application builds a container.
inline HGLOBAL BlockOf(const Bytes& bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
    void* p = GlobalLock(h);
    memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

inline std::string Hex(const Bytes& b) {
    std::string s;
    char cell[4];
    for (uint8_t v : b) {
        snprintf(cell, sizeof cell, "%02x ", v);
        s += cell;
    }
    return s;
}

// What one message should answer: a container of a kind and bytes, or a
// failure with a condition code.
struct Answer {
    TW_UINT16 conType;  // 0: the call fails
    Bytes bytes;
    TW_UINT16 conditionCode = TWCC_SUCCESS;
};

inline Answer One(TW_UINT16 type, uint32_t value) { return {TWON_ONEVALUE, OneValue(type, value)}; }
inline Answer Enum(TW_UINT16 type, uint32_t current, uint32_t dflt, std::initializer_list<uint32_t> items) {
    return {TWON_ENUMERATION, Enumeration(type, current, dflt, items)};
}
inline Answer Fails(TW_UINT16 conditionCode) { return {0, {}, conditionCode}; }

// Sends msg for cap and compares the outcome with the expected answer; the
// returned block's meaningful bytes must match exactly.
inline ::testing::AssertionResult Answers(TW_UINT16 msg, TW_UINT16 capId, const Answer& expected) {
    TW_CAPABILITY cap{capId, TWON_DONTCARE16, nullptr};
    const TW_UINT16 rc = CapCall(msg, &cap);
    if (expected.conType == 0) {
        const TW_UINT16 cc = ConditionCode();
        if (rc == TWRC_FAILURE && cc == expected.conditionCode && cap.hContainer == nullptr) {
            return ::testing::AssertionSuccess();
        }
        TakeBlock(cap.hContainer);
        return ::testing::AssertionFailure()
               << "expected failure cc " << expected.conditionCode << ", got rc " << rc << " cc " << cc;
    }
    if (rc != TWRC_SUCCESS) {
        return ::testing::AssertionFailure() << "rc " << rc << " cc " << ConditionCode();
    }
    const TW_UINT16 conType = cap.ConType;
    Bytes got = TakeBlock(cap.hContainer);
    if (conType != expected.conType) {
        return ::testing::AssertionFailure()
               << "container kind " << conType << ", expected " << expected.conType;
    }
    if (got.size() < expected.bytes.size()) {
        return ::testing::AssertionFailure() << "block of " << got.size() << " bytes: " << Hex(got);
    }
    got.resize(expected.bytes.size());
    if (got != expected.bytes) {
        return ::testing::AssertionFailure()
               << "got      " << Hex(got) << "\nexpected " << Hex(expected.bytes);
    }
    return ::testing::AssertionSuccess();
}

// Sends MSG_SET with a one value, as an application does, and frees the block.
inline TW_UINT16 SetOne(TW_UINT16 capId, TW_UINT16 itemType, uint32_t value) {
    HGLOBAL block = BlockOf(OneValue(itemType, value));
    TW_CAPABILITY cap{capId, TWON_ONEVALUE, block};
    const TW_UINT16 rc = CapCall(MSG_SET, &cap);
    EXPECT_EQ(block, cap.hContainer) << "MSG_SET must leave the application's container alone";
    GlobalFree(block);
    return rc;
}

// A fresh source, opened without a device check, A4 selected as for a metric
// user. The link points at a loopback port where nothing listens, so asking
// for the device fails at once instead of searching the USB bus.
class CapabilityTest : public ::testing::Test {
   protected:
    void SetUp() override {
        ResetSource();
        // Start-up applies the adjustment settings' start value (grey); these
        // tests start from colour, as the source is before any settings apply.
        GetScanSettings()->pixelType = GetScanSettings()->uiPixelType = 3;
        RestoreCapabilityTables();
        PointLinkAtLoopbackDevice(1);
        ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(App, 255));
        SetPaperSizeCode(2);
    }
};

}  // namespace capability_test
