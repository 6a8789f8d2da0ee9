// Transfers against a device that contradicts itself or fails in the middle:
// another image than announced, a stop-key poll that fails, a file transfer
// that cannot finish. Each ends in a clear TWAIN result, and the next scan works.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "tests/win/transfer_support.h"

namespace {

std::vector<int32_t> reports;
void RecordReport(int32_t status) { reports.push_back(status); }

enum class Mechanism { Native, File, Memory };

std::string TransferFilePath() {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "tarvik-faults.bmp";
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class TransferFaultTest : public TransferTest {
   protected:
    bool OpenFaulty(const std::string& flags) {
        if (!Open(flags, 3)) return false;
        reports.clear();
        GetUiCallbacks()->ReportDeviceStatus = RecordReport;
        SetLinkTimeout(2);
        snprintf(GetCoreContext()->xferFileName, sizeof GetCoreContext()->xferFileName, "%s",
                 TransferFilePath().c_str());
        DeleteFileA(TransferFilePath().c_str());
        return true;
    }
    TW_UINT16 ImageInfo(TW_IMAGEINFO* info) { return Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, info); }
    TW_UINT16 Transfer(Mechanism mechanism) {
        TW_UINT32 handle = 0;
        std::vector<uint8_t> image;
        uint32_t bytesPerRow = 0;
        int calls = 0;
        TW_UINT16 rc = TWRC_FAILURE;
        switch (mechanism) {
            case Mechanism::Native:
                rc = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
                if (handle != 0) GlobalFree(reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handle)));
                break;
            case Mechanism::File:
                rc = Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
                break;
            case Mechanism::Memory:
                rc = MemoryTransfer(this, 65535, TWMF_APPOWNS | TWMF_POINTER, &image, &bytesPerRow, &calls);
                break;
        }
        return rc;
    }
    void TearDown() override {
        DeleteFileA(TransferFilePath().c_str());
        TransferTest::TearDown();
        SetLinkTimeout(0);
    }
};

const char* Name(Mechanism m) {
    return m == Mechanism::Native ? "native" : m == Mechanism::File ? "file" : "memory";
}

// The device's second answer about the image (the transfer's own; the native
// transfer asks twice) differs from the one DAT_IMAGEINFO passed on.
TEST_F(TransferFaultTest, AnImageOtherThanAnnouncedIsRefusedAndTheNextScanWorks) {
    struct Case {
        Mechanism mechanism;
        const char* flags;
    };
    const Case cases[] = {
        {Mechanism::Native, "--odd-geometry 3:1"}, {Mechanism::File, "--odd-geometry 2:2"},
        {Mechanism::Memory, "--odd-geometry 2:1"}, {Mechanism::Memory, "--odd-geometry 1:3"},
        {Mechanism::File, "--odd-geometry 1:1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(Name(c.mechanism)) + " " + c.flags);
        if (!OpenFaulty(c.flags)) GTEST_SKIP() << skipReason;
        TW_IMAGEINFO info{};
        ASSERT_EQ(TWRC_SUCCESS, ImageInfo(&info));
        EXPECT_EQ(TWRC_FAILURE, Transfer(c.mechanism));
        EXPECT_EQ(TWCC_OPERATIONERROR, GetCoreContext()->conditionCode);
        EXPECT_EQ(std::vector<int32_t>{6}, reports);
        EXPECT_FALSE(FileExists(TransferFilePath()));
        EXPECT_EQ(SCANSTATUS_FAILED, GetScanSettings()->scanStatus);
        // The application asks again and now gets what it was told.
        ASSERT_EQ(TWRC_SUCCESS, ImageInfo(&info));
        EXPECT_EQ(TWRC_XFERDONE, Transfer(c.mechanism));
        TearDown();
    }
}

TEST_F(TransferFaultTest, OnlyAPressedKeyCancelsAFailedPollIsADeviceFailure) {
    struct Case {
        const char* flags;
        TW_UINT16 rc;
        int32_t report;
    };
    const Case cases[] = {
        {"--stop-key-after 0:1", TWRC_CANCEL, 3},
        {"--stop-key-after 0:3", TWRC_CANCEL, 7},
        {"--stop-key-after 0:2", TWRC_FAILURE, 4},
        {"--wrong-code startkeystatus@1", TWRC_FAILURE, 1},
        {"--silence-on startkeystatus@1", TWRC_FAILURE, 1},
        {"--drop-on startkeystatus@1", TWRC_FAILURE, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        if (!OpenFaulty(c.flags)) GTEST_SKIP() << skipReason;
        SetCustomArea(0, 0, 600, 400);  // beyond 512 KB, so the key is polled
        EXPECT_EQ(c.rc, Transfer(Mechanism::Native));
        if (c.rc == TWRC_FAILURE) {
            EXPECT_EQ(TWCC_OPERATIONERROR, GetCoreContext()->conditionCode);
        }
        EXPECT_EQ(std::vector<int32_t>{c.report}, reports);
        EXPECT_EQ(TWRC_XFERDONE, NativeTransferAndCheck(3));
        TearDown();
    }
}

TEST_F(TransferFaultTest, AFileTransferThatCannotFinishLeavesNoFile) {
    const char* const flags[] = {"--drop-after 50000", "--silence-after 50000", "--stop-key-after 0:1",
                                 "--wrong-length readdata@1:-100"};
    for (const char* f : flags) {
        SCOPED_TRACE(f);
        if (!OpenFaulty(f)) GTEST_SKIP() << skipReason;
        SetCustomArea(0, 0, 600, 400);
        // Whatever was there under the name before is replaced, and then removed.
        FILE* old = fopen(TransferFilePath().c_str(), "wb");
        ASSERT_NE(nullptr, old);
        fputs("an older page", old);
        fclose(old);
        const TW_UINT16 rc = Transfer(Mechanism::File);
        EXPECT_TRUE(rc == TWRC_FAILURE || rc == TWRC_CANCEL) << rc;
        EXPECT_FALSE(FileExists(TransferFilePath()));
        EXPECT_EQ(TWRC_XFERDONE, Transfer(Mechanism::File));
        EXPECT_TRUE(FileExists(TransferFilePath()));
        TearDown();
    }
}

}  // namespace
