// The three transfers against the simulated device: the delivered image must
// be the simulator's chart as the neutral adjustment rules and the transfer's
// row order leave it, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "tests/support/sim_client.h"
#include "tests/win/win_test_support.h"
#include "tools/sim/sim_chart.h"

namespace {

constexpr TW_UINT32 App = 61;

struct SentWindow {
    tarvik_sim::ChartWindow window;
    uint32_t page = 0;
    bool found = false;
};

uint32_t Field(const std::string& line, const char* key) {
    size_t at = line.find(std::string(" ") + key + "=");
    return at == std::string::npos ? 0 : static_cast<uint32_t>(strtoul(line.c_str() + at + strlen(key) + 2, nullptr, 10));
}

// The last scan window the device received and the page it scanned for it.
SentWindow LastScan(const std::string& log) {
    SentWindow sent;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        const std::string line = log.substr(start, end - start);
        if (line.rfind("SCAN_SETWINDOW", 0) == 0) {
            tarvik_sim::ChartWindow& w = sent.window;
            w.resolutionCode = static_cast<uint8_t>(Field(line, "reso"));
            w.scanType = static_cast<uint8_t>(Field(line, "type"));
            w.paperCode = static_cast<uint8_t>(Field(line, "paper"));
            w.x = static_cast<uint16_t>(Field(line, "x"));
            w.y = static_cast<uint16_t>(Field(line, "y"));
            w.width = static_cast<uint16_t>(Field(line, "width"));
            w.length = static_cast<uint16_t>(Field(line, "length"));
            w.xResolution = static_cast<uint16_t>(Field(line, "xres"));
            sent.found = true;
        } else if (line.rfind("NOTE", 0) == 0 && line.find(" scan page=") != std::string::npos) {
            sent.page = Field(line, "page");
        }
        start = end + 1;
    }
    return sent;
}

struct Expected {
    int32_t width = 0, height = 0, pixelType = 3;
    std::vector<uint8_t> rows;  // top-down, packed, as the neutral pipeline leaves them
    size_t packed = 0;
};

// The chart rows the device sent, after the neutral adjustments (1-bit rows are complemented).
Expected ExpectedImage(const SentWindow& sent, int32_t pixelType) {
    Expected e;
    const tarvik_sim::ChartGeometry g = tarvik_sim::ComputeChartGeometry(sent.window);
    e.width = static_cast<int32_t>(g.actualWidth);
    e.height = static_cast<int32_t>(g.actualHeight);
    e.pixelType = pixelType;
    e.rows = tarvik_sim::RenderChartRows(sent.window, sent.page);
    e.packed = pixelType == 3 ? 3 * e.width : pixelType == 2 ? e.width : (e.width + 7) / 8;
    if (pixelType != 2 && pixelType != 3) {
        for (uint8_t& b : e.rows) b = static_cast<uint8_t>(~b);
    }
    return e;
}

size_t Aligned(size_t packed) { return (packed + 3) / 4 * 4; }

// Compares delivered rows (stride apart, in bitmap or device order) with the expectation.
void ExpectRows(const Expected& e, const uint8_t* data, size_t stride, bool bitmapOrder, const char* what) {
    const size_t validBits = static_cast<size_t>(e.width) % 8;
    for (int32_t y = 0; y < e.height; ++y) {
        const uint8_t* got = data + stride * static_cast<size_t>(bitmapOrder ? e.height - 1 - y : y);
        const uint8_t* want = e.rows.data() + e.packed * static_cast<size_t>(y);
        for (size_t i = 0; i < e.packed; ++i) {
            uint8_t w = want[i];
            uint8_t g = got[i];
            if (e.pixelType == 3 && bitmapOrder) w = want[i - i % 3 + (2 - i % 3)];
            if (e.pixelType < 2 && i == e.packed - 1 && validBits != 0) {
                const uint8_t mask = static_cast<uint8_t>(0xFF << (8 - validBits));
                w &= mask;
                g &= mask;
            }
            ASSERT_EQ(w, g) << what << ": row " << y << " byte " << i;
        }
    }
}

