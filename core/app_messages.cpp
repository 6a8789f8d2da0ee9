// Messages from the source to the application travel through the manager's
// DSM_Entry, looked up afresh for each message.
#include <windows.h>

#include "core/handlers.h"

void SendToApplication(TW_UINT16 message) {
    HMODULE manager = LoadLibraryA("TWAIN_32.DLL");
    if (manager == nullptr) return;
    auto entry = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager, "DSM_Entry")));
    if (entry != nullptr) {
        CoreContext* core = GetCoreContext();
        entry(&core->dsIdentity, &core->appIdentity, DG_CONTROL, DAT_NULL, message, nullptr);
    }
    FreeLibrary(manager);
}
