#include "ui/device_status_message.h"

#include "resources/resource_ids.h"
#include "ui/adjustment_settings.h"

namespace {
const char ModelName[] = "Tarvik4100";
constexpr UINT_PTR ProgressTimerId = 1000;
}  // namespace

unsigned DeviceStatusStringId(int32_t code) {
    switch (code) {
        case 1:
            return IDS_STATUS_NO_DEVICE;
        case 2:
            return IDS_STATUS_PAPER_JAM;
        case 3:
            return IDS_STATUS_COVER_OPEN;
        case 4:
            return IDS_STATUS_NO_PAPER;
        case 6:
            return IDS_STATUS_READ_FAILED;
        case 7:
            return IDS_STATUS_START_KEY;
        default:
            return 0;
    }
}

std::string ResourceText(unsigned id) {
    char text[512] = {};
    HMODULE module = static_cast<HMODULE>(GetUiGlobals()->resourceHandle);
    if (module == nullptr || LoadStringA(module, id, text, sizeof text) <= 0) return std::string();
    return text;
}

void ShowDeviceStatus(HWND window, int mode, int32_t code) {
    unsigned id = DeviceStatusStringId(code);
    if (id != 0) {
        if (mode == StatusModeProgress) KillTimer(window, ProgressTimerId);
        MessageBoxA(window, ResourceText(id).c_str(), ModelName, MB_OK | MB_ICONERROR);
        return;
    }
    if (mode == StatusModeDeviceSelect && code == 0) EndDialog(window, 0);
}

void CenterWindow(HWND window, int mode) {
    RECT r;
    if (!GetWindowRect(window, &r)) return;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    RECT over{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    HWND adjustment = static_cast<HWND>(GetUiGlobals()->adjustmentDialog);
    if (mode == CenterOverAdjustmentDialog && adjustment != nullptr) GetWindowRect(adjustment, &over);
    const int x = over.left + (over.right - over.left - width) / 2;
    const int y = over.top + (over.bottom - over.top - height) / 2;
    SetWindowPos(window, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, TRUE);
}
