// The progress dialog from the real resource module, on its own thread, driven
// through the interface slots; and the waits of a transfer while a device
// error is reported to the windows of two threads.
#include "scan/progress_dialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/core_context.h"
#include "core/ui_callbacks.h"
#include "core/win_handles.h"
#include "resources/resource_ids.h"
#include "tests/win/transfer_support.h"
#include "ui/adjustment_settings.h"
#include "ui/main_ui_state.h"

namespace {

std::string ControlText(HWND window, int id) {
    char text[512] = {};
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

bool Shown(HWND dialog, int id) {
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

int BarPosition(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, id, PBM_GETPOS, 0, 0));
}

void SetJob(int32_t purpose, int32_t status, int32_t scanned, int32_t height, int32_t delivered,
            int32_t out) {
    ScanSettings& s = *GetScanSettings();
    s.scanPurpose = purpose;
    s.scanStatus = status;
    s.rowsScanned = scanned;
    s.imageHeight = height;
    s.rowsDelivered = delivered;
    s.outputHeight = out;
}

class ProgressDialogTest : public ::testing::Test {
   protected:
    void SetUp() override {
        ResetSource();
        ASSERT_NE(nullptr, ResourceModule());
        GetUiGlobals()->resourceHandle = ResourceModule();
    }
    void TearDown() override { UiCloseProgress(0); }

    // Starts the dialog through its slot; the window exists when the slot returns.
    HWND Start() {
        UiStartProgress(0);
        HWND dialog = ProgressDialogWindow();
        EXPECT_NE(nullptr, dialog);
        EXPECT_TRUE(UiIsProgressOpen());
        return dialog;
    }
    void Tick(HWND dialog) { SendMessageA(dialog, WM_TIMER, 1000, 0); }
};

TEST_F(ProgressDialogTest, CountersMoveBothBarsAndCloseEndsTheDialogOnItsThread) {
    SetJob(1, SCANSTATUS_SCANNING, 50, 200, 0, 400);
    HWND dialog = Start();
    EXPECT_EQ(ResourceString(IDS_PROGRESS_SCANNING), ControlText(dialog, IDC_PROGRESS_SCAN_TEXT));
    EXPECT_EQ(ResourceString(IDS_PROGRESS_DELIVERING), ControlText(dialog, IDC_PROGRESS_DELIVERY_TEXT));
    EXPECT_EQ(ResourceString(IDS_CANCEL_LABEL), ControlText(dialog, IDCANCEL));
    EXPECT_NE(GetCurrentThreadId(), GetWindowThreadProcessId(dialog, nullptr));
    struct Step {
        int32_t status, scanned, delivered;
        int scanBar, deliveryBar;
    };
    const Step steps[] = {
        {SCANSTATUS_SCANNING, 50, 0, 25, 0},
        {SCANSTATUS_SCANNING, 150, 100, 75, 25},
        {SCANSTATUS_SCANNED, 200, 300, 100, 75},
        {SCANSTATUS_DELIVERED, 200, 400, 100, 100},
    };
    for (const Step& step : steps) {
        SetJob(1, step.status, step.scanned, 200, step.delivered, 400);
        Tick(dialog);
        EXPECT_EQ(step.scanBar, BarPosition(dialog, IDC_PROGRESS_SCAN_BAR)) << "status " << step.status;
        EXPECT_EQ(step.deliveryBar, BarPosition(dialog, IDC_PROGRESS_DELIVERY_BAR))
            << "status " << step.status;
        if (step.scanBar == 75) {
            EXPECT_TRUE(SaveScreenshot(dialog, "progress_mid_scan"));
        }
    }
    UiCloseProgress(200);
    EXPECT_FALSE(UiIsProgressOpen());
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(ProgressDialogTest, CancelWritesTheCancelOnlyOverAnOpenJob) {
    const struct {
        int32_t before, after;
    } cases[] = {{SCANSTATUS_SCANNING, SCANSTATUS_CANCELLED},
                 {SCANSTATUS_SCANNED, SCANSTATUS_CANCELLED},
                 {SCANSTATUS_DELIVERED, SCANSTATUS_DELIVERED},
                 {SCANSTATUS_FAILED, SCANSTATUS_FAILED}};
    for (const auto& c : cases) {
        SetJob(1, c.before, 10, 100, 0, 100);
        HWND dialog = Start();
        UiCancelProgress();
        EXPECT_EQ(c.after, GetScanSettings()->scanStatus) << "from " << c.before;
        // The dialog ended itself; its handle stays until the next close.
        EXPECT_TRUE(UiIsProgressOpen());
        UiCloseProgress(0);
        EXPECT_FALSE(IsWindow(dialog));
    }
}

TEST_F(ProgressDialogTest, PreviewShowsOneBarAndEndsItselfWhenScanned) {
    SetJob(2, SCANSTATUS_SCANNING, 30, 60, 0, 0);
    HWND dialog = Start();
    EXPECT_FALSE(Shown(dialog, IDC_PROGRESS_DELIVERY_BAR));
    EXPECT_FALSE(Shown(dialog, IDC_PROGRESS_DELIVERY_TEXT));
    EXPECT_TRUE(Shown(dialog, IDC_PROGRESS_SCAN_BAR));
    RECT window, cancel;
    GetWindowRect(dialog, &window);
    EXPECT_EQ(328, window.right - window.left);
    EXPECT_EQ(115, window.bottom - window.top);
    GetWindowRect(GetDlgItem(dialog, IDCANCEL), &cancel);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&cancel), 2);
    EXPECT_EQ(120, cancel.left);
    EXPECT_EQ(68, cancel.top);
    Tick(dialog);
    EXPECT_EQ(50, BarPosition(dialog, IDC_PROGRESS_SCAN_BAR));
    ASSERT_TRUE(SaveScreenshot(dialog, "progress_preview"));

