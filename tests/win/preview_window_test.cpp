// The preview window from the real resource module, scripted from the end of
// its WM_INITDIALOG with synthetic mouse messages; repaints are asked for by
// sending the repaint timer's message, so no test waits for time.
#include "ui/preview_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/core_context.h"
#include "resources/resource_ids.h"
#include "scan/spool_file.h"
#include "tests/win/win_test_support.h"
#include "tools/sim/sim_chart.h"
#include "ui/adjustment_settings.h"
#include "ui/main_ui_state.h"
#include "ui/preview_geometry.h"

namespace {

constexpr int32_t A4Width = 49606, A4Length = 70157;

// What the main dialog was asked to do, in order.
std::vector<std::string> hostCalls;
bool hostFlatbed = true;
const PreviewHost RecordingHost{
    [] { return 300; },
    [] { return hostFlatbed ? 1 : 0; },
    [] { return 3; },
    [] { return GetMainUiState()->scanSize == 0 ? 1 : 0; },
    [](int withArea) { hostCalls.push_back(withArea ? "reload6" : "reload2"); },
    [] { hostCalls.push_back("refresh"); },
    [] { hostCalls.push_back("clamp"); },
    [](int ticked) { hostCalls.push_back(ticked ? "areaBoxOn" : "areaBoxOff"); },
    [] { hostCalls.push_back("custom"); },
    [] { hostCalls.push_back("status"); },
    [] { hostCalls.push_back("modeRule"); },
};

// A preview of the simulator's chart over the whole glass at 75 dpi, held
// where a preview scan leaves it: a colour bitmap header, then bottom-up rows.
struct FakePreview {
    std::vector<uint8_t> block;
    void Install() {
        const int32_t width = 638, height = 877;
        const int32_t stride = (width * 3 + 3) & ~3;
        block.assign(40 + static_cast<size_t>(stride) * height, 0);
        auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
        *header = BITMAPINFOHEADER{40, width, height, 1, 24, BI_RGB, static_cast<DWORD>(stride * height),
                                   0,  0,     0,      0};
        uint8_t* bits = block.data() + 40;
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* row = bits + static_cast<size_t>(height - 1 - y) * stride;
            for (int32_t x = 0; x < width; ++x) {
                const tarvik_sim::ChartRgb c = tarvik_sim::ChartColourAt(0, x * 8, y * 8);
                row[3 * x] = c.b;
                row[3 * x + 1] = c.g;
                row[3 * x + 2] = c.r;
            }
        }
        ScanImage* preview = GetPreviewImage();
        preview->base = block.data();
        preview->dibBits = bits;
        preview->width = width;
        preview->height = height;
    }
};

// Runs the window modally; `script` runs once its opening is over, and must
// end it (close button or Esc).
const std::function<void(HWND)>* pendingScript = nullptr;
HHOOK scriptHook = nullptr;

LRESULT CALLBACK AfterInitDialog(int code, WPARAM w, LPARAM l) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(l);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && pendingScript != nullptr &&
        GetDlgItem(call->hwnd, IDC_PREVIEW_FRAME) != nullptr) {
        const auto* run = pendingScript;
        pendingScript = nullptr;
        (*run)(call->hwnd);
    }
    return CallNextHookEx(scriptHook, code, w, l);
}

INT_PTR RunScripted(const std::function<void(HWND)>& script) {
    pendingScript = &script;
    scriptHook = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterInitDialog, nullptr, GetCurrentThreadId());
    const INT_PTR result = RunPreviewWindow(nullptr);
    UnhookWindowsHookEx(scriptHook);
    pendingScript = nullptr;
    return result;
}

void Press(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

LPARAM At(PreviewPoint p) { return MAKELPARAM(p.x, p.y); }

void Drag(HWND dialog, PreviewPoint from, PreviewPoint to) {
    SendMessageA(dialog, WM_MOUSEMOVE, 0, At(from));
    SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, At(from));
    const PreviewPoint half{(from.x + to.x) / 2, (from.y + to.y) / 2};
    SendMessageA(dialog, WM_MOUSEMOVE, MK_LBUTTON, At(half));
    SendMessageA(dialog, WM_MOUSEMOVE, MK_LBUTTON, At(to));
    SendMessageA(dialog, WM_LBUTTONUP, 0, At(to));
}

