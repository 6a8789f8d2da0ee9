// Output paths and their check.
#include "tools/twscan/output_path.h"

#include <windows.h>

#include "tools/twscan/twscan_error.h"

namespace {

using DosNameFromUnix = WCHAR*(CDECL*)(const char*);

}  // namespace

std::string WindowsPath(const std::string& typed) {
    if (typed.empty() || typed[0] != '/') return typed;
    static const auto convert = reinterpret_cast<DosNameFromUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (convert == nullptr) return typed;
    WCHAR* wide = convert(typed.c_str());
    if (wide == nullptr) return typed;
    char narrow[MAX_PATH * 2] = {};
    const int length = WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, wide);
    return length > 0 ? std::string(narrow) : typed;
}

std::string WindowsErrorText(unsigned long error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_SHARING_VIOLATION:
            return error == ERROR_SHARING_VIOLATION ? "the file is in use" : "permission denied";
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
            return "the folder does not exist";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return "the disk is full";
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
            return "not a valid file name";
        case ERROR_DIRECTORY:
            return "it is a folder";
        default:
            return "Windows error " + std::to_string(error);
    }
}

void CheckWritable(const std::string& typed) {
    const std::string path = WindowsPath(typed);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        throw TwscanError(ExitOutput, "cannot write '" + typed + "': it is a folder");
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    // An existing file is opened for writing without being changed; a new one
    // is created and removed again.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              exists ? OPEN_EXISTING : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw TwscanError(ExitOutput, "cannot write '" + typed + "': " + WindowsErrorText(GetLastError()));
    }
    CloseHandle(file);
    if (!exists) DeleteFileA(path.c_str());
}

TempFile::TempFile() {
    char folder[MAX_PATH] = {};
    char name[MAX_PATH] = {};
    if (GetTempPathA(MAX_PATH, folder) == 0 || GetTempFileNameA(folder, "tws", 0, name) == 0)
        throw TwscanError(ExitOutput, "cannot create a temporary file: " + WindowsErrorText(GetLastError()));
    path_ = name;
}

TempFile::~TempFile() { DeleteFileA(path_.c_str()); }
