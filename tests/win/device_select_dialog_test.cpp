// The device selection dialog from the real resource module, run modally on
// the test's thread and driven by scripted steps from its own message loop.
#include "ui/device_select_dialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/core_context.h"
#include "device/discovery.h"
#include "resources/resource_ids.h"
#include "tests/win/win_test_support.h"
#include "ui/adjustment_settings.h"
#include "ui/main_ui_state.h"

namespace {

// What the device side answered and saw.
struct FakeDevice {
    std::vector<int32_t> answers;  // one per test, the last one repeats
    int tests = 0;
    std::string addressAtFirstTest;
    uint32_t identityLengthAtFirstTest = 0;
    std::vector<std::string> found;
    std::vector<uint8_t> lastRequest;
};
FakeDevice fake;

int32_t FakeTest() {
    if (fake.tests == 0) {
        fake.addressAtFirstTest = GetDeviceLink()->address;
        fake.identityLengthAtFirstTest = GetDeviceLink()->identityLength;
    }
    int32_t answer =
        fake.answers.empty() ? 1 : fake.answers[std::min<size_t>(fake.tests, fake.answers.size() - 1)];
    ++fake.tests;
    return answer;
}

DiscoveredHost* FakeDiscover(const uint8_t* request, uint32_t length, int32_t* count) {
    fake.lastRequest.assign(request, request + length);
    *count = static_cast<int32_t>(fake.found.size());
    if (fake.found.empty()) return nullptr;
    auto* hosts = static_cast<DiscoveredHost*>(calloc(fake.found.size(), sizeof(DiscoveredHost)));
    for (size_t i = 0; i < fake.found.size(); ++i) strncpy(hosts[i].address, fake.found[i].c_str(), 15);
    return hosts;
}

void Click(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void ChooseRadio(HWND dialog, int id) {
    CheckRadioButton(dialog, IDC_DEVICE_USB, IDC_DEVICE_NETWORK, id);
    Click(dialog, id);
}

DWORD AddressInControl(HWND dialog) {
    DWORD value = 0;
    SendDlgItemMessageA(dialog, IDC_DEVICE_ADDRESS, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&value));
    return value;
}

std::string ListItemText(HWND list, int index) {
    char text[64] = {};
    LVITEMA item{};
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

class DeviceSelectDialogTest : public ::testing::Test {
   protected:
    void SetUp() override {
        ResetSource();
        GetUiGlobals()->resourceHandle = ResourceModule();
        ASSERT_NE(nullptr, ResourceModule());
        backendBefore = *GetDeviceSelectBackend();
        *GetDeviceSelectBackend() = DeviceSelectBackend{FakeTest, FakeDiscover};
        fake = FakeDevice{};
        title = ResourceString(IDS_DEVICE_TITLE);
    }
    void TearDown() override { *GetDeviceSelectBackend() = backendBefore; }

    // Runs the dialog with 'steps' driving it once its opening is over; a
    // script that leaves it open fails and gets it closed.
    INT_PTR RunWith(std::vector<std::function<void(HWND)>> steps) {
        INT_PTR result = -1;
        // The dialog's loop shows it once its queue runs empty, which the
        // queued steps never let happen: the first step shows it as that would.
        steps.front() = [first = steps.front()](HWND dialog) {
            ShowWindow(dialog, SW_SHOWNORMAL);
            first(dialog);
        };
        RunScript(
            std::move(steps), [&] { result = RunDeviceSelectDialog(1); }, true);
        return result;
    }
    INT_PTR RunWith(const std::function<void(HWND)>& script) {
        return RunWith(std::vector<std::function<void(HWND)>>{script});
    }

    void SaveNetwork(const char* address) {
        GetUiGlobals()->settings.ioTypeSelect = 1;
        SetTransportKind(1);
        strcpy(GetMainUiState()->ipAddress, address);
    }

    DeviceSelectBackend backendBefore{};
    std::string title;
};

TEST_F(DeviceSelectDialogTest, SavedDeviceAnsweringEndsTheDialogDuringItsOpening) {
    struct Case {
        int32_t saved;
        const char* expectedLinkAddress;
        uint32_t expectedIdentityLength;
    };
    // A network device is tested at its saved address; the USB test leaves the address alone.
    for (const Case& c : {Case{1, "192.168.7.42", SearchRequestLength}, Case{0, "", 0}}) {
        SetUp();
        GetUiGlobals()->settings.ioTypeSelect = c.saved;
        SetTransportKind(c.saved);
        strcpy(GetMainUiState()->ipAddress, "192.168.7.42");
        memset(GetDeviceLink()->address, 0, sizeof GetDeviceLink()->address);
        SetLinkIdentity(nullptr, 0);
        fake.answers = {0};
        EXPECT_EQ(DeviceChosen, RunDeviceSelectDialog(1)) << "saved kind " << c.saved;
        EXPECT_EQ(1, fake.tests);
        EXPECT_EQ(c.expectedLinkAddress, fake.addressAtFirstTest);
        EXPECT_EQ(c.expectedIdentityLength, fake.identityLengthAtFirstTest);
        EXPECT_EQ(nullptr, FindWindowA("#32770", title.c_str()));
    }
}

TEST_F(DeviceSelectDialogTest, FailingStoreAndTestShowsTheMessageThenCloseRestoresTheKind) {
    GetUiGlobals()->settings.ioTypeSelect = 0;
    SetTransportKind(0);
    fake.answers = {1};
    std::string message;
    bool openAfterMessage = false;
    int32_t kindAfterTest = -1;
    HWND dialog = nullptr;
    INT_PTR result = RunWith({
        [&](HWND d) {
            dialog = d;
            ChooseRadio(dialog, IDC_DEVICE_NETWORK);
            SendDlgItemMessageA(dialog, IDC_DEVICE_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 0, 9));
            Click(dialog, IDC_DEVICE_STORE_TEST);
        },
        [&](HWND box) {
            char text[512] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            message = text;
            SaveScreenshot(box, "device_status_2080");
            SendMessageA(box, WM_COMMAND, IDOK, 0);
        },
        [&](HWND) {
            openAfterMessage = IsWindow(dialog) && IsWindowVisible(dialog);
            kindAfterTest = GetTransportKindValue();
            Click(dialog, IDC_DEVICE_CLOSE);
        },
    });
    EXPECT_EQ(ResourceString(IDS_STATUS_NO_DEVICE), message);
    EXPECT_FALSE(message.empty());
    EXPECT_TRUE(openAfterMessage);
    EXPECT_EQ(1, kindAfterTest);
    EXPECT_STREQ("127.0.0.9", GetDeviceLink()->address) << "a failed test keeps what it stored";
    EXPECT_EQ(DeviceAbandoned, result);
    EXPECT_EQ(0, GetTransportKindValue()) << "closing restores the saved kind";
    EXPECT_EQ(0, GetUiGlobals()->settings.ioTypeSelect);
    EXPECT_STREQ("", GetMainUiState()->ipAddress);
}

TEST_F(DeviceSelectDialogTest, SearchFillsTheListNewestFirstAndAClickFillsTheAddress) {
    SaveNetwork("10.1.1.1");
    fake.answers = {1};
    fake.found = {"192.168.1.20", "10.0.0.9"};
    std::vector<std::string> items;
    DWORD address = 0, afterEmptyClick = 0;
    INT_PTR result = RunWith([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
        Click(dialog, IDC_DEVICE_SEARCH);
        int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) items.push_back(ListItemText(list, i));
        LVITEMA state{};
        state.stateMask = state.state = LVIS_SELECTED;
        SendMessageA(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
        NMHDR click{list, IDC_DEVICE_LIST, static_cast<UINT>(NM_CLICK)};
        SendMessageA(dialog, WM_NOTIFY, IDC_DEVICE_LIST, reinterpret_cast<LPARAM>(&click));
        address = AddressInControl(dialog);
        SaveScreenshot(dialog, "device_select");
        // A second search that finds nothing empties the list; a click then changes nothing.
        fake.found.clear();
        Click(dialog, IDC_DEVICE_SEARCH);
        SendMessageA(dialog, WM_NOTIFY, IDC_DEVICE_LIST, reinterpret_cast<LPARAM>(&click));
        afterEmptyClick = AddressInControl(dialog);
        Click(dialog, IDC_DEVICE_CLOSE);
    });
    EXPECT_EQ(DeviceAbandoned, result);
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ("10.0.0.9", items[0]);
    EXPECT_EQ("192.168.1.20", items[1]);
    EXPECT_EQ(static_cast<DWORD>(MAKEIPADDRESS(192, 168, 1, 20)), address);
    EXPECT_EQ(address, afterEmptyClick);
    ASSERT_EQ(SearchRequestLength, fake.lastRequest.size());
    EXPECT_EQ(0x02, fake.lastRequest[0]);
    EXPECT_EQ(0, memcmp(fake.lastRequest.data() + 1, "Tarvik4100\0MorvelTarvik4100\0", 28));
}

TEST_F(DeviceSelectDialogTest, StoreAndTestWritesTheLinkAndTheSavedSettings) {
    GetUiGlobals()->settings.ioTypeSelect = 0;
    SetTransportKind(0);
    fake.answers = {1, 0};  // the saved USB device is absent, the network one answers
    INT_PTR result = RunWith([&](HWND dialog) {
        ChooseRadio(dialog, IDC_DEVICE_NETWORK);
        SendDlgItemMessageA(dialog, IDC_DEVICE_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 0, 0, 7));
        Click(dialog, IDC_DEVICE_STORE_TEST);
    });
    EXPECT_EQ(DeviceChosen, result);
    EXPECT_EQ(2, fake.tests);
    EXPECT_STREQ("10.0.0.7", GetDeviceLink()->address);
    EXPECT_STREQ("10.0.0.7", GetMainUiState()->ipAddress);
    EXPECT_EQ(1, GetUiGlobals()->settings.ioTypeSelect);
    EXPECT_EQ(1, GetTransportKindValue());
    ASSERT_EQ(SearchRequestLength, GetDeviceLink()->identityLength);
    EXPECT_EQ(0, memcmp(GetDeviceLink()->identity, "\x02Tarvik4100", 11));
}