PreviewRect ControlRect(HWND dialog, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right, r.bottom};
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class PreviewWindowTest : public ::testing::Test {
   protected:
    void SetUp() override {
        ResetSource();
        ASSERT_NE(nullptr, ResourceModule());
        GetUiGlobals()->resourceHandle = ResourceModule();
        preview.Install();
        hostCalls.clear();
        hostFlatbed = true;
        SetPreviewHost(&RecordingHost);
        MainUiState& ui = *GetMainUiState();
        ui.scanMethod = 0;
        ui.scanSize = 2;
        ui.unit = UnitMm;
        ui.resolution = 3;
        ui.scanOrientation = 3;
        ui.scanA = A4Width;
        ui.scanB = A4Length;
        SetArea(12000, 12000, 18000, 18000);
    }
    void TearDown() override {
        SetPreviewHost(nullptr);
        DeletePreviewSurfaces();
        *GetPreviewImage() = ScanImage{};
    }
    static void SetArea(int32_t x, int32_t y, int32_t h, int32_t v) {
        MainUiState& ui = *GetMainUiState();
        ui.scanAreaCheck = 1;
        ui.scanX = x;
        ui.scanY = y;
        ui.scanH = h;
        ui.scanV = v;
    }
    // The frame and the area rectangle as the window computes them.
    static PreviewRect Frame(HWND dialog) { return ControlRect(dialog, IDC_PREVIEW_FRAME); }
    static PreviewRect Area(HWND dialog) {
        const MainUiState& ui = *GetMainUiState();
        const PreviewRect f = Frame(dialog);
        return AreaRectFor(f, ComputePreviewScales(f), ui.scanX, ui.scanY, ui.scanH, ui.scanV);
    }
    FakePreview preview;
};

TEST_F(PreviewWindowTest, EachZoneShowsItsCursorAndDragsItsFields) {
    struct Case {
        const char* zone;
        int dx, dy;  // where on the area's outline, -1 left/top, 0 middle, 1 right/bottom
        int moveX, moveY;
        LPCSTR cursor;
        bool x, y, h, v;  // which values the drag changes
    };
    const Case cases[] = {
        {"move", 0, 0, 20, 30, IDC_SIZEALL, true, true, false, false},
        {"left", -1, 0, -20, 0, IDC_SIZEWE, true, false, true, false},
        {"right", 1, 0, 20, 0, IDC_SIZEWE, false, false, true, false},
        {"top", 0, -1, 0, -20, IDC_SIZENS, false, true, false, true},
        {"bottom", 0, 1, 0, 20, IDC_SIZENS, false, false, false, true},
        {"top-left", -1, -1, -20, -20, IDC_SIZENWSE, true, true, true, true},
        {"top-right", 1, -1, 20, -20, IDC_SIZENESW, false, true, true, true},
        {"bottom-right", 1, 1, 20, 20, IDC_SIZENWSE, false, false, true, true},
        {"bottom-left", -1, 1, -20, 20, IDC_SIZENESW, true, false, true, true},
    };
    for (const Case& c : cases) {
        SetUp();
        const MainUiState before = *GetMainUiState();
        HCURSOR shown = nullptr;
        double pixel = 0;
        const INT_PTR result = RunScripted([&](HWND dialog) {
            const PreviewRect r = Area(dialog);
            pixel = ComputePreviewScales(Frame(dialog)).sx * 6000;
            // Three pixels outside the outline for edges and corners, the middle for a move.
            const int32_t x = c.dx < 0 ? r.left - 3 : c.dx > 0 ? r.right + 3 : (r.left + r.right) / 2;
            const int32_t y = c.dy < 0 ? r.top - 3 : c.dy > 0 ? r.bottom + 3 : (r.top + r.bottom) / 2;
            SendMessageA(dialog, WM_MOUSEMOVE, 0, At({x, y}));
            shown = GetCursor();
            Drag(dialog, {x, y}, {x + c.moveX, y + c.moveY});
            Press(dialog, IDCANCEL);
        });
        ASSERT_EQ(0, result) << c.zone;
        const MainUiState& after = *GetMainUiState();
        EXPECT_EQ(LoadCursorA(nullptr, c.cursor), shown) << c.zone;
        EXPECT_EQ(c.x, after.scanX != before.scanX) << c.zone << " x " << after.scanX;
        EXPECT_EQ(c.y, after.scanY != before.scanY) << c.zone << " y " << after.scanY;
        EXPECT_EQ(c.h, after.scanH != before.scanH) << c.zone << " h " << after.scanH;
        EXPECT_EQ(c.v, after.scanV != before.scanV) << c.zone << " v " << after.scanV;
        // An edge jumps to the pointer: 23 pixels wider, give or take a pixel of rounding.
        if (c.h) {
            EXPECT_NEAR(18000 + 23 * pixel, after.scanH, 2 * pixel) << c.zone;
        }
        EXPECT_EQ(before.scanA, after.scanA);
        const std::vector<std::string> up{"reload6", "refresh", "modeRule", "status"};
        EXPECT_EQ(up, hostCalls) << c.zone << ": the fields follow at button-up";
    }
}

