#include "core/app_data_path.h"

#include <windows.h>
#include <shlobj.h>

std::string CommonAppDataFile(const char* fileName) {
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        return fileName;
    }
    return std::string(folder) + "\\" + fileName;
}
