// Preview, draw an area with the mouse, scan: the page delivered is the part
// of the simulator's chart under the area.
#include <gtest/gtest.h>

#include "core/core_context.h"
#include "resources/resource_ids.h"
#include "scan/spool_file.h"
#include "tests/win/transfer_support.h"
#include "ui/adjustment_settings.h"
#include "ui/main_dialog_model.h"
#include "ui/main_ui_state.h"
#include "ui/preview_geometry.h"
#include "ui/preview_window.h"

namespace {

LRESULT CALLBACK DrawAreaAfterInit(int code, WPARAM w, LPARAM l) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(l);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && GetDlgItem(call->hwnd, IDC_PREVIEW_FRAME)) {
        HWND dialog = call->hwnd;
        RECT r;
        GetWindowRect(GetDlgItem(dialog, IDC_PREVIEW_FRAME), &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        // From 1.5 inches right and 2 down, 2 inches across and 1.5 down.
        const int32_t width = r.right - r.left;
        const POINT from{r.left + width * 3 / 17, r.top + width * 4 / 17};
        const POINT to{from.x + width * 4 / 17, from.y + width * 3 / 17};
        SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        SendMessageA(dialog, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
        SendMessageA(dialog, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    return CallNextHookEx(nullptr, code, w, l);
}

TEST_F(TransferTest, AreaDrawnOverThePreviewIsWhatTheScanDelivers) {
    OPEN_OR_SKIP("", 3);
    GetUiGlobals()->resourceHandle = LoadLibraryA(WinPathFromUnix(TARVIK_RESOURCE_PATH).c_str());
    MainUiState& ui = *GetMainUiState();
    ui.scanMethod = 0;
    ui.scanSize = 2;
    ui.colorType = 3;
    ui.gamCurve = 3;  // the neutral curve, so the chart arrives as the device sent it
    ui.resolution = 1;  // 150 dpi
    ui.scanOrientation = 3;
    ui.scanA = 49606;
    ui.scanB = 70157;
    ui.scanAreaCheck = 1;
    ui.scanX = 24000;
    ui.scanY = 42000;
    ui.scanH = ui.scanV = 12000;

    CommitToCore(ui, 0, true, *GetCoreSetters());
    ASSERT_EQ(0, StartPreview()) << ReadSimulatorLog(device);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, DrawAreaAfterInit, nullptr, GetCurrentThreadId());
    const INT_PTR result = RunPreviewWhenScanned(nullptr);
    UnhookWindowsHookEx(hook);
    ASSERT_EQ(0, result) << "the preview was scanned and the window ended with Esc";
    EXPECT_NEAR(9000, ui.scanX, 200) << "1.5 inches, within a preview pixel or so";
    EXPECT_NEAR(12000, ui.scanY, 200);
    EXPECT_NEAR(12000, ui.scanH, 200);
    EXPECT_NEAR(9000, ui.scanV, 200);

    CommitToCore(ui, 0, false, *GetCoreSetters());
    ASSERT_EQ(0, StartFinalScan());
    EXPECT_EQ(TWRC_XFERDONE, NativeTransferAndCheck(3))
        << "the delivered page is the chart of the sent window";
    const SentWindow sent = LastScan(ReadSimulatorLog(device));
    ASSERT_TRUE(sent.found);
    // The device window in 1/600 inch is the area, as whole pixels at 150 dpi.
    EXPECT_NEAR(ui.scanX / 10, sent.window.x, 4);
    EXPECT_NEAR(ui.scanY / 10, sent.window.y, 4);
    EXPECT_NEAR(ui.scanH / 10, sent.window.width, 4);
    EXPECT_NEAR(ui.scanV / 10, sent.window.length, 4);
    DeleteFileA(SpoolFilePath().c_str());
}

}  // namespace
