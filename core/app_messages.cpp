// Messages from the source to the application travel through the manager's
// DSM_Entry, looked up afresh for each message.
#include <windows.h>

#include "core/handlers.h"
#include "core/win_handles.h"

void SendToApplication(TW_UINT16 message) {
    LoadedModule manager(LoadLibraryA("TWAIN_32.DLL"));
    if (!manager) return;
    auto entry =
        reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager.get(), "DSM_Entry")));
    if (entry != nullptr) {
        CoreContext* core = GetCoreContext();
        entry(&core->dsIdentity, &core->appIdentity, DG_CONTROL, DAT_NULL, message, nullptr);
    }
}