class TransferTest : public ::testing::Test {
   public:
    // Opens the source on a fresh simulated device and enables it without
    // interface, as a scripted application would; false (skipped) without a simulator.
    bool Open(const std::string& flags, int32_t pixelType, int32_t paperSource = 0) {
        std::string why;
        if (!StartSimulatedDevice(flags, &device, &why)) {
            skipReason = why;
            return false;
        }
        ResetSource();
        PointLinkAtLoopbackDevice(static_cast<uint16_t>(device.port));
        EXPECT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(App, 0)) << ReadSimulatorLog(device);
        SetPixelType(pixelType);
        SetResolutionIndex(2);  // 150 dpi keeps the images small
        SetPaperSizeCode(255);
        SetCustomArea(30, 45, 301, 203);
        SetPaperSource(paperSource);
        TW_USERINTERFACE ui{0, 0, nullptr};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
        return true;
    }
    void TearDown() override {
        if (GetCoreContext()->state >= 400) Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        StopSimulatedDevice(&device);
    }
    TW_UINT16 Call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
        TW_IDENTITY app = AppIdentity(App);
        return DS_Entry(&app, group, dat, msg, data);
    }
    Expected LastExpected(int32_t pixelType) {
        SentWindow sent = LastScan(ReadSimulatorLog(device));
        EXPECT_TRUE(sent.found);
        return ExpectedImage(sent, pixelType);
    }

    // Native transfer; checks and frees the bitmap. Returns the handler's code.
    TW_UINT16 NativeTransferAndCheck(int32_t pixelType) {
        TW_UINT32 handle = 0;
        TW_UINT16 rc = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
        if (rc != TWRC_XFERDONE) return rc;
        Expected e = LastExpected(pixelType);
        auto block = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handle));
        auto* bitmap = static_cast<uint8_t*>(GlobalLock(block));
        EXPECT_NE(nullptr, bitmap);
        if (bitmap != nullptr) {
            int32_t width, height;
            uint16_t bits;
            memcpy(&width, bitmap + 4, 4);
            memcpy(&height, bitmap + 8, 4);
            memcpy(&bits, bitmap + 14, 2);
            EXPECT_EQ(e.width, width);
            EXPECT_EQ(e.height, height);
            EXPECT_EQ(pixelType == 3 ? 24 : pixelType == 2 ? 8 : 1, bits);
            const size_t palette = pixelType == 3 ? 0 : pixelType == 2 ? 1024 : 8;
            EXPECT_GE(GlobalSize(block), 40 + palette + Aligned(e.packed) * e.height);
            ExpectRows(e, bitmap + 40 + palette, Aligned(e.packed), true, "native");
            GlobalUnlock(block);
        }
        GlobalFree(block);
        return rc;
    }

    SimulatedDevice device;
    std::string skipReason;
};

#define OPEN_OR_SKIP(...) \
    if (!Open(__VA_ARGS__)) GTEST_SKIP() << skipReason

TEST_F(TransferTest, NativeDeliversTheChartBottomUpInEveryPixelType) {
    for (int32_t pixelType : {3, 2, 0}) {
        SCOPED_TRACE(pixelType);
        OPEN_OR_SKIP("", pixelType);
        EXPECT_EQ(TWRC_XFERDONE, NativeTransferAndCheck(pixelType));
        EXPECT_EQ(TWCC_BUMMER, GetCoreContext()->conditionCode) << "1 after a completed native transfer";
        EXPECT_EQ(SCANSTATUS_DELIVERED, GetScanSettings()->scanStatus);
        TearDown();
    }
}

