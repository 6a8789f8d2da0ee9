// Device operations against the simulated Tarvik4100, a separate host process
// that each test starts through the launcher with the fault it needs.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "core/core_context.h"
#include "core/ui_callbacks.h"
#include "device/device_link.h"
#include "device/device_ops.h"
#include "device/transport.h"
#include "device/window_descriptor.h"
#include "scan/paper_tables.h"
#include "tests/support/sim_client.h"
#include "tools/sim/sim_chart.h"

namespace {

std::vector<int32_t> reports;
void RecordReport(int32_t status) { reports.push_back(status); }

// The request bytes the device selection dialog stores as the identity.
const uint8_t searchRequest[29] = {0x02, 'T', 'a', 'r', 'v', 'i', 'k', '4', '1', '0', '0', 0,   'M', 'o', 'r',
                                   'v',  'e', 'l', 'T', 'a', 'r', 'v', 'i', 'k', '4', '1', '0', '0', 0};

class DeviceSimTest : public ::testing::Test {
   protected:
    // Starts a simulated device with `flags` and points the link at it.
    void StartDevice(const std::string& flags) {
        std::string why;
        if (!StartSimulatedDevice(flags, &device, &why)) GTEST_SKIP() << why;
        InitCoreContextValues(true);
        reports.clear();
        *GetUiCallbacks() = UiCallbackTable{};
        GetUiCallbacks()->ReportDeviceStatus = RecordReport;
        CoreInfo info{};
        info.physicalWidth = 850;
        info.physicalHeight = 1169;
        DSCore_UISetCoreInfo(&info);
        SetTransportKind(TRANSPORT_NETWORK);
        SetLinkAddress("127.0.0.1");
        SetLinkPort(static_cast<uint16_t>(device.port));
        SetLinkIdentity(searchRequest, sizeof searchRequest);
        SetLinkTimeout(2);
    }
    void TearDown() override {
        CloseDevice();
        SetLinkTimeout(0);
        *GetUiCallbacks() = UiCallbackTable{};
        StopSimulatedDevice(&device);
    }

    // First words of the simulator's log lines, once `word` has appeared
    // `count` times (or after two seconds).
    std::vector<std::string> LogWords(const std::string& word = "", int count = 0) {
        std::vector<std::string> words;
        for (int attempt = 0; attempt < 100; ++attempt) {
            words.clear();
            std::istringstream log(ReadSimulatorLog(device));
            std::string line;
            while (std::getline(log, line)) words.push_back(line.substr(0, line.find(' ')));
            if (std::count(words.begin(), words.end(), word) >= count) break;
            Sleep(20);
        }
        return words;
    }
    static int Count(const std::vector<std::string>& words, const std::string& word) {
        return static_cast<int>(std::count(words.begin(), words.end(), word));
    }

    // The window the source sends for the current settings, as the simulator reads it.
    static tarvik_sim::ChartWindow ChartWindowNow() {
        WindowInputs in{};
        const CoreContext* c = GetCoreContext();
        in.previewMode = c->scanWindow.previewMode;
        in.physicalWidth = c->coreInfo.physicalWidth;
        in.physicalHeight = c->coreInfo.physicalHeight;
        in.pixelType = c->scan.pixelType;
        in.paperSizeCode = c->scanWindow.paperSizeCode;
        in.resolutionIndex = c->scanWindow.resolutionIndex;
        in.areaLeft = c->scanWindow.areaLeft;
        in.areaTop = c->scanWindow.areaTop;
        in.areaWidth = c->scanWindow.areaWidth;
        in.areaHeight = c->scanWindow.areaHeight;
        in.paperSource = c->scanWindow.paperSource;
        PaperCodeEntry paper = LookupPaperCode(in.paperSizeCode);
        in.paperWidth600 = paper.width600;
        in.paperLength600 = paper.height600;
        WindowDescriptor d{};
        FillWindowDescriptor(in, &d);
        tarvik_sim::ChartWindow w;
        w.resolutionCode = d.reso;
        w.scanType = d.scanType;
        w.paperCode = d.origSize;
        w.x = d.x;
        w.y = d.y;
        w.width = d.width;
        w.length = d.length;
        w.xResolution = d.xResolution;
        return w;
    }