    KernelHandle thread(OpenThread(SYNCHRONIZE, FALSE, GetWindowThreadProcessId(dialog, nullptr)));
    GetScanSettings()->scanStatus = SCANSTATUS_SCANNED;
    Tick(dialog);
    EXPECT_EQ(100, BarPosition(dialog, IDC_PROGRESS_SCAN_BAR));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 30000)) << "the preview's dialog did not end";
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(ProgressDialogTest, DeviceStatusIsShownOverTheDialogWhichStaysOpen) {
    SetJob(1, SCANSTATUS_SCANNING, 10, 100, 0, 100);
    HWND dialog = Start();
    MessageBoxReader reader;
    reader.Watch(GetWindowThreadProcessId(dialog, nullptr));
    UiReportDeviceStatus(6);
    UiReportDeviceStatus(5);  // no message for an empty feeder found by the job
    EXPECT_EQ(std::vector<std::string>{ResourceString(IDS_STATUS_READ_FAILED)}, reader.Texts());
    EXPECT_TRUE(IsWindow(dialog));
}

class ProgressCancelTest : public TransferTest {};

// The user presses Cancel as soon as the dialog is up, before the first read.
TEST_F(ProgressCancelTest, CancelInTheDialogEndsTheTransferWithCancel) {
    OPEN_OR_SKIP("", 3);
    GetUiGlobals()->resourceHandle = ResourceModule();
    static void (*startReal)(int) = GetUiCallbacks()->StartProgress;
    GetUiCallbacks()->StartProgress = +[](int unused) {
        startReal(unused);
        UiCancelProgress();
    };
    TW_UINT32 handle = 0;
    EXPECT_EQ(TWRC_CANCEL, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
    EXPECT_EQ(SCANSTATUS_CANCELLED, GetScanSettings()->scanStatus);
    EXPECT_FALSE(UiIsProgressOpen());
    EXPECT_NE(std::string::npos, ReadSimulatorLog(device).find("SCAN_ABORT"));
    GetUiCallbacks()->StartProgress = startReal;
    EXPECT_EQ(TWRC_XFERDONE, NativeTransferAndCheck(3)) << "the next scan runs with its own dialog";
}

// The application's thread has the main dialog up and waits for the job
// while the scan thread reports a device error: to the progress dialog when it
// is up, else to the main dialog. Either way the message is shown
// and the transfer fails; a wait that stopped serving the thread's messages
// would hang here, which the watchdog turns into a failure.
struct Watchdog {
    explicit Watchdog(DWORD limitMs) : done(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        thread = std::thread([this, limitMs] {
            if (WaitForSingleObject(done.get(), limitMs) != WAIT_OBJECT_0) {
                fprintf(stderr, "deadlock: the transfer did not end\n");
                fflush(stderr);
                ExitProcess(3);
            }
        });
    }
    ~Watchdog() {
        SetEvent(done.get());
        thread.join();
    }
    KernelHandle done;
    std::thread thread;
};

class DeviceErrorWhileWaitingTest : public TransferTest {};

TEST_F(DeviceErrorWhileWaitingTest, MessageIsShownAndTheTransferFailsTwentyTimesInARow) {
    OPEN_OR_SKIP("", 3);
    GetUiGlobals()->resourceHandle = ResourceModule();
    ASSERT_EQ(0, UiShowMainDialog(nullptr));
    HWND mainWindow = static_cast<HWND>(GetMainUiState()->mainDialog);
    ASSERT_NE(nullptr, mainWindow);
    ASSERT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(mainWindow, nullptr));
    void (*const realStartProgress)(int) = GetUiCallbacks()->StartProgress;
    static MessageBoxReader* reader = nullptr;
    MessageBoxReader boxes;
    reader = &boxes;
    boxes.Watch(GetCurrentThreadId());
    // Each real dialog is watched as soon as it exists, before the scan thread starts.
    static void (*startReal)(int) = realStartProgress;
    const std::string expected = ResourceString(IDS_STATUS_READ_FAILED);
    size_t shown = 0;
    for (int round = 0; round < 20; ++round) {
        const bool progressUp = round % 2 == 0;
        GetUiCallbacks()->StartProgress = progressUp ? +[](int unused) {
            startReal(unused);
            if (HWND dialog = ProgressDialogWindow()) reader->Watch(GetWindowThreadProcessId(dialog, nullptr));
        }
                                                     : +[](int) {};
        SimulatedDevice failing;
        ASSERT_TRUE(StartSimulatedDevice("--drop-after 50000", &failing, &skipReason)) << skipReason;
        PointLinkAtLoopbackDevice(static_cast<uint16_t>(failing.port));
        TW_UINT32 handle = 0;
        TW_UINT16 rc;
        {
            Watchdog watchdog(150000);
            rc = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
        }
        StopSimulatedDevice(&failing);
        EXPECT_EQ(TWRC_FAILURE, rc) << "round " << round;
        EXPECT_EQ(TWCC_OPERATIONERROR, GetCoreContext()->conditionCode) << "round " << round;
        EXPECT_FALSE(UiIsProgressOpen()) << "round " << round;
        const std::vector<std::string> texts = boxes.Texts();
        ASSERT_EQ(shown + 1, texts.size())
            << "round " << round << (progressUp ? ", progress up" : ", main only");
        EXPECT_EQ(expected, texts.back()) << "round " << round;
        shown = texts.size();
    }
    GetUiCallbacks()->StartProgress = realStartProgress;
    UiDestroyMainDialog();
    reader = nullptr;
}

}  // namespace
