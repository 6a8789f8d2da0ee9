#include "ui/preview_window.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/core_context.h"
#include "resources/resource_ids.h"
#include "scan/spool_file.h"
#include "ui/adjustment_settings.h"
#include "ui/device_status_message.h"
#include "ui/main_ui_state.h"
#include "ui/preview_geometry.h"
#include "ui/preview_thumbnail.h"
#include "ui/size_fields.h"

namespace {

const COLORREF CanvasColour = RGB(177, 174, 162);
const COLORREF LineColour = RGB(113, 111, 100);
const COLORREF ToggleFace = RGB(236, 233, 216);
const COLORREF Magenta = RGB(255, 0, 255);

// A GDI object deleted when its owner goes.
template <typename Handle>
class GdiObject {
   public:
    explicit GdiObject(Handle h = nullptr) : handle_(h) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    void Reset(Handle h = nullptr) {
        if (handle_ != nullptr) DeleteObject(handle_);
        handle_ = h;
    }
    Handle get() const { return handle_; }

   private:
    Handle handle_;
};

// The selection of a device context, undone when the scope ends.
class Selected {
   public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~Selected() { SelectObject(dc_, old_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

   private:
    HDC dc_;
    HGDIOBJ old_;
};

// A window's device context, released when the scope ends.
class WindowDc {
   public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() { ReleaseDC(window_, dc_); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

   private:
    HWND window_;
    HDC dc_;
};

// An off-screen drawing surface the size of the screen: a memory device
// context with a bitmap selected into it, made on first need.
class Surface {
   public:
    ~Surface() { Reset(); }
    HDC Get() {
        if (dc_ != nullptr) return dc_;
        WindowDc screen(nullptr);
        dc_ = CreateCompatibleDC(screen.get());
        bitmap_ = CreateCompatibleBitmap(screen.get(), GetSystemMetrics(SM_CXSCREEN),
                                         GetSystemMetrics(SM_CYSCREEN));
        if (dc_ == nullptr || bitmap_ == nullptr) {
            Reset();
            return nullptr;
        }
        old_ = SelectObject(dc_, bitmap_);
        return dc_;
    }
    bool Exists() const { return dc_ != nullptr; }
    void Reset() {
        if (dc_ != nullptr) {
            if (old_ != nullptr) SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
        dc_ = nullptr;
        bitmap_ = nullptr;
        old_ = nullptr;
    }

   private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// The three surfaces live from the first preview until the main dialog
// closes. Layers: the canvas (background, rulers, image), the canvas with
// the document outline, and that with the area outline, which is what the
// window shows. A layer is drawn again only when what it shows changed.
Surface canvasSurface;
Surface documentSurface;
Surface selectionSurface;

// What the canvas layer and the document layer were last drawn from.
struct CanvasKey {
    PreviewRect canvas, frame;
    int32_t unit, dpi;
    const void* image;
    bool operator==(const CanvasKey&) const = default;
};

struct PreviewWindowState {
    HWND window = nullptr;
    PreviewRect canvas{}, frame{}, document{}, selection{};
    PreviewScales scales{};
    PreviewDrag drag{};
    bool areaMode = false;
    bool canvasValid = false, documentValid = false;
    CanvasKey canvasKey{};
    PreviewRect drawnDocument{};
    HIMAGELIST togglePicture = nullptr;
};
PreviewWindowState state;
const PreviewHost* host = nullptr;

MainUiState& Ui() { return *GetMainUiState(); }

int HostResolutionDpi() {
    if (host != nullptr && host->resolutionDpi != nullptr) return host->resolutionDpi();
    return UiResolutionDpi(Ui().resolution);
}
bool HostFlatbed() {
    if (host != nullptr && host->flatbedSetUp != nullptr) return host->flatbedSetUp() != 0;
    return Ui().scanMethod == 0;
}
int HostRotation() {
    return host != nullptr && host->rotationSelection != nullptr ? host->rotationSelection()
                                                                 : Ui().scanOrientation;
}
bool HostCustomShown() {
    return host != nullptr && host->customSizeShown != nullptr ? host->customSizeShown() != 0
                                                               : Ui().scanSize == 0;
}
void HostCall(void (*PreviewHost::*entry)()) {
    if (host != nullptr && host->*entry != nullptr) (host->*entry)();
}
void HostCall(void (*PreviewHost::*entry)(int), int argument) {
    if (host != nullptr && host->*entry != nullptr) (host->*entry)(argument);
}

PreviewRect ClientRectOf(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    RECT r{};
    if (control != nullptr) {
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    }
    return {r.left, r.top, r.right, r.bottom};
}

RECT ToRect(const PreviewRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// Gives the frame the glass's shape, whatever the dialog font made of the
// template: a side that came out too long is shortened, and the canvas, the
// close button and the window shrink with it.
void FitFrameToGlass(HWND dialog) {
    const PreviewRect f = ClientRectOf(dialog, IDC_PREVIEW_FRAME);
    const PreviewRect c = ClientRectOf(dialog, IDC_PREVIEW_CANVAS);
    const int32_t width = f.right - f.left, height = f.bottom - f.top;
    if (width <= 0 || height <= 0) return;
    const int32_t fitWidth =
        std::min(width, static_cast<int32_t>(height * GlassWidthInch / GlassLengthInch + 0.5));
    const int32_t fitHeight =
        std::min(height, static_cast<int32_t>(width * GlassLengthInch / GlassWidthInch + 0.5));
    const int32_t dx = width - fitWidth, dy = height - fitHeight;
    if (dx == 0 && dy == 0) return;
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(GetDlgItem(dialog, IDC_PREVIEW_FRAME), nullptr, 0, 0, fitWidth, fitHeight,
                 flags | SWP_NOMOVE);
    SetWindowPos(GetDlgItem(dialog, IDC_PREVIEW_CANVAS), nullptr, 0, 0, c.right - c.left - dx,
                 c.bottom - c.top - dy, flags | SWP_NOMOVE);
    for (int id : {IDC_PREVIEW_CLOSE, IDC_PREVIEW_AREA_TOGGLE}) {
        const PreviewRect r = ClientRectOf(dialog, id);
        const int32_t shiftX = id == IDC_PREVIEW_CLOSE ? dx : 0;
        SetWindowPos(GetDlgItem(dialog, id), nullptr, r.left - shiftX, r.top - dy, 0, 0, flags | SWP_NOSIZE);
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) != -1 && GetDlgCtrlID(child) != 0xFFFF) continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(child, nullptr, r.left, r.top - dy, 0, 0, flags | SWP_NOSIZE);
    }
    RECT w;
    GetWindowRect(dialog, &w);
    SetWindowPos(dialog, nullptr, 0, 0, w.right - w.left - dx, w.bottom - w.top - dy, flags | SWP_NOMOVE);
}

// Opening steps 2 to 5, also run when the area toggle changes the mode.
void InitialiseGeometry(HWND dialog) {
    const MainUiState& ui = Ui();
    state.areaMode = ui.scanAreaCheck == 1;
    state.drag = PreviewDrag{};
    state.canvas = ClientRectOf(dialog, IDC_PREVIEW_CANVAS);
    state.frame = ClientRectOf(dialog, IDC_PREVIEW_FRAME);
    ShowWindow(GetDlgItem(dialog, IDC_PREVIEW_CANVAS), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_PREVIEW_FRAME), SW_HIDE);
    state.scales = ComputePreviewScales(state.frame);
    state.document = DocumentRectFor(state.frame, state.scales, ui.scanA, ui.scanB);
    state.selection = state.areaMode
                          ? AreaRectFor(state.frame, state.scales, ui.scanX, ui.scanY, ui.scanH, ui.scanV)
                          : state.document;
    state.canvasValid = false;
    state.documentValid = false;
}

const PreviewRect& Bounds() { return state.areaMode ? state.document : state.frame; }

// The preview bitmap when there is one to show: a cleared preview has its
// header overwritten, so a header that is not a bitmap header means none.
const BITMAPINFO* PreviewBitmap() {
    const uint8_t* base = GetPreviewBase();
    if (base == nullptr || GetPreviewBits() == nullptr || GetPreviewWidth() <= 0 || GetPreviewHeight() <= 0) {
        return nullptr;
    }
    const auto* info = reinterpret_cast<const BITMAPINFO*>(base);
    return info->bmiHeader.biSize == sizeof(BITMAPINFOHEADER) ? info : nullptr;
}

void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void DrawRulers(HDC dc, int32_t unit, int32_t dpi) {
    const PreviewRect& f = state.frame;
    GdiObject<HFONT> font(CreateFontA(11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_SWISS, "Tahoma"));
    Selected useFont(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, LineColour);
    for (const RulerTick& t : RulerTicks(unit, true, f.right - f.left, dpi)) {
        const int32_t x = f.left + t.offset;
        FillSolid(dc, RECT{x, f.top - t.length, x + 1, f.top}, LineColour);
        if (t.label.empty()) continue;
        RECT box{x - 24, f.top - RulerLabelAbove, x + 24, f.top - 10};
        DrawTextA(dc, t.label.c_str(), -1, &box, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
    }
    for (const RulerTick& t : RulerTicks(unit, false, f.bottom - f.top, dpi)) {
        const int32_t y = f.top + t.offset;
        FillSolid(dc, RECT{f.left - t.length, y, f.left, y + 1}, LineColour);
        if (t.label.empty()) continue;
        RECT box{f.left - RulerLabelLeftOf - 20, y - 7, f.left - 10, y + 7};
        DrawTextA(dc, t.label.c_str(), -1, &box, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
    }
}

// The canvas layer: background, border, white frame, rulers, the image.
void DrawCanvas(HDC dc, int32_t unit, int32_t dpi) {
    const PreviewRect& c = state.canvas;
    const PreviewRect& f = state.frame;
    FillSolid(dc, ToRect(c), CanvasColour);
    GdiObject<HBRUSH> line(CreateSolidBrush(LineColour));
    RECT border{c.left + 1, c.top + 1, c.right - 1, c.bottom - 1};
    FrameRect(dc, &border, line.get());
    RECT frame = ToRect(f);
    FrameRect(dc, &frame, line.get());
    FillSolid(dc, RECT{f.left + 1, f.top + 1, f.right - 1, f.bottom - 1}, RGB(255, 255, 255));
    DrawRulers(dc, unit, dpi);
    const BITMAPINFO* image = PreviewBitmap();
    if (image == nullptr || !HostFlatbed()) return;
    const BITMAPINFOHEADER& header = image->bmiHeader;
    const int32_t width = f.right - f.left - 2, height = f.bottom - f.top - 2;
    if (header.biBitCount == 24 && header.biCompression == BI_RGB && header.biHeight > 0) {
        const BgrImage source{GetPreviewBits(), GetPreviewWidth(), GetPreviewHeight(),
                              BgrStride(GetPreviewWidth())};
        const std::vector<uint8_t> shown = ShrinkBgrImage(source, width, height);
        if (shown.empty()) return;
        BITMAPINFO info{};
        info.bmiHeader =
            BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        SetDIBitsToDevice(dc, f.left + 1, f.top + 1, width, height, 0, 0, 0, height, shown.data(), &info,
                          DIB_RGB_COLORS);
        return;
    }
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, f.left + 1, f.top + 1, width, height, 0, 0, GetPreviewWidth(), GetPreviewHeight(),
                  GetPreviewBits(), image, DIB_RGB_COLORS, SRCCOPY);
}

// The document outline, two pixels wide, kept inside the frame's border.
void DrawDocumentOutline(HDC dc, const PreviewRect& d) {
    const PreviewRect& f = state.frame;
    const int32_t left = std::max(d.left, f.left + 1);
    const int32_t top = std::max(d.top, f.top + 1);
    const int32_t right = std::min(d.right + 1, f.right - 1);
    const int32_t bottom = std::min(d.bottom + 1, f.bottom - 1);
    if (right - left < 2 || bottom - top < 2) return;
    const COLORREF black = RGB(0, 0, 0);
    FillSolid(dc, RECT{left, top, right, top + 2}, black);
    FillSolid(dc, RECT{left, bottom - 2, right, bottom}, black);
    FillSolid(dc, RECT{left, top, left + 2, bottom}, black);
    FillSolid(dc, RECT{right - 2, top, right, bottom}, black);
}

// The area outline: a dash-dot-dot line, one pixel inside the document
// outline where an edge lies on it.
void DrawAreaOutline(HDC dc, const PreviewRect& s, const PreviewRect& d) {
    if (s.right < s.left || s.bottom < s.top) return;
    const int32_t left = s.left <= d.left ? d.left + 1 : s.left;
    const int32_t top = s.top <= d.top ? d.top + 1 : s.top;
    const int32_t right = s.right >= d.right ? d.right - 1 : s.right;
    const int32_t bottom = s.bottom >= d.bottom ? d.bottom - 1 : s.bottom;
    GdiObject<HPEN> pen(CreatePen(PS_DASHDOTDOT, 1, RGB(0, 0, 0)));
    Selected usePen(dc, pen.get());
    SetBkMode(dc, TRANSPARENT);
    const POINT corners[] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
    Polyline(dc, corners, 5);
}

// Composes the whole canvas off-screen and copies it to the window at once.
void Repaint(HWND dialog) {
    HDC canvasDc = canvasSurface.Get();
    HDC documentDc = documentSurface.Get();
    HDC selectionDc = selectionSurface.Get();
    if (canvasDc == nullptr || documentDc == nullptr || selectionDc == nullptr) return;
    const PreviewRect& c = state.canvas;
    const int32_t width = c.right - c.left, height = c.bottom - c.top;
    const MainUiState& ui = Ui();

    const CanvasKey key{c, state.frame, ui.unit, HostResolutionDpi(), PreviewBitmap()};
    if (!state.canvasValid || !(key == state.canvasKey)) {
        DrawCanvas(canvasDc, key.unit, key.dpi);
        state.canvasKey = key;
        state.canvasValid = true;
        state.documentValid = false;
    }
    // In area mode the document stands as stored; in document mode it is
    // the rectangle being dragged.
    const PreviewRect document =
        state.areaMode ? DocumentRectFor(state.frame, state.scales, std::min(ui.scanA, GlassWidthUnits),
                                         std::min(ui.scanB, GlassLengthUnits))
                       : state.selection;
    if (!state.documentValid || !(document == state.drawnDocument)) {
        BitBlt(documentDc, c.left, c.top, width, height, canvasDc, c.left, c.top, SRCCOPY);
        DrawDocumentOutline(documentDc, document);
        state.drawnDocument = document;
        state.documentValid = true;
    }
    BitBlt(selectionDc, c.left, c.top, width, height, documentDc, c.left, c.top, SRCCOPY);
    if (state.areaMode) DrawAreaOutline(selectionDc, state.selection, state.document);
    WindowDc window(dialog);
    BitBlt(window.get(), c.left, c.top, width, height, selectionDc, c.left, c.top, SRCCOPY);
}

// The last composed canvas, for an uncovered window between two ticks.
void PresentLastFrame(HWND dialog) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    if (selectionSurface.Exists() && state.canvasValid) {
        const PreviewRect& c = state.canvas;
        BitBlt(dc, c.left, c.top, c.right - c.left, c.bottom - c.top, selectionSurface.Get(), c.left, c.top,
               SRCCOPY);
    }
    EndPaint(dialog, &paint);
}

LPCSTR CursorOfZone(int32_t zone) {
    static const LPCSTR cursors[] = {
        IDC_ARROW,  IDC_CROSS,    IDC_SIZEALL,  IDC_SIZEWE,   IDC_SIZEWE,   IDC_SIZENS,
        IDC_SIZENS, IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZENWSE, IDC_SIZENESW,
    };
    return zone >= 0 && zone <= ZoneBottomLeft ? cursors[zone] : IDC_ARROW;
}

int32_t ZoneAt(PreviewPoint p) { return HitZone(state.selection, Bounds(), p, state.areaMode); }

void SetZoneCursor(PreviewPoint p) {
    const int32_t zone = state.drag.zone != ZoneNone ? state.drag.zone : ZoneAt(p);
    SetCursor(LoadCursorA(nullptr, CursorOfZone(zone)));
}

bool Inside(const PreviewRect& r, PreviewPoint p) {
    return r.left <= p.x && p.x < r.right && r.top <= p.y && p.y < r.bottom;
}

void ButtonUpWriteBack() {
    MainUiState& ui = Ui();
    if (state.areaMode) {
        SnapAreaToDocument(state.selection, state.document, ui);
        HostCall(&PreviewHost::reloadSizeFields, 1);
        HostCall(&PreviewHost::refreshSizeFields);
        HostCall(&PreviewHost::applyModeSelectionRule);
    } else {
        const DocumentWriteBack result =
            DocumentModeWriteBack(state.selection, state.frame, state.scales, state.drag.changed, ui);
        if (result.sizeDiffers) {
            ui.scanSize = 0;
            HostCall(&PreviewHost::switchToCustomSize);
            HostCall(&PreviewHost::applyModeSelectionRule);
        }
        if (result.written) {
            HostCall(&PreviewHost::reloadSizeFields, 0);
            if (HostCustomShown()) {
                ui.customA = ui.scanA;
                ui.customB = ui.scanB;
                ui.customOrientation = HostRotation();
            }
            HostCall(&PreviewHost::refreshSizeFields);
        }
    }
    HostCall(&PreviewHost::updateStatusLine);
}

void OnButtonDown(HWND dialog, PreviewPoint p) {
    const int32_t zone = ZoneAt(p);
    state.drag.rect = state.selection;
    state.drag.changed = ChangeMarkers{};
    BeginDrag(state.drag, zone, p);
    state.selection = state.drag.rect;
    if (zone != ZoneNone) SetCapture(dialog);
}

void OnMouseMove(PreviewPoint p, bool buttonHeld) {
    if (!buttonHeld || state.drag.zone == ZoneNone) {
        SetZoneCursor(p);
        return;
    }
    DragStep(state.drag, p, Bounds(), state.scales.minSide);
    state.selection = state.drag.rect;
    if (state.areaMode) LiveAreaWriteBack(state.drag, state.document, state.scales, Ui());
    if (!Inside(state.frame, p)) ButtonUpWriteBack();
}

void OnButtonUp(PreviewPoint p) {
    const PreviewDrag ended = state.drag;
    state.drag.zone = ZoneNone;
    if (GetCapture() == state.window) ReleaseCapture();
    // A click that starts a new area without drawing one leaves the area
    // as stored rather than a point that no field describes.
    const ChangeMarkers& c = ended.changed;
    if (ended.zone == ZoneNew && !(c.width || c.length || c.left || c.top)) {
        const MainUiState& ui = Ui();
        state.selection = AreaRectFor(state.frame, state.scales, ui.scanX, ui.scanY, ui.scanH, ui.scanV);
    }
    SetZoneCursor(p);
    ButtonUpWriteBack();
}

void SetToggleText(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_PREVIEW_AREA_TOGGLE, state.areaMode ? "ON" : "OFF");
    InvalidateRect(GetDlgItem(dialog, IDC_PREVIEW_AREA_TOGGLE), nullptr, FALSE);
}

void ToggleAreaMode(HWND dialog) {
    if (!HostFlatbed()) return;
    MainUiState& ui = Ui();
    if (!state.areaMode) {
        HostCall(&PreviewHost::setAreaBox, 1);
        ui.scanAreaCheck = 1;
        HostCall(&PreviewHost::reloadSizeFields, 1);
        HostCall(&PreviewHost::clampArea);
        HostCall(&PreviewHost::refreshSizeFields);
    } else {
        HostCall(&PreviewHost::setAreaBox, 0);
        ui.scanAreaCheck = 0;
    }
    InitialiseGeometry(dialog);
    SetToggleText(dialog);
    HostCall(&PreviewHost::updateStatusLine);
    HostCall(&PreviewHost::applyModeSelectionRule);
}

void DrawToggle(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    FillSolid(dc, item.rcItem, ToggleFace);
    const COLORREF light = state.areaMode ? LineColour : RGB(255, 255, 255);
    const COLORREF dark = state.areaMode ? RGB(255, 255, 255) : LineColour;
    for (int inset = 1; inset <= 2; ++inset) {
        const int low = inset, high = 26 - inset;
        FillSolid(dc, RECT{low, low, high, low + 1}, light);
        FillSolid(dc, RECT{low, low, low + 1, high}, light);
        FillSolid(dc, RECT{low, high - 1, high, high}, dark);
        FillSolid(dc, RECT{high - 1, low, high, high}, dark);
    }
    if (state.togglePicture != nullptr) ImageList_Draw(state.togglePicture, 0, dc, 5, 5, ILD_TRANSPARENT);
}

void OnInit(HWND dialog) {
    state = PreviewWindowState{};
    state.window = dialog;
    SetTimer(dialog, PreviewRepaintTimer, 100, nullptr);
    // Without the strings the template's own texts stay.
    const std::string close = ResourceText(IDS_PREVIEW_CLOSE);
    const std::string title = ResourceText(IDS_PREVIEW_TITLE);
    if (!close.empty()) SetDlgItemTextA(dialog, IDC_PREVIEW_CLOSE, close.c_str());
    if (!title.empty()) SetWindowTextA(dialog, title.c_str());
    FitFrameToGlass(dialog);
    InitialiseGeometry(dialog);
    auto module = static_cast<HINSTANCE>(GetUiGlobals()->resourceHandle);
    state.togglePicture =
        ImageList_LoadImageA(module, MAKEINTRESOURCEA(IDB_AREA_MODE), 16, 0, Magenta, IMAGE_BITMAP, 0);
    SetToggleText(dialog);
    CenterWindow(dialog);
}

void OnDestroy(HWND dialog) {
    KillTimer(dialog, PreviewRepaintTimer);
    if (GetCapture() == dialog) ReleaseCapture();
    if (state.togglePicture != nullptr) ImageList_Destroy(state.togglePicture);
    state.togglePicture = nullptr;
    state.window = nullptr;
}

// The background outside the canvas only; the canvas is always covered whole.
void EraseAroundCanvas(HWND dialog, HDC dc) {
    RECT client;
    GetClientRect(dialog, &client);
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, state.canvas.left, state.canvas.top, state.canvas.right, state.canvas.bottom);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    RestoreDC(dc, saved);
}

PreviewPoint PointOf(LPARAM lParam) {
    return {static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
}

INT_PTR CALLBACK PreviewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(dialog);
            return TRUE;
        case WM_TIMER:
            if (wParam == PreviewRepaintTimer) Repaint(dialog);
            return TRUE;
        case WM_PAINT:
            PresentLastFrame(dialog);
            return TRUE;
        case WM_ERASEBKGND:
            EraseAroundCanvas(dialog, reinterpret_cast<HDC>(wParam));
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_SETCURSOR: {
            if (reinterpret_cast<HWND>(wParam) != dialog || LOWORD(lParam) != HTCLIENT) return FALSE;
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(dialog, &p);
            SetZoneCursor({p.x, p.y});
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        case WM_LBUTTONDOWN:
            OnButtonDown(dialog, PointOf(lParam));
            return TRUE;
        case WM_MOUSEMOVE:
            OnMouseMove(PointOf(lParam), (wParam & MK_LBUTTON) != 0);
            return TRUE;
        case WM_LBUTTONUP:
            OnButtonUp(PointOf(lParam));
            return TRUE;
        case WM_DRAWITEM:
            if (wParam != IDC_PREVIEW_AREA_TOGGLE) return FALSE;
            DrawToggle(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_PREVIEW_CLOSE:
                    ClearPreview();
                    EndDialog(dialog, 1);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
                case IDC_PREVIEW_AREA_TOGGLE:
                    if (HIWORD(wParam) == BN_CLICKED) ToggleAreaMode(dialog);
                    return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            OnDestroy(dialog);
            return FALSE;
    }
    return FALSE;
}

}  // namespace

void SetPreviewHost(const PreviewHost* newHost) { host = newHost; }

INT_PTR RunPreviewWindow(HWND owner) {
    auto module = static_cast<HINSTANCE>(GetUiGlobals()->resourceHandle);
    return DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_PREVIEW), owner, PreviewProc, 0);
}

INT_PTR RunPreviewWhenScanned(HWND owner) {
    // The scan thread ends by showing the main windows again, which it asks
    // of this thread: keep serving messages while it runs.
    ScanSettings& scan = *GetScanSettings();
    auto done = static_cast<HANDLE>(scan.scanDoneEvent);
    while (done != nullptr &&
           MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            // The application is ending: leave its quit for its own loop.
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return -1;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (scan.scanStatus != SCANSTATUS_SCANNED) return -1;
    return RunPreviewWindow(owner);
}

void DeletePreviewSurfaces() {
    canvasSurface.Reset();
    documentSurface.Reset();
    selectionSurface.Reset();
    state.canvasValid = false;
    state.documentValid = false;
}

bool PreviewSurfacesExist() {
    return canvasSurface.Exists() && documentSurface.Exists() && selectionSurface.Exists();
}
