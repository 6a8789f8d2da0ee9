// Loads a data source by path, as a Data Source Manager does, and prints the
// product name and version its identity reports: "<name>\t<version>".
// Exit code 0 when the source loaded and answered, 1 otherwise.
#include <windows.h>

#include <cstdio>

#include "core/twain.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: identity_probe <path of a .ds>\n");
        return 1;
    }
    HMODULE source = LoadLibraryA(argv[1]);
    if (source == nullptr) {
        fprintf(stderr, "cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    using DsEntryProc = TW_UINT16(TW_CALLINGSTYLE*)(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF);
    auto entry = reinterpret_cast<DsEntryProc>(reinterpret_cast<void*>(GetProcAddress(source, "DS_Entry")));
    TW_IDENTITY identity{};
    int result = 1;
    if (entry != nullptr && entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity) == TWRC_SUCCESS) {
        printf("%.34s\t%.34s\n", identity.ProductName, identity.Version.Info);
        result = 0;
    }
    FreeLibrary(source);
    return result;
}