    // Sets the window up and reads the whole image the way the scan thread
    // does: whole lines per read, the key polled in between. Returns the
    // first failing status, 0 when every byte arrived.
    static DeviceStatus Scan(std::vector<uint8_t>* image, int32_t* keyStatus = nullptr) {
        if (DeviceStatus s = SCAN_SETWINDOW()) return s;
        if (DeviceStatus s = SCAN_GETDATABUFFERSTATE()) return s;
        const CoreContext* c = GetCoreContext();
        uint32_t width = static_cast<uint32_t>(c->deviceLineWidth);
        uint32_t lineBytes = c->scan.pixelType == 3   ? 3 * width
                             : c->scan.pixelType == 2 ? width
                                                      : (width + 7) / 8;
        uint32_t total = lineBytes * static_cast<uint32_t>(c->deviceLineCount);
        if (DeviceStatus s = SCAN_STARTSCAN(total)) return s;
        image->assign(total, 0);
        uint32_t chunk = 524287 / lineBytes * lineBytes;
        for (uint32_t at = 0; at < total; at += chunk) {
            if (at > 0) {
                DeviceStatus key = SCAN_STARTKEYSTATUS(ReportAll);
                if (keyStatus != nullptr) *keyStatus = key;
                if (key != 0) return key;
            }
            if (DeviceStatus s = SCAN_READDATA(image->data() + at, std::min(chunk, total - at))) return s;
        }
        return 0;
    }

    SimulatedDevice device;
};

TEST_F(DeviceSimTest, FeederSheetsScanAsTheChartInEveryPixelType) {
    StartDevice("--sheets 2 --duplex");
    ASSERT_EQ(0, OpenDevice(1));
    EXPECT_EQ(0, SCAN_SENSE(ReportAll));
    EXPECT_EQ(0, SCAN_GETMACHINESTATE());
    EXPECT_EQ(1, GetFeederState()->adfAvailable);
    EXPECT_EQ(1, GetFeederState()->duplexAvailable);
    EXPECT_EQ(1, GetFeederState()->adfLoaded);
    SetPaperSource(2);
    SetPaperSizeCode(2);  // A4
    struct Case {
        int32_t pixelType;
        int32_t resolutionIndex;
    };
    const Case cases[] = {{3, 2}, {2, 0}, {0, 4}};
    uint32_t page = 1;
    for (const Case& k : cases) {
        SetPixelType(k.pixelType);
        SetResolutionIndex(k.resolutionIndex);
        std::vector<uint8_t> image;
        ASSERT_EQ(0, Scan(&image)) << "pixel type " << k.pixelType;
        tarvik_sim::ChartWindow window = ChartWindowNow();
        tarvik_sim::ChartGeometry geometry = tarvik_sim::ComputeChartGeometry(window);
        EXPECT_EQ(geometry.logicWidth, static_cast<uint32_t>(GetCoreContext()->deviceLineWidth));
        EXPECT_EQ(geometry.actualWidth, static_cast<uint32_t>(GetScanSettings()->imageWidth));
        EXPECT_EQ(geometry.actualHeight, static_cast<uint32_t>(GetScanSettings()->imageHeight));
        EXPECT_TRUE(image == tarvik_sim::RenderChartDeviceImage(window, page))
            << "pixel type " << k.pixelType << " page " << page;
        ++page;
    }
    EXPECT_EQ(0, SCAN_SENSE(ReportAll));
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(0, CloseDevice());
    std::vector<std::string> log = LogWords("DISCONNECT", 1);
    EXPECT_EQ(1, Count(log, "SCAN_CHECKPID"));
    EXPECT_EQ(1, Count(log, "SCAN_RELEASE"));
    EXPECT_EQ(0, Count(log, "UNKNOWN"));
}

TEST_F(DeviceSimTest, EveryUserOpensItsOwnConnection) {
    StartDevice("");
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(0, OpenDevice(1)) << i;
        EXPECT_EQ(0, SCAN_SENSE(ReportAll)) << i;
        EXPECT_EQ(0, CloseDevice());
    }
    std::vector<std::string> log = LogWords("DISCONNECT", 3);
    EXPECT_EQ(3, Count(log, "CONNECT"));
    EXPECT_EQ(3, Count(log, "SCAN_RELEASE"));
    EXPECT_EQ(0, Count(log, "REFUSED"));
    EXPECT_TRUE(reports.empty());
}

TEST_F(DeviceSimTest, SenseReplyOneAbortsAndIsHiddenInMode2) {
    StartDevice("--sense-code 1@2");
    ASSERT_EQ(0, OpenDevice(1));
    EXPECT_EQ(0, SCAN_SENSE(ReportAll));
    EXPECT_EQ(3, SCAN_SENSE(ReportAllButCoverOpen));
    EXPECT_EQ(0, SCAN_SENSE(ReportAll));
    EXPECT_TRUE(reports.empty());
    CloseDevice();
    EXPECT_EQ(1, Count(LogWords("DISCONNECT", 1), "SCAN_ABORT"));
}

TEST_F(DeviceSimTest, SenseReplyThreeIsReportedWithoutAbort) {
    StartDevice("--sense-code 3@1");
    ASSERT_EQ(0, OpenDevice(1));
    EXPECT_EQ(2, SCAN_SENSE(ReportAll));
    EXPECT_EQ(std::vector<int32_t>{2}, reports);
    CloseDevice();
    EXPECT_EQ(0, Count(LogWords("DISCONNECT", 1), "SCAN_ABORT"));
}