TEST_F(PreviewWindowTest, NewRectangleDrawnOutsideTheCurrentOne) {
    double pixel = 0;
    RunScripted([&](HWND dialog) {
        pixel = ComputePreviewScales(Frame(dialog)).sx * 6000;
        const PreviewRect r = Area(dialog);
        const PreviewPoint start{r.right + 40, r.bottom + 40};
        SendMessageA(dialog, WM_MOUSEMOVE, 0, At(start));
        EXPECT_EQ(LoadCursorA(nullptr, IDC_CROSS), GetCursor());
        Drag(dialog, start, {start.x + 60, start.y + 80});
        // A click in the open leaves the area as it is.
        const MainUiState drawn = *GetMainUiState();
        SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, At({start.x - 25, start.y + 100}));
        SendMessageA(dialog, WM_LBUTTONUP, 0, At({start.x - 25, start.y + 100}));
        EXPECT_EQ(drawn.scanX, GetMainUiState()->scanX);
        SendMessageA(dialog, WM_MOUSEMOVE, 0, At({start.x + 30, start.y + 40}));
        EXPECT_EQ(LoadCursorA(nullptr, IDC_SIZEALL), GetCursor()) << "the drawn area is still there";
        Press(dialog, IDCANCEL);
    });
    const MainUiState& ui = *GetMainUiState();
    EXPECT_NEAR(12000 + 18000 + 40 * pixel, ui.scanX, 2 * pixel);
    EXPECT_NEAR(60 * pixel, ui.scanH, 2 * pixel);
    EXPECT_NEAR(80 * pixel, ui.scanV, 3 * pixel) << "pixels down are about as long as across";
    EXPECT_LE(ui.scanX + ui.scanH, ui.scanA);
}

