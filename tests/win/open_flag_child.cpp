// Loads the data source given on the command line and tries MSG_OPENDS; the
// exit code is DS_Entry's return code (or 100 + a step that failed).
#include <windows.h>

#include <cstring>

#include "core/twain.h"

int main(int argc, char** argv) {
    if (argc < 2) return 100;
    HMODULE source = LoadLibraryA(argv[1]);
    if (source == nullptr) return 101;
    auto entry = reinterpret_cast<TW_UINT16(TW_CALLINGSTYLE*)(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16,
                                                              TW_MEMREF)>(
        reinterpret_cast<void*>(GetProcAddress(source, "DS_Entry")));
    if (entry == nullptr) return 102;
    TW_IDENTITY app{};
    app.Id = 21;
    strcpy(app.ProductName, "child");
    TW_IDENTITY ds{};
    ds.Id = 22;
    TW_UINT16 rc = entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds);
    FreeLibrary(source);
    return rc;
}
