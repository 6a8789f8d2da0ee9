// A user who previews, draws the scan area with the mouse and scans: through
// Wine's manager, from the source's own dialog, against the simulator. The
// page delivered is the part of the chart under the drawn area.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/e2e/e2e_support.h"
#include "tests/support/sim_client.h"
#include "tools/sim/sim_chart.h"

namespace {

constexpr int MethodList = 800, SizeList = 801, RotationList = 803, UnitList = 804, ColourList = 805,
              CurveList = 806, ResolutionList = 807, AreaBox = 851, AreaLeft = 752, AreaTop = 753,
              AreaWidth = 754, AreaLength = 755, ScanButton = 651, PreviewButton = 652, CloseButton = 653;
// The preview window's frame placeholder and its area toggle.
constexpr int PreviewFrame = 1323, AreaToggle = 673;

int FieldNumber(HWND dialog, int id) { return static_cast<int>(GetDlgItemInt(dialog, id, nullptr, FALSE)); }

// Once the preview window has opened: area mode on, an area drawn from 1.5
// inches right and 2 down, 2 inches across and 1.5 down, then Esc.
bool previewSeen = false;
LRESULT CALLBACK DrawAreaInPreview(int code, WPARAM w, LPARAM l) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(l);
    if (code == HC_ACTION && call->message == WM_INITDIALOG &&
        GetDlgItem(call->hwnd, PreviewFrame) != nullptr) {
        HWND preview = call->hwnd;
        previewSeen = true;
        Click(preview, AreaToggle);
        RECT r;
        GetWindowRect(GetDlgItem(preview, PreviewFrame), &r);
        MapWindowPoints(nullptr, preview, reinterpret_cast<POINT*>(&r), 2);
        const int width = r.right - r.left;
        const POINT from{r.left + width * 3 / 17, r.top + width * 4 / 17};
        const POINT to{from.x + width * 4 / 17, from.y + width * 3 / 17};
        SendMessageA(preview, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        SendMessageA(preview, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
        SendMessageA(preview, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
        SendMessageA(preview, WM_COMMAND, IDCANCEL, 0);
    }
    return CallNextHookEx(nullptr, code, w, l);
}

// The window of the last scan as the device logged it.
tarvik_sim::ChartWindow LastWindow(const std::string& log) {
    const size_t start = log.rfind("SCAN_SETWINDOW ");
    const std::string line =
        start == std::string::npos ? "" : log.substr(start, log.find('\n', start) - start);
    return LoggedWindow(line);
}

TEST(PreviewWithSimulator, AreaDrawnOverThePreviewIsThePageDelivered) {
    DeleteFileA(SettingsFile().c_str());
    SimulatedDevice device;
    TestApplication app;
    TW_IDENTITY source{};
    OpenSourceOnSimulator("", "0", &device, &app, &source);
    if (HasFatalFailure() || IsSkipped()) return;
    TW_USERINTERFACE ui{1, 0, app.window};
    ASSERT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    HWND dialog = SourceDialog();
    ASSERT_NE(nullptr, dialog);

    // A4 on the glass, unturned, in mm, grey with the neutral curve at 150 dpi, no area yet.
    Select(dialog, SizeList, 1);
    Select(dialog, MethodList, 0);
    Select(dialog, RotationList, 3);
    Select(dialog, UnitList, 1);
    Select(dialog, ColourList, 2);
    Select(dialog, CurveList, 3);
    Select(dialog, ResolutionList, 1);
    ASSERT_FALSE(IsDlgButtonChecked(dialog, AreaBox));

    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, DrawAreaInPreview, nullptr, GetCurrentThreadId());
    Click(dialog, PreviewButton);
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(previewSeen) << "the preview window opened after the preview scan\n"
                             << ReadSimulatorLog(device);

    // The drawn area is in the dialog: 38 x 51 mm from (38, 51), a preview pixel either way.
    EXPECT_TRUE(IsDlgButtonChecked(dialog, AreaBox));
    EXPECT_NEAR(39, FieldNumber(dialog, AreaLeft), 2);
    EXPECT_NEAR(51, FieldNumber(dialog, AreaTop), 2);
    EXPECT_NEAR(51, FieldNumber(dialog, AreaWidth), 2);
    EXPECT_NEAR(39, FieldNumber(dialog, AreaLength), 2);

    Click(dialog, ScanButton);
    ASSERT_EQ(MSG_XFERREADY, app.WaitForSourceMessage(&source, 20000)) << ReadSimulatorLog(device);
    TW_UINT32 handle = 0;
    ASSERT_EQ(TWRC_XFERDONE, app.Call(&source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle))
        << ReadSimulatorLog(device);

    const tarvik_sim::ChartWindow window = LastWindow(ReadSimulatorLog(device));
    EXPECT_NEAR(FieldNumber(dialog, AreaLeft) * 600 / 25.4, window.x, 30)
        << "the area's left edge, 1/600 inch";
    EXPECT_NEAR(FieldNumber(dialog, AreaTop) * 600 / 25.4, window.y, 30);
    EXPECT_NEAR(FieldNumber(dialog, AreaWidth) * 600 / 25.4, window.width, 30);
    EXPECT_NEAR(FieldNumber(dialog, AreaLength) * 600 / 25.4, window.length, 30);
    const tarvik_sim::ChartGeometry g = tarvik_sim::ComputeChartGeometry(window);
    const std::vector<uint8_t> chart = tarvik_sim::RenderChartRows(window, 0);

    HGLOBAL dib = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handle));
    const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    ASSERT_NE(nullptr, header);
    ASSERT_EQ(static_cast<LONG>(g.actualWidth), header->biWidth);
    ASSERT_EQ(static_cast<LONG>(g.actualHeight), header->biHeight);
    ASSERT_EQ(8, header->biBitCount);
    const uint8_t* bits = reinterpret_cast<const uint8_t*>(header) + 40 + 1024;
    const size_t stride = (g.actualWidth + 3) / 4 * 4;
    int differing = 0;
    for (uint32_t y = 0; y < g.actualHeight; ++y) {
        const uint8_t* got = bits + stride * (g.actualHeight - 1 - y);
        differing += memcmp(got, chart.data() + static_cast<size_t>(y) * g.actualWidth, g.actualWidth) != 0;
    }
    EXPECT_EQ(0, differing) << "rows that are not the chart under the area";
    GlobalUnlock(dib);
    GlobalFree(dib);

    TW_PENDINGXFERS pending{};
    EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    Click(dialog, CloseButton);
    EXPECT_EQ(MSG_CLOSEDSREQ, app.WaitForSourceMessage(&source, 10000));
    EXPECT_EQ(TWRC_SUCCESS, app.Call(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
    EXPECT_EQ(TWRC_SUCCESS, app.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source));
    EXPECT_EQ(TWRC_SUCCESS, app.CloseManager());
    StopSimulatedDevice(&device);
    DeleteFileA(SettingsFile().c_str());
    char folder[MAX_PATH] = {};
    GetEnvironmentVariableA("ProgramData", folder, sizeof folder);
    DeleteFileA((std::string(folder) + "\\ZOL_MF1DS.raw").c_str());
}

}  // namespace
