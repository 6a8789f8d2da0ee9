#include "ui/device_select_dialog.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/core_context.h"
#include "device/device_ops.h"
#include "device/discovery.h"
#include "resources/resource_ids.h"
#include "ui/address_text.h"
#include "ui/adjustment_settings.h"
#include "ui/device_status_message.h"
#include "ui/main_ui_state.h"

namespace {

DeviceSelectBackend backend{TestDevice, DiscoverDevices};

constexpr UINT HotKeyModifiers = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
constexpr UINT HotKeyKey = VK_F12;
constexpr int ListColumnWidth = 150;

HWND Control(HWND dialog, int id) { return GetDlgItem(dialog, id); }

void SetControlText(HWND dialog, int id, unsigned stringId) {
    SetDlgItemTextA(dialog, id, ResourceText(stringId).c_str());
}

void AddListColumn(HWND list, int index, unsigned stringId) {
    std::string header = ResourceText(stringId);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = ListColumnWidth;
    column.pszText = header.data();
    SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

// The address control, the list and the search belong to the network choice.
void EnableNetworkControls(HWND dialog, bool enable) {
    for (int id : {IDC_DEVICE_ADDRESS, IDC_DEVICE_LIST, IDC_DEVICE_SEARCH})
        EnableWindow(Control(dialog, id), enable);
}

void PutAddress(HWND dialog, const char* text) {
    uint8_t b[4];
    ParseDottedAddress(text, b);
    SendDlgItemMessageA(dialog, IDC_DEVICE_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(b[0], b[1], b[2], b[3]));
}

std::string AddressInControl(HWND dialog) {
    DWORD value = 0;
    SendDlgItemMessageA(dialog, IDC_DEVICE_ADDRESS, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&value));
    const uint8_t b[4] = {
        static_cast<uint8_t>(FIRST_IPADDRESS(value)), static_cast<uint8_t>(SECOND_IPADDRESS(value)),
        static_cast<uint8_t>(THIRD_IPADDRESS(value)), static_cast<uint8_t>(FOURTH_IPADDRESS(value))};
    return FormatDottedAddress(b);
}

// The link takes a fixed 20-byte field, so the text goes through one.
void StoreLinkAddress(const std::string& address) {
    char field[sizeof(DeviceLink::address)] = {};
    address.copy(field, sizeof field - 1);
    SetLinkAddress(field);
}

void StoreSearchIdentity() {
    uint8_t request[256] = {};
    uint32_t length = BuildSearchRequest(request, sizeof request);
    SetLinkIdentity(request, length);
}

void InitDialog(HWND dialog, LPARAM testAtOnce) {
    CenterWindow(dialog);
    SetWindowTextA(dialog, ResourceText(IDS_DEVICE_TITLE).c_str());
    SetControlText(dialog, IDC_DEVICE_USB, IDS_DEVICE_USB);
    SetControlText(dialog, IDC_DEVICE_NETWORK, IDS_DEVICE_NETWORK);
    SetControlText(dialog, IDC_DEVICE_SEARCH, IDS_DEVICE_SEARCH);
    SetControlText(dialog, IDC_DEVICE_CLOSE, IDS_CANCEL_LABEL);
    HWND list = Control(dialog, IDC_DEVICE_LIST);
    AddListColumn(list, 0, IDS_DEVICE_LIST_ADDRESS);
    AddListColumn(list, 1, IDS_DEVICE_LIST_NOTE);

    PutAddress(dialog, GetMainUiState()->ipAddress);
    int32_t saved = GetUiGlobals()->settings.ioTypeSelect;
    if (saved == 0 || saved == 1) {
        CheckRadioButton(dialog, IDC_DEVICE_USB, IDC_DEVICE_NETWORK,
                         saved == 0 ? IDC_DEVICE_USB : IDC_DEVICE_NETWORK);
        EnableNetworkControls(dialog, saved == 1);
    }
    RegisterHotKey(dialog, DeviceSelectHotKeyId, HotKeyModifiers, HotKeyKey);

    if (testAtOnce != 1) return;
    // The link's address and identity start empty in every process; the saved
    // network device can only answer this first test if both go in first, as
    // "store and test" puts them in.
    if (saved == 1) {
        StoreSearchIdentity();
        StoreLinkAddress(AddressInControl(dialog));
    }
    if (backend.testDevice() == 0) EndDialog(dialog, DeviceChosen);
}

void Search(HWND dialog) {
    HWND list = Control(dialog, IDC_DEVICE_LIST);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    uint8_t request[256] = {};
    uint32_t length = BuildSearchRequest(request, sizeof request);
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    int32_t count = 0;
    DiscoveredHost* hosts = backend.discover(request, length, &count);
    SetCursor(previous);
    for (int32_t i = 0; hosts != nullptr && i < count; ++i) {
        char text[sizeof hosts[i].address + 1] = {};
        memcpy(text, hosts[i].address, sizeof hosts[i].address);
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = 0;  // every new address goes to the top
        item.pszText = text;
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    free(hosts);
}

void StoreAndTest(HWND dialog) {
    StoreSearchIdentity();
    if (IsDlgButtonChecked(dialog, IDC_DEVICE_USB) == BST_CHECKED) {
        SetTransportKind(0);
    } else if (IsDlgButtonChecked(dialog, IDC_DEVICE_NETWORK) == BST_CHECKED) {
        SetTransportKind(1);
    }
    bool network = GetTransportKindValue() == 1;
    std::string address = AddressInControl(dialog);
    if (network) StoreLinkAddress(address);

    int32_t status = backend.testDevice();
    ShowDeviceStatus(dialog, StatusModeDeviceSelect, status);
    if (status != 0) return;
    GetUiGlobals()->settings.ioTypeSelect = GetTransportKindValue();
    if (network) {
        MainUiState& state = *GetMainUiState();
        snprintf(state.ipAddress, sizeof state.ipAddress, "%s", address.c_str());
    }
}

// A click on the list puts the picked address into the address control.
void PickListAddress(HWND dialog) {
    HWND list = Control(dialog, IDC_DEVICE_LIST);
    int index = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    if (index < 0) index = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
    if (index < 0 && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0) index = 0;
    if (index < 0) return;
    LVITEMA state{};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));

