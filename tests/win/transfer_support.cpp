#include "tests/win/transfer_support.h"

#include <cstdio>
#include <cstring>

SentWindow LastScan(const std::string& log) {
    SentWindow sent;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        const std::string line = log.substr(start, end - start);
        if (line.rfind("SCAN_SETWINDOW", 0) == 0) {
            sent.window = LoggedWindow(line);
            sent.found = true;
        } else if (line.rfind("NOTE", 0) == 0 && line.find(" scan page=") != std::string::npos) {
            sent.page = LogField(line, "page");
        }
        start = end + 1;
    }
    return sent;
}

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

bool TransferTest::Open(const std::string& flags, int32_t pixelType, int32_t paperSource) {
    std::string why;
    if (!StartSimulatedDevice(flags, &device, &why)) {
        skipReason = why;
        return false;
    }
    ResetSource();
    PointLinkAtLoopbackDevice(static_cast<uint16_t>(device.port));
    EXPECT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(TransferApp, 0)) << ReadSimulatorLog(device);
    SetPixelType(pixelType);
    SetResolutionIndex(2);  // 150 dpi keeps the images small
    SetPaperSizeCode(255);
    SetCustomArea(30, 45, 301, 203);
    SetPaperSource(paperSource);
    TW_USERINTERFACE ui{0, 0, nullptr};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    return true;
}

void TransferTest::TearDown() {
    if (GetCoreContext()->state >= 400) Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
    StopSimulatedDevice(&device);
}

TW_UINT16 TransferTest::Call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    TW_IDENTITY app = AppIdentity(TransferApp);
    return DS_Entry(&app, group, dat, msg, data);
}

Expected TransferTest::LastExpected(int32_t pixelType) {
    SentWindow sent = LastScan(ReadSimulatorLog(device));
    EXPECT_TRUE(sent.found);
    return ExpectedImage(sent, pixelType);
}

TW_UINT16 TransferTest::NativeTransferAndCheck(int32_t pixelType) {
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

TW_UINT16 MemoryTransfer(TransferTest* t, uint32_t length, uint32_t flags, std::vector<uint8_t>* image,
                         uint32_t* bytesPerRow, int* calls, uint32_t firstRow) {
    std::vector<uint8_t> buffer(length);
    HGLOBAL appBlock =
        (flags & TWMF_APPOWNS) && (flags & TWMF_HANDLE) ? GlobalAlloc(GMEM_MOVEABLE, length) : nullptr;
    TW_UINT16 rc = TWRC_SUCCESS;
    uint32_t expectedOffset = firstRow;
    for (*calls = 0; *calls < 10000 && rc == TWRC_SUCCESS; ++*calls) {
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory.Flags = flags;
        xfer.Memory.Length = length;
        xfer.Memory.TheMem = appBlock != nullptr      ? TW_MEMREF(appBlock)
                             : (flags & TWMF_APPOWNS) ? buffer.data()
                                                      : nullptr;
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