TEST_F(DeviceSelectDialogTest, SavedUsbDisablesTheNetworkControlsUntilNetworkIsChosen) {
    GetUiGlobals()->settings.ioTypeSelect = 0;
    fake.answers = {1};
    bool usbEnabled[3] = {true, true, true}, networkEnabled[3] = {};
    bool usbChecked = false;
    RunWith([&](HWND dialog) {
        const int ids[3] = {IDC_DEVICE_ADDRESS, IDC_DEVICE_LIST, IDC_DEVICE_SEARCH};
        usbChecked = IsDlgButtonChecked(dialog, IDC_DEVICE_USB) == BST_CHECKED;
        for (int i = 0; i < 3; ++i) usbEnabled[i] = IsWindowEnabled(GetDlgItem(dialog, ids[i]));
        ChooseRadio(dialog, IDC_DEVICE_NETWORK);
        for (int i = 0; i < 3; ++i) networkEnabled[i] = IsWindowEnabled(GetDlgItem(dialog, ids[i]));
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(usbChecked);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(usbEnabled[i]) << "control " << i;
        EXPECT_TRUE(networkEnabled[i]) << "control " << i;
    }
}

TEST_F(DeviceSelectDialogTest, WindowCloseEndsWithOne) {
    SaveNetwork("10.0.0.1");
    fake.answers = {1};
    EXPECT_EQ(DeviceAbandoned, RunWith([](HWND dialog) { SendMessageA(dialog, WM_CLOSE, 0, 0); }));
}

TEST_F(DeviceSelectDialogTest, HotKeyEndsWith255OnlyWhileTheDialogIsActiveAndIsReleasedAfter) {
    SaveNetwork("10.0.0.1");
    fake.answers = {1};
    bool openAfterInactiveKey = false, chordTakenWhileOpen = false;
    INT_PTR result = RunWith([&](HWND dialog) {
        chordTakenWhileOpen = !RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT | MOD_SHIFT, VK_F12);
        if (!chordTakenWhileOpen) UnregisterHotKey(nullptr, 1);
        HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                     nullptr, nullptr, nullptr);
        SetActiveWindow(other);
        SendMessageA(dialog, WM_HOTKEY, DeviceSelectHotKeyId, 0);
        openAfterInactiveKey = IsWindow(dialog) && IsWindowVisible(dialog);
        DestroyWindow(other);
        SetActiveWindow(dialog);
        SendMessageA(dialog, WM_HOTKEY, DeviceSelectHotKeyId, 0);
    });
    EXPECT_TRUE(openAfterInactiveKey);
    EXPECT_EQ(DeviceUnchecked, result);
    EXPECT_TRUE(chordTakenWhileOpen) << "the dialog holds the chord while open";
    EXPECT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT | MOD_SHIFT, VK_F12))
        << "released when it ends";
    UnregisterHotKey(nullptr, 1);
}

}  // namespace