    char text[64] = {};
    LVITEMA item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    if (text[0] != '\0') PutAddress(dialog, text);
}

void OnCommand(HWND dialog, int id) {
    switch (id) {
        case IDC_DEVICE_USB:
        case IDC_DEVICE_NETWORK:
            EnableNetworkControls(dialog, id == IDC_DEVICE_NETWORK);
            break;
        case IDC_DEVICE_SEARCH:
            Search(dialog);
            break;
        case IDC_DEVICE_STORE_TEST:
            StoreAndTest(dialog);
            break;
        case IDC_DEVICE_CLOSE:
            SetTransportKind(GetUiGlobals()->settings.ioTypeSelect);
            EndDialog(dialog, DeviceAbandoned);
            break;
        default:
            break;
    }
}

bool IsListClick(const NMHDR* header) {
    if (header == nullptr || header->idFrom != IDC_DEVICE_LIST) return false;
    UINT code = header->code;
    return code == NM_CLICK || code == NM_DBLCLK || code == NM_RCLICK || code == NM_RDBLCLK;
}

}  // namespace

DeviceSelectBackend* GetDeviceSelectBackend() { return &backend; }

int32_t TestDevice() {
    if (OpenDevice(0) != 0) return 1;
    int32_t status = SCAN_SENSE(ReportNothing);
    CloseDevice();
    return status;
}

INT_PTR RunDeviceSelectDialog(LPARAM testAtOnce) {
    HINSTANCE module = static_cast<HINSTANCE>(GetUiGlobals()->resourceHandle);
    if (module == nullptr) return -1;
    return DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_DEVICE_SELECT), nullptr, DeviceSelectDialogProc,
                           testAtOnce);
}

INT_PTR CALLBACK DeviceSelectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitDialog(dialog, lParam);
            return TRUE;
        case WM_COMMAND:
            OnCommand(dialog, LOWORD(wParam));
            return TRUE;
        case WM_NOTIFY:
            if (IsListClick(reinterpret_cast<const NMHDR*>(lParam))) PickListAddress(dialog);
            return TRUE;
        case WM_CLOSE:
            EndDialog(dialog, DeviceAbandoned);
            return TRUE;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) BringWindowToTop(dialog);
            return FALSE;
        case WM_HOTKEY:
            if (wParam == DeviceSelectHotKeyId && GetActiveWindow() == dialog)
                EndDialog(dialog, DeviceUnchecked);
            return TRUE;
        case WM_DESTROY:
            // Every way the dialog ends passes here.
            UnregisterHotKey(dialog, DeviceSelectHotKeyId);
            return FALSE;
        default:
            return FALSE;
    }
}