TEST_F(TransferTest, FileWritesABmpOfTheChartInEveryPixelType) {
    for (int32_t pixelType : {3, 2, 1}) {
        SCOPED_TRACE(pixelType);
        OPEN_OR_SKIP("", pixelType);
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        std::string path = std::string(folder) + "tarvik-file-xfer.bmp";
        DeleteFileA(path.c_str());
        snprintf(GetCoreContext()->xferFileName, sizeof GetCoreContext()->xferFileName, "%s", path.c_str());
        ASSERT_EQ(TWRC_XFERDONE, Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
        Expected e = LastExpected(pixelType);
        FILE* f = fopen(path.c_str(), "rb");
        ASSERT_NE(nullptr, f);
        std::vector<uint8_t> file(1 << 22);
        file.resize(fread(file.data(), 1, file.size(), f));
        fclose(f);
        const size_t palette = pixelType == 3 ? 0 : pixelType == 2 ? 1024 : 8;
        const size_t imageBytes = Aligned(e.packed) * e.height;
        ASSERT_EQ(14 + 40 + palette + imageBytes, file.size());
        EXPECT_EQ('B', file[0]);
        EXPECT_EQ('M', file[1]);
        uint32_t fileSize, offset;
        memcpy(&fileSize, &file[2], 4);
        memcpy(&offset, &file[10], 4);
        EXPECT_EQ(file.size(), fileSize);
        EXPECT_EQ(14 + 40 + palette, offset);
        if (pixelType == 2) {
            EXPECT_EQ(0u, file[54] | file[55] | file[56] | file[57]);
            EXPECT_EQ(255, file[54 + 1020]);
        }
        ExpectRows(e, file.data() + offset, Aligned(e.packed), true, "file");
        DeleteFileA(path.c_str());
        TearDown();
    }
}

// Runs a whole memory transfer with the given buffer length and flags and
// assembles the strips; returns the last code.
TW_UINT16 MemoryTransfer(TransferTest* t, uint32_t length, uint32_t flags, std::vector<uint8_t>* image,
                         uint32_t* bytesPerRow, int* calls);

TEST_F(TransferTest, MemoryDeliversTheChartTopDownInEveryPixelType) {
    for (int32_t pixelType : {3, 2, 0}) {
        SCOPED_TRACE(pixelType);
        OPEN_OR_SKIP("", pixelType);
        std::vector<uint8_t> image;
        uint32_t bytesPerRow = 0;
        int calls = 0;
        ASSERT_EQ(TWRC_XFERDONE, MemoryTransfer(this, 20000, TWMF_APPOWNS | TWMF_POINTER, &image, &bytesPerRow, &calls));
        Expected e = LastExpected(pixelType);
        EXPECT_EQ(Aligned(e.packed), bytesPerRow);
        ASSERT_EQ(bytesPerRow * static_cast<size_t>(e.height), image.size());
        ExpectRows(e, image.data(), bytesPerRow, false, "memory");
        if (pixelType != 0) {
            EXPECT_GT(calls, 1) << "strips of at most the buffer's length";
        }
        TearDown();
    }
}

TEST_F(TransferTest, MemoryWithSourceOwnedHandlesGivesLockableBlocks) {
    OPEN_OR_SKIP("", 3);
    std::vector<uint8_t> image;
    uint32_t bytesPerRow = 0;
    int calls = 0;
    ASSERT_EQ(TWRC_XFERDONE, MemoryTransfer(this, 65535, TWMF_DSOWNS | TWMF_HANDLE, &image, &bytesPerRow, &calls));
    Expected e = LastExpected(3);
    ExpectRows(e, image.data(), bytesPerRow, false, "memory, source-owned handles");
}

TW_UINT16 MemoryTransfer(TransferTest* t, uint32_t length, uint32_t flags, std::vector<uint8_t>* image,
                         uint32_t* bytesPerRow, int* calls) {
    std::vector<uint8_t> buffer(length);
    HGLOBAL appBlock = (flags & TWMF_APPOWNS) && (flags & TWMF_HANDLE) ? GlobalAlloc(GMEM_MOVEABLE, length) : nullptr;
    TW_UINT16 rc = TWRC_SUCCESS;
    uint32_t expectedOffset = 0;
    for (*calls = 0; *calls < 10000 && rc == TWRC_SUCCESS; ++*calls) {
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory.Flags = flags;
        xfer.Memory.Length = length;
        xfer.Memory.TheMem = appBlock != nullptr ? TW_MEMREF(appBlock) : (flags & TWMF_APPOWNS) ? buffer.data() : nullptr;
        rc = t->Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) break;
        EXPECT_EQ(expectedOffset, TW_UINT32{xfer.YOffset});
        expectedOffset += xfer.Rows;
        *bytesPerRow = xfer.BytesPerRow;
        EXPECT_EQ(TW_UINT32{xfer.Rows} * xfer.BytesPerRow, TW_UINT32{xfer.BytesWritten});
        const uint8_t* data = nullptr;
        HGLOBAL locked = nullptr;
        if (flags & TWMF_DSOWNS) {
            if (flags & TWMF_HANDLE) {
                locked = static_cast<HGLOBAL>(xfer.Memory.TheMem);
                data = static_cast<uint8_t*>(GlobalLock(locked));
            } else {
                data = static_cast<uint8_t*>(xfer.Memory.TheMem);
            }
        } else if (appBlock != nullptr) {
            locked = appBlock;
            data = static_cast<uint8_t*>(GlobalLock(locked));
        } else {
            data = buffer.data();
        }
        EXPECT_NE(nullptr, data);
        if (data != nullptr) image->insert(image->end(), data, data + xfer.BytesWritten);
        if (locked != nullptr) GlobalUnlock(locked);
    }
    if (appBlock != nullptr) GlobalFree(appBlock);
    return rc;
}

