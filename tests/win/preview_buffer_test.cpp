// A preview whose padded bitmap rows are longer than the device's lines (an
// image as wide as the line, 3 x width not a multiple of four) must not
// overwrite the raw rows that go into the spool file.
#include <gtest/gtest.h>

#include <vector>

#include "device/device_link.h"
#include "device/transport.h"
#include "scan/scan_job.h"
#include "scan/spool_file.h"
#include "tests/win/fake_device.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr uint16_t Width = 101;   // 303 bytes per line, 304 per padded bitmap row
constexpr uint16_t Lines = 3000;  // 3000 extra bytes: more than the header room

FakeReply Geometry() {
    return FakeReply::Of({static_cast<uint8_t>(Width), 0, static_cast<uint8_t>(Lines & 0xFF),
                          static_cast<uint8_t>(Lines >> 8), static_cast<uint8_t>(Width), 0,
                          static_cast<uint8_t>(Lines & 0xFF), static_cast<uint8_t>(Lines >> 8)});
}

std::vector<uint8_t> ReadSpool() {
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileA(SpoolFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

TEST(PreviewBuffer, PaddedBitmapRowsLeaveTheRawRowsIntact) {
    FakeDevice device;
    device.SetHandler([](const Bytes& block) {
        if (block[0] == 0x03 && block[1] == 0x0B) return Geometry();
        return HealthyReply(block);
    });
    ResetSource();
    SetTransportKind(TRANSPORT_NETWORK);
    SetLinkAddress("127.0.0.1");
    SetLinkPort(device.Port());
    SetLinkTimeout(2);
    DeleteFileA(SpoolFilePath().c_str());
    GetScanWindow()->previewMode = 1;
    GetScanSettings()->pixelType = 3;
    StartScanJob(SCANPURPOSE_PREVIEW);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(GetScanSettings()->scanDoneEvent, 30000));
    ASSERT_EQ(SCANSTATUS_SCANNED, GetScanSettings()->scanStatus);
    if (GetCoreContext()->scanThread != nullptr) WaitForSingleObject(GetCoreContext()->scanThread, 30000);

    const std::vector<uint8_t> spool = ReadSpool();
    ASSERT_EQ(size_t{Lines} * 3 * Width, spool.size());
    const size_t linesPerRead = 524287 / (3 * Width);
    for (size_t line = 0; line < Lines; ++line) {
        const size_t at = (line % linesPerRead) * 3 * Width;  // each read starts the device's pattern anew
        for (size_t i = 0; i < Width; ++i) {
            const uint8_t* pixel = &spool[(line * Width + i) * 3];
            ASSERT_EQ(FakeImageByte(at + i), pixel[0]) << "line " << line << " pixel " << i;
            ASSERT_EQ(FakeImageByte(at + Width + i), pixel[1]) << "line " << line << " pixel " << i;
            ASSERT_EQ(FakeImageByte(at + 2 * Width + i), pixel[2]) << "line " << line << " pixel " << i;
        }
    }
    CloseDevice();
    SetLinkTimeout(0);
    DeleteFileA(SpoolFilePath().c_str());
}

}  // namespace
