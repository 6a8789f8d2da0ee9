// The library's entry from the loader: start-up on attach, release on detach.
#include <windows.h>

#include "core/handlers.h"
#include "core/startup.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (module == nullptr) return FALSE;
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            StartUp(module);
            break;
        case DLL_PROCESS_DETACH:
            // A process that ends without closing its session must not keep
            // the source from every other process still using the library.
            GiveBackOpenFlag();
            ShutDown(module);
            break;
        default:
            break;
    }
    return TRUE;
}
