// Shared by the transfer tests: a session on a simulated device, the image
// the device sent as the neutral adjustments leave it, and row comparisons.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/sim_client.h"
#include "tests/win/win_test_support.h"
#include "tools/sim/sim_chart.h"

constexpr TW_UINT32 TransferApp = 61;

struct SentWindow {
    tarvik_sim::ChartWindow window;
    uint32_t page = 0;
    bool found = false;
};

// The last scan window the device received and the page it scanned for it.
SentWindow LastScan(const std::string& log);

struct Expected {
    int32_t width = 0, height = 0, pixelType = 3;
    std::vector<uint8_t> rows;  // top-down, packed, as the neutral pipeline leaves them
    size_t packed = 0;
};

// The chart rows the device sent, after the neutral adjustments (1-bit rows are complemented).
Expected ExpectedImage(const SentWindow& sent, int32_t pixelType);
inline size_t Aligned(size_t packed) { return (packed + 3) / 4 * 4; }
// Compares delivered rows (stride apart, in bitmap or device order) with the expectation.
void ExpectRows(const Expected& e, const uint8_t* data, size_t stride, bool bitmapOrder, const char* what);

class TransferTest : public ::testing::Test {
   public:
    // Opens the source on a fresh simulated device and enables it without
    // interface, as a scripted application would; false (skipped) without a simulator.
    bool Open(const std::string& flags, int32_t pixelType, int32_t paperSource = 0);
    void TearDown() override;
    TW_UINT16 Call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    Expected LastExpected(int32_t pixelType);
    // Native transfer; checks and frees the bitmap. Returns the handler's code.
    TW_UINT16 NativeTransferAndCheck(int32_t pixelType);

    SimulatedDevice device;
    std::string skipReason;
};

// Runs a memory transfer to its end with the given buffer length and flags and
// assembles the strips; firstRow is where an already started transfer stands.
// Returns the last code.
TW_UINT16 MemoryTransfer(TransferTest* t, uint32_t length, uint32_t flags, std::vector<uint8_t>* image,
                         uint32_t* bytesPerRow, int* calls, uint32_t firstRow = 0);

#define OPEN_OR_SKIP(...) \
    if (!Open(__VA_ARGS__)) GTEST_SKIP() << skipReason