TEST_F(DeviceSimTest, StopKeyEndsTheScan) {
    StartDevice("--stop-key-after 100000");
    ASSERT_EQ(0, OpenDevice(1));
    SetPixelType(3);
    SetResolutionIndex(4);
    std::vector<uint8_t> image;
    int32_t key = -1;
    EXPECT_EQ(3, Scan(&image, &key));
    EXPECT_EQ(3, key);
    EXPECT_EQ(std::vector<int32_t>{3}, reports);
    CloseDevice();
    EXPECT_EQ(1, Count(LogWords("DISCONNECT", 1), "SCAN_ABORT"));
}

TEST_F(DeviceSimTest, SilentDeviceTimesOutAndTheNextOpenWorks) {
    StartDevice("--silence-on sense@1");
    ASSERT_EQ(0, OpenDevice(1));
    DWORD start = GetTickCount();
    EXPECT_EQ(1, SCAN_SENSE(ReportAll));
    EXPECT_GE(GetTickCount() - start, 1900u);
    EXPECT_EQ(std::vector<int32_t>{1}, reports);
    CloseDevice();
    std::vector<std::string> log = LogWords("DISCONNECT", 1);
    EXPECT_EQ(0, Count(log, "SCAN_ABORT"));
    ASSERT_EQ(0, OpenDevice(1));  // the fault hit only the first sense
    EXPECT_EQ(0, SCAN_SENSE(ReportAll));
}

TEST_F(DeviceSimTest, SplitRepliesStillScanExactly) {
    StartDevice("--split 5:1");
    ASSERT_EQ(0, OpenDevice(1));
    SetPixelType(2);
    SetResolutionIndex(0);
    SetPaperSizeCode(PaperCodeCustomArea);
    SetCustomArea(10, 20, 64, 40);
    std::vector<uint8_t> image;
    ASSERT_EQ(0, Scan(&image));
    EXPECT_TRUE(image == tarvik_sim::RenderChartDeviceImage(ChartWindowNow(), 0));
    EXPECT_TRUE(reports.empty());
}

TEST_F(DeviceSimTest, DroppedConnectionDuringDataFailsWithStatus6) {
    StartDevice("--drop-after 5000");
    ASSERT_EQ(0, OpenDevice(1));
    SetPixelType(3);
    SetResolutionIndex(2);
    std::vector<uint8_t> image;
    DWORD start = GetTickCount();
    EXPECT_EQ(6, Scan(&image));
    EXPECT_LT(GetTickCount() - start, 2000u);  // a closed connection is not waited out
    EXPECT_EQ(std::vector<int32_t>{6}, reports);
}

TEST_F(DeviceSimTest, WrongRepliesFailTheirOperation) {
    StartDevice("--wrong-code checkpid@1 --wrong-length getmachinestate@1:-1 --wrong-code sense@1");
    EXPECT_EQ(1, OpenDevice(1));  // identity answered with a wrong reply code
    EXPECT_EQ(nullptr, GetCoreContext()->openTransport);
    EXPECT_EQ(std::vector<int32_t>{1}, reports);
    reports.clear();
    LogWords("DISCONNECT", 1);  // the device takes one conversation at a time
    ASSERT_EQ(0, OpenDevice(1));
    EXPECT_EQ(1, SCAN_GETMACHINESTATE());  // one byte short: waited out
    EXPECT_EQ(std::vector<int32_t>{1}, reports);
    CloseDevice();
    reports.clear();
    LogWords("DISCONNECT", 2);
    ASSERT_EQ(0, OpenDevice(1));
    EXPECT_EQ(1, SCAN_SENSE(ReportAll));  // a status byte the device does not define
    EXPECT_EQ(std::vector<int32_t>{1}, reports);
}

TEST_F(DeviceSimTest, BusyDeviceIsRefusedThenAccepted) {
    StartDevice("--busy-first 1");
    EXPECT_EQ(1, OpenDevice(1));
    EXPECT_EQ(std::vector<int32_t>{1}, reports);
    EXPECT_EQ(0, OpenDevice(1));
    EXPECT_EQ(0, SCAN_SENSE(ReportAll));
}

TEST_F(DeviceSimTest, RefusedIdentityKeepsTheLinkClosed) {
    StartDevice("--refuse-identity");
    EXPECT_EQ(1, OpenDevice(1));
    EXPECT_EQ(std::vector<int32_t>{1}, reports);
    // The identity check itself always reports, whatever the caller asked.
    LogWords("DISCONNECT", 1);
    EXPECT_EQ(1, OpenDevice(0));
    EXPECT_EQ((std::vector<int32_t>{1, 1}), reports);
    EXPECT_EQ(nullptr, GetCoreContext()->openTransport);
}

}  // namespace