TEST_F(PreviewWindowTest, AreaDraggedAgainstTheDocumentEdgeLiesFlush) {
    RunScripted([&](HWND dialog) {
        const PreviewRect r = Area(dialog);
        Drag(dialog, {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, {2000, (r.top + r.bottom) / 2});
        Press(dialog, IDCANCEL);
    });
    const MainUiState& ui = *GetMainUiState();
    EXPECT_EQ(ui.scanA, ui.scanX + ui.scanH) << "x " << ui.scanX << " h " << ui.scanH;
    EXPECT_EQ(18000, ui.scanH) << "a move keeps the size";
}

TEST_F(PreviewWindowTest, DocumentModeDragsOnlyTheFreeEdgesAndMakesACustomSize) {
    GetMainUiState()->scanAreaCheck = 0;
    RunScripted([&](HWND dialog) {
        const PreviewRect f = Frame(dialog);
        const PreviewRect doc = DocumentRectFor(f, ComputePreviewScales(f), A4Width, A4Length);
        // The anchored edges and the body do not react.
        for (PreviewPoint p :
             {PreviewPoint{doc.left - 3, 200}, PreviewPoint{200, doc.top - 3}, PreviewPoint{200, 200}}) {
            SendMessageA(dialog, WM_MOUSEMOVE, 0, At(p));
            EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), GetCursor()) << p.x << "," << p.y;
            Drag(dialog, p, {p.x + 30, p.y + 30});
        }
        EXPECT_EQ(A4Width, GetMainUiState()->scanA);
        EXPECT_TRUE(hostCalls == std::vector<std::string>({"status", "status", "status"}));
        // The right edge out to the glass's edge.
        const PreviewPoint right{doc.right + 2, 200};
        SendMessageA(dialog, WM_MOUSEMOVE, 0, At(right));
        EXPECT_EQ(LoadCursorA(nullptr, IDC_SIZEWE), GetCursor());
        hostCalls.clear();
        Drag(dialog, right, {f.right - 1, 200});
        Press(dialog, IDCANCEL);
    });
    const MainUiState& ui = *GetMainUiState();
    EXPECT_EQ(GlassWidthUnits, ui.scanA);
    EXPECT_EQ(A4Length, ui.scanB);
    EXPECT_EQ(0, ui.scanSize);
    EXPECT_EQ(GlassWidthUnits, ui.customA);
    EXPECT_EQ(A4Length, ui.customB);
    EXPECT_EQ(3, ui.customOrientation);
    const std::vector<std::string> expected{"custom", "modeRule", "reload2", "refresh", "status"};
    EXPECT_EQ(expected, hostCalls);
}

TEST_F(PreviewWindowTest, AreaToggleSwitchesModesAndTheMainDialogsAreaBox) {
    GetMainUiState()->scanAreaCheck = 0;
    RunScripted([&](HWND dialog) {
        char text[8] = {};
        GetDlgItemTextA(dialog, IDC_PREVIEW_AREA_TOGGLE, text, sizeof text);
        EXPECT_STREQ("OFF", text);
        Press(dialog, IDC_PREVIEW_AREA_TOGGLE);
        EXPECT_EQ(1, GetMainUiState()->scanAreaCheck);
        GetDlgItemTextA(dialog, IDC_PREVIEW_AREA_TOGGLE, text, sizeof text);
        EXPECT_STREQ("ON", text);
        // Now the area answers the mouse.
        const PreviewRect r = Area(dialog);
        SendMessageA(dialog, WM_MOUSEMOVE, 0, At({r.left - 3, (r.top + r.bottom) / 2}));
        EXPECT_EQ(LoadCursorA(nullptr, IDC_SIZEWE), GetCursor());
        Press(dialog, IDC_PREVIEW_AREA_TOGGLE);
        EXPECT_EQ(0, GetMainUiState()->scanAreaCheck);
        GetDlgItemTextA(dialog, IDC_PREVIEW_AREA_TOGGLE, text, sizeof text);
        EXPECT_STREQ("OFF", text);
        // On the feeder the toggle does nothing.
        hostFlatbed = false;
        Press(dialog, IDC_PREVIEW_AREA_TOGGLE);
        EXPECT_EQ(0, GetMainUiState()->scanAreaCheck);
        Press(dialog, IDCANCEL);
    });
    const std::vector<std::string> expected{"areaBoxOn", "reload6",    "clamp",  "refresh", "status",
                                            "modeRule",  "areaBoxOff", "status", "modeRule"};
    EXPECT_EQ(expected, hostCalls);
}

// Shows the window, repaints it and counts the points of a grid over the
// frame's interior that are not white.
int ImagePointsShown(HWND dialog) {
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    SendMessageA(dialog, WM_TIMER, PreviewRepaintTimer, 0);
    const PreviewRect f = ControlRect(dialog, IDC_PREVIEW_FRAME);
    HDC dc = GetDC(dialog);
    int count = 0;
    for (int32_t x = f.left + 20; x < f.left + 300; x += 30) {
        for (int32_t y = f.top + 20; y < f.bottom - 20; y += 40)
            count += GetPixel(dc, x, y) != RGB(255, 255, 255);
    }
    ReleaseDC(dialog, dc);
    return count;
}

