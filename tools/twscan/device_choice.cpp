// The source's saved device choice: the transport kind in the adjustment
// settings file, the network address in the main settings file, both in the
// common application-data folder under the section the source reads.
#include "tools/twscan/device_choice.h"

#include <shlobj.h>
#include <windows.h>

#include "tools/twscan/twscan_error.h"

namespace {

constexpr const char* Section = "KRVDS TWAIN";
constexpr const char* KindFile = "ZOL_MF1DS.ini";
constexpr const char* AddressFile = "KTX_TWAIN.ini";
constexpr int NetworkKind = 1;
constexpr int UsbKind = 0;

std::string CommonAppDataFile(const char* name) {
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return {};
    return std::string(folder) + "\\" + name;
}

void WriteKey(const char* file, const char* key, const std::string& value) {
    const std::string path = CommonAppDataFile(file);
    if (path.empty() || !WritePrivateProfileStringA(Section, key, value.c_str(), path.c_str())) {
        throw TwscanError(ExitSource, "cannot save the device choice in " + path + " (Windows error " +
                                          std::to_string(GetLastError()) + ")");
    }
}

int SavedKind() {
    const std::string path = CommonAppDataFile(KindFile);
    return static_cast<int>(GetPrivateProfileIntA(Section, "IOTypeSelect", -1, path.c_str()));
}

std::string SavedAddress() {
    char text[256] = {};
    GetPrivateProfileStringA(Section, "IPAddress", "", text, sizeof text,
                             CommonAppDataFile(AddressFile).c_str());
    return text;
}

}  // namespace

void SaveDeviceChoice(const std::string& device) {
    // The folder exists on every Windows; a fresh Wine prefix may lack it.
    const std::string folder = CommonAppDataFile("");
    if (!folder.empty()) CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    if (device == "usb") {
        WriteKey(KindFile, "IOTypeSelect", std::to_string(UsbKind));
        return;
    }
    WriteKey(KindFile, "IOTypeSelect", std::to_string(NetworkKind));
    WriteKey(AddressFile, "IPAddress", device);
}

std::string SavedDeviceText() {
    switch (SavedKind()) {
        case UsbKind:
            return "USB";
        case NetworkKind:
            return "network " + SavedAddress();
        default:
            return "none saved";
    }
}

std::string SavedDeviceWhere() {
    switch (SavedKind()) {
        case UsbKind:
            return "on USB";
        case NetworkKind:
            return "at " + SavedAddress();
        default:
            return {};
    }
}