TEST_F(TransferTest, FeederSheetsArriveInTurnUntilTheFeederIsEmpty) {
    OPEN_OR_SKIP("--sheets 3", 2, 1);
    const TW_UINT16 counts[] = {1, 1, 0};
    for (int sheet = 0; sheet < 3; ++sheet) {
        SCOPED_TRACE(sheet);
        ASSERT_EQ(TWRC_XFERDONE, NativeTransferAndCheck(2));
        EXPECT_EQ(static_cast<uint32_t>(sheet + 1), LastScan(ReadSimulatorLog(device)).page);
        TW_PENDINGXFERS pending{};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
        EXPECT_EQ(counts[sheet], pending.Count);
    }
}

TEST_F(TransferTest, DeviceStopKeyCancelsAndTheNextScanWorks) {
    OPEN_OR_SKIP("--stop-key-after 100000", 3);
    SetResolutionIndex(4);  // enough data for the key to be polled
    SetCustomArea(0, 0, 1200, 900);
    TW_UINT32 handle = 0;
    EXPECT_EQ(TWRC_CANCEL, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
    EXPECT_EQ(SCANSTATUS_CANCELLED, GetScanSettings()->scanStatus);
    EXPECT_NE(std::string::npos, ReadSimulatorLog(device).find("SCAN_ABORT"));
    EXPECT_EQ(TWRC_XFERDONE, NativeTransferAndCheck(3));
}

TEST_F(TransferTest, DroppedConnectionMidScanFailsAndTheNextScanWorks) {
    OPEN_OR_SKIP("--drop-after 50000", 3);
    std::vector<uint8_t> image;
    uint32_t bytesPerRow = 0;
    int calls = 0;
    EXPECT_EQ(TWRC_FAILURE, MemoryTransfer(this, 20000, TWMF_APPOWNS | TWMF_POINTER, &image, &bytesPerRow, &calls));
    EXPECT_EQ(TWCC_OPERATIONERROR, GetCoreContext()->conditionCode);
    EXPECT_EQ(TWRC_XFERDONE, NativeTransferAndCheck(3));
}

TEST_F(TransferTest, FileTransferInAnotherFormatFailsWithBadCap) {
    OPEN_OR_SKIP("", 3);
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string path = std::string(folder) + "tarvik-tiff.bmp";
    snprintf(GetCoreContext()->xferFileName, sizeof GetCoreContext()->xferFileName, "%s", path.c_str());
    GetCoreContext()->xferFileFormat = TWFF_TIFF;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADCAP, GetCoreContext()->conditionCode);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info));
    EXPECT_EQ(14u + 40u, info.nFileSizeLow) << "only the headers";
    DeleteFileA(path.c_str());
}

TEST_F(TransferTest, TransfersWithoutDeviceFailCleanly) {
    ResetSource();
    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(App, 255));
    TW_UINT32 handle = 0;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
    EXPECT_EQ(TWCC_CHECKDEVICEONLINE, GetCoreContext()->conditionCode);
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
    xfer.Memory.Length = 65535;
    std::vector<uint8_t> buffer(65535);
    xfer.Memory.TheMem = buffer.data();
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer));
    EXPECT_EQ(TWCC_OPERATIONERROR, GetCoreContext()->conditionCode);
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_OPERATIONERROR, GetCoreContext()->conditionCode);
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, nullptr));
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_SET, &handle));
    EXPECT_EQ(TWCC_BADPROTOCOL, GetCoreContext()->conditionCode);
}

}  // namespace
