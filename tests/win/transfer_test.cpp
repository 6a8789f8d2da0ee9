// The three transfers against the simulated device: the delivered image must
// be the simulator's chart as the neutral adjustment rules and the transfer's
// row order leave it, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/win/transfer_support.h"

namespace {

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

TEST_F(TransferTest, DeviceErrorAtTheEndOfTheScanFailsAndTheNextScanWorks) {
    // The fourth look at the device's state (after enabling and the transfer's
    // own checks) reports a paper jam while the scan job runs.
    OPEN_OR_SKIP("--sense-code 2@4", 3);
    TW_UINT32 handle = 0;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
    EXPECT_EQ(TWCC_OPERATIONERROR, GetCoreContext()->conditionCode);
    EXPECT_EQ(SCANSTATUS_FAILED, GetScanSettings()->scanStatus);
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(0, pending.Count);
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
    // Headers alone would claim a whole image: the failed transfer leaves no file.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
    DeleteFileA(path.c_str());
}

// A page too large for any transfer to hold fails for memory, in every
// mechanism, and the session goes on with a smaller scan.
TEST_F(TransferTest, PageTooLargeToHoldFailsForMemoryAndASmallerScanWorks) {
    OPEN_OR_SKIP("", 3);
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "tarvik-too-large.bmp";
    snprintf(GetCoreContext()->xferFileName, sizeof GetCoreContext()->xferFileName, "%s", path.c_str());
    struct Mechanism {
        const char* name;
        TW_UINT16 (*transfer)(TransferTest* t);
    };
    const Mechanism mechanisms[] = {
        {"native",
         [](TransferTest* t) {
             TW_UINT32 handle = 0;
             const TW_UINT16 rc = t->Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
             if (handle != 0) GlobalFree(reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handle)));
             return rc;
         }},
        {"memory",
         [](TransferTest* t) {
             std::vector<uint8_t> image;
             uint32_t bytesPerRow = 0;
             int calls = 0;
             return MemoryTransfer(t, 65535, TWMF_APPOWNS | TWMF_POINTER, &image, &bytesPerRow, &calls);
         }},
        {"file", [](TransferTest* t) { return t->Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr); }},
    };
    for (const Mechanism& m : mechanisms) {
        SCOPED_TRACE(m.name);
        SetResolutionIndex(9);  // 4800 dpi
        SetPaperSizeCode(2);    // A4
        EXPECT_EQ(TWRC_FAILURE, m.transfer(this));
        EXPECT_EQ(TWCC_LOWMEMORY, GetCoreContext()->conditionCode);
        SetResolutionIndex(4);  // 300 dpi, the small area of the session
        SetPaperSizeCode(255);
        EXPECT_EQ(TWRC_XFERDONE, m.transfer(this));
    }
    const std::string log = ReadSimulatorLog(device);
    size_t starts = 0;
    for (size_t at = log.find("SCAN_STARTSCAN"); at != std::string::npos;
         at = log.find("SCAN_STARTSCAN", at + 1)) {
        ++starts;
    }
    EXPECT_EQ(3u, starts) << "only the small scans started the device";
    DeleteFileA(path.c_str());
}

// Asking the file set-up back, as applications do after each page, leaves
// the name they set in force.
TEST_F(TransferTest, FileGoesToTheNameSetEvenAfterAskingItBack) {
    OPEN_OR_SKIP("", 2);
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "tarvik-named.bmp";
    DeleteFileA(path.c_str());
    DeleteFileA("TWAIN.TMP");
    TW_SETUPFILEXFER setup{};
    snprintf(setup.FileName, sizeof setup.FileName, "%s", path.c_str());
    setup.Format = TWFF_BMP;
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup));
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
        TW_SETUPFILEXFER got{};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_SETUPFILEXFER, msg, &got));
        EXPECT_STREQ(msg == MSG_GETDEFAULT ? "TWAIN.TMP" : path.c_str(), got.FileName) << msg;
    }
    ASSERT_EQ(TWRC_XFERDONE, Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str())) << "the page is in the set name";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("TWAIN.TMP")) << "no page under the default name";
    DeleteFileA(path.c_str());
}

// Once the transfer is announced, capabilities stay as they were announced.
TEST_F(TransferTest, CapabilitiesCannotChangeUnderAnAnnouncedTransfer) {
    OPEN_OR_SKIP("", 3);
    ASSERT_EQ(600, GetCoreContext()->state);
    TW_IMAGEINFO info{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(24, info.BitsPerPixel);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(TW_ONEVALUE));
    *static_cast<TW_ONEVALUE*>(GlobalLock(block)) = TW_ONEVALUE{TWTY_UINT16, TWPT_GRAY};
    GlobalUnlock(block);
    // A grey MSG_SET, and a reset of the depth, which would switch to colour.
    for (TW_CAPABILITY cap : {TW_CAPABILITY{ICAP_PIXELTYPE, TWON_ONEVALUE, block},
                              TW_CAPABILITY{ICAP_BITDEPTH, TWON_DONTCARE16, nullptr}}) {
        const TW_UINT16 msg = cap.hContainer != nullptr ? MSG_SET : MSG_RESET;
        EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CAPABILITY, msg, &cap)) << msg;
        EXPECT_EQ(TWCC_SEQERROR, GetCoreContext()->conditionCode) << msg;
    }
    GlobalFree(block);
    TW_CAPABILITY current{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &current))
        << "asking still works";
    GlobalFree(current.hContainer);
    EXPECT_EQ(3, GetScanSettings()->pixelType);
    EXPECT_EQ(TWRC_XFERDONE, NativeTransferAndCheck(3)) << "the image as announced";
}

TEST_F(TransferTest, TransfersWithoutDeviceFailCleanly) {
    ResetSource();
    ASSERT_EQ(TWRC_SUCCESS, OpenSourceWithChoice(TransferApp, 255));
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