TEST_F(PreviewWindowTest, EscKeepsThePreviewAndCloseDiscardsItWithTheSpoolFile) {
    const std::string spool = SpoolFilePath();
    ASSERT_TRUE(WriteWholeFile(spool.c_str(), GENERIC_WRITE, "rows", 4));
    GetMainUiState()->scanAreaCheck = 0;
    int shown = 0;
    EXPECT_EQ(0, RunScripted([&](HWND dialog) {
                  shown = ImagePointsShown(dialog);
                  Press(dialog, IDCANCEL);
              }));
    EXPECT_GT(shown, 20) << "the chart lies over the frame";
    EXPECT_TRUE(FileExists(spool));
    EXPECT_TRUE(PreviewSurfacesExist()) << "kept until the main dialog closes";

    int reopened = 0;
    EXPECT_EQ(1, RunScripted([&](HWND dialog) {
                  reopened = ImagePointsShown(dialog);
                  Press(dialog, IDC_PREVIEW_CLOSE);
              }));
    EXPECT_EQ(shown, reopened) << "reopening shows the last preview";
    EXPECT_FALSE(FileExists(spool));
    EXPECT_EQ(0xFFFFFFFFu, *reinterpret_cast<uint32_t*>(GetPreviewBase())) << "the header is invalidated";

    int cleared = -1;
    RunScripted([&](HWND dialog) {
        cleared = ImagePointsShown(dialog);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(0, cleared) << "a discarded preview shows the empty glass";
    DeletePreviewSurfaces();
    EXPECT_FALSE(PreviewSurfacesExist());
}

// Screenshots with an area in each unit, and the time of a repaint at the
// display's resolution: printed, never judged here.
TEST_F(PreviewWindowTest, ScreenshotsInEachUnitAndRepaintTime) {
    const char* names[] = {"preview_inch", "preview_mm", "preview_pixel"};
    for (int32_t unit : {UnitInch, UnitMm, UnitPixel}) {
        SetUp();
        DeletePreviewSurfaces();
        GetMainUiState()->unit = unit;
        SetArea(9000, 15000 + unit * 6000, 24000, 21000);
        RunScripted([&](HWND dialog) {
            ShowWindow(dialog, SW_SHOW);
            RedrawWindow(dialog, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            auto tick = [&] {
                LARGE_INTEGER t0, t1;
                QueryPerformanceCounter(&t0);
                SendMessageA(dialog, WM_TIMER, PreviewRepaintTimer, 0);
                QueryPerformanceCounter(&t1);
                return Milliseconds(t0, t1);
            };
            const double first = tick();
            // Every layer drawn anew on the kept surfaces: the area toggle
            // sets the window up again, twice to come back to area mode.
            // The machine is shared: print the best and the median of a few.
            std::vector<double> whole, steady;
            for (int i = 0; i < 15; ++i) {
                Press(dialog, IDC_PREVIEW_AREA_TOGGLE);
                Press(dialog, IDC_PREVIEW_AREA_TOGGLE);
                whole.push_back(tick());
                steady.push_back(tick());
            }
            std::sort(whole.begin(), whole.end());
            std::sort(steady.begin(), steady.end());
            const PreviewRect f = Frame(dialog);
            HDC dc = GetDC(nullptr);
            printf(
                "[ figure ] unit %d, %d dpi, frame %dx%d: first repaint with the surfaces made %.2f ms; "
                "whole repaint, every layer drawn: best %.2f ms, median %.2f ms; repaint of an unchanged "
                "canvas: best %.3f ms, median %.3f ms\n",
                unit, GetDeviceCaps(dc, LOGPIXELSX), f.right - f.left, f.bottom - f.top, first, whole[0],
                whole[whole.size() / 2], steady[0], steady[steady.size() / 2]);
            ReleaseDC(nullptr, dc);
            SaveScreenshot(dialog, names[unit]);
            Press(dialog, IDCANCEL);
        });
    }
}

}  // namespace
