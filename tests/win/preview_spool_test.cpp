// The preview job and its spool file: written after a preview, restored when
// the interface opens again, ignored when missing, padded when short.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "scan/spool_file.h"
#include "tests/win/transfer_support.h"

namespace {

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(f);
    return bytes;
}

class PreviewSpoolTest : public TransferTest {
   public:
    void SetUp() override { DeleteFileA(SpoolFilePath().c_str()); }
    void TearDownSpool() { DeleteFileA(SpoolFilePath().c_str()); }
    // Runs a preview to its end; false when it did not start.
    bool Preview() {
        if (StartPreview() != 0) return false;
        WaitForSingleObject(static_cast<HANDLE>(GetScanSettings()->scanDoneEvent), 60000);
        return GetScanSettings()->scanStatus == SCANSTATUS_SCANNED;
    }
};

// The spool file is one per machine, so its cases run in one test, in turn,
// never beside each other.
TEST_F(PreviewSpoolTest, WrittenByPreviewRestoredOnEnableMissingIgnoredShortPadded) {
    OPEN_OR_SKIP("", 0);
    ASSERT_TRUE(Preview());
    EXPECT_EQ(0, GetScanSettings()->uiPixelType) << "the preview scans in colour but keeps the chosen type";
    const SentWindow sent = LastScan(ReadSimulatorLog(device));
    ASSERT_TRUE(sent.found);
    EXPECT_EQ(tarvik_sim::kPreviewResolutionCode, sent.window.resolutionCode);
    const Expected e = ExpectedImage(sent, 3);
    const std::vector<uint8_t> spool = ReadWholeFile(SpoolFilePath());
    ASSERT_EQ(e.rows.size(), spool.size()) << "imageHeight rows of 3 x imageWidth bytes";
    EXPECT_TRUE(spool == e.rows) << "the raw rows exactly as the device sent them";

    // Back to state 400 and enabled with the interface: the preview comes back from the file.
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
    EXPECT_EQ(nullptr, GetPreviewImage()->base);
    TW_USERINTERFACE ui{1, 0, nullptr};
    Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    const ScanImage* preview = GetPreviewImage();
    ASSERT_NE(nullptr, preview->base);
    EXPECT_EQ(e.width, preview->width);
    EXPECT_EQ(e.height, preview->height);
    EXPECT_EQ(0, memcmp(preview->rows, e.rows.data(), e.rows.size()));
    EXPECT_NE(nullptr, preview->dibBits) << "a restored preview can be shown";
    EXPECT_EQ(SCANSTATUS_SCANNED, GetScanSettings()->scanStatus);
    TearDownSpool();
    TearDown();

    SCOPED_TRACE("missing spool file");
    OPEN_OR_SKIP("", 3);
    Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr);
    Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    EXPECT_EQ(nullptr, GetPreviewImage()->base);
    EXPECT_EQ(0, RestorePreview(SpoolFilePath().c_str()));
    TearDown();

    SCOPED_TRACE("short spool file");
    OPEN_OR_SKIP("", 3);
    ASSERT_TRUE(Preview());
    const std::vector<uint8_t> full = ReadWholeFile(SpoolFilePath());
    ASSERT_GT(full.size(), 1000u);
    ASSERT_TRUE(WriteWholeFile(SpoolFilePath().c_str(), GENERIC_WRITE, full.data(), 1000));
    GetScanWindow()->previewMode = 1;
    ASSERT_EQ(1, RestorePreview(SpoolFilePath().c_str()));
    const uint8_t* rows = GetPreviewImage()->rows;
    EXPECT_EQ(0, memcmp(rows, full.data(), 1000));
    for (size_t i = 1000; i < full.size(); ++i) ASSERT_EQ(0xFF, rows[i]) << i;
    TearDownSpool();
}

TEST_F(PreviewSpoolTest, WholeFileWritesCreateAppendAndRefuseOtherModes) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "tarvik-whole-file.bin";
    const uint8_t a[3] = {1, 2, 3}, b[2] = {4, 5};
    EXPECT_TRUE(WriteWholeFile(path.c_str(), FILE_APPEND_DATA, a, 3)) << "append creates a missing file";
    EXPECT_TRUE(WriteWholeFile(path.c_str(), FILE_APPEND_DATA, b, 2));
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4, 5}), ReadWholeFile(path));
    EXPECT_TRUE(WriteWholeFile(path.c_str(), GENERIC_WRITE, b, 2));
    EXPECT_EQ((std::vector<uint8_t>{4, 5}), ReadWholeFile(path));
    EXPECT_FALSE(WriteWholeFile(path.c_str(), GENERIC_READ, a, 3));
    EXPECT_FALSE(WriteWholeFile(nullptr, GENERIC_WRITE, a, 3));
    DeleteFileA(path.c_str());
}

}  // namespace
