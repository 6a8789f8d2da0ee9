#include <windows.h>

#include "core/handlers.h"
#include "core/trace.h"
#include "core/ui_callbacks.h"

namespace {

const DispatchEntry controlTable[] = {
    {DAT_IDENTITY, IdentityMsg},
    {DAT_USERINTERFACE, InterfaceMsg},
    {DAT_CAPABILITY, CapabilityMsg},
    {DAT_STATUS, StatusMsg},
    {DAT_PENDINGXFERS, PendingXferMsg},
    {DAT_SETUPMEMXFER, SetupMemXferMsg},
    {DAT_SETUPFILEXFER, SetupFileXferMsg},
    {DAT_XFERGROUP, XferGroupMsg},
    {0, nullptr},
};

const DispatchEntry imageTable[] = {
    {DAT_IMAGEINFO, AllVariableMsg},
    {DAT_IMAGELAYOUT, ImageLayoutMsg},
    {DAT_IMAGEMEMXFER, ImageMemXferMsg},
    {DAT_IMAGENATIVEXFER, ImageNativeXferMsg},
    {DAT_IMAGEFILEXFER, ImageFileXferMsg},
    {0, nullptr},
};

// A call whose origin differs from the connected application is not ours. A
// missing origin cannot prove it is the connected one.
bool IsForeignCaller(const TW_IDENTITY* origin) {
    TW_UINT32 connected = GetCoreContext()->appIdentity.Id;
    if (connected == 0) return false;
    return origin == nullptr || origin->Id != connected;
}

// Hands a window message to the main dialog's filter; the source never answers
// with MSG_XFERREADY here, it sends that to the manager itself.
TW_UINT16 ProcessEvent(TW_MEMREF data) {
    auto* event = static_cast<TW_EVENT*>(data);
    if (event == nullptr || event->pEvent == nullptr) return TWRC_NOTDSEVENT;
    if (!UiFilterEvent(event->pEvent)) return TWRC_NOTDSEVENT;
    event->TWMessage = MSG_NULL;
    return TWRC_DSEVENT;
}

}  // namespace

TW_UINT16 Dispatch(const DsRequest& request, const DispatchEntry* table, TW_UINT16 dat) {
    DsTrace("Dispatch IN");
    for (const DispatchEntry* entry = table; entry->handler != nullptr; ++entry) {
        if (entry->dat == dat) {
            DsTrace("Dispatch OUT");
            return entry->handler(request);
        }
    }
    return FailWith(TWCC_BADPROTOCOL);
}

extern "C" TW_UINT16 TW_CALLINGSTYLE DS_Entry(pTW_IDENTITY origin, TW_UINT32 group, TW_UINT16 dat,
                                              TW_UINT16 msg, TW_MEMREF data) {
    DsTrace("DS_Entry IN");
    if (IsForeignCaller(origin)) return TWRC_NOTDSEVENT;
    if (msg == MSG_PROCESSEVENT) return ProcessEvent(data);

    TW_UINT16 result = TWRC_FAILURE;
    const DsRequest request{origin, group, dat, msg, data};
    if (group == DG_CONTROL) {
        result = Dispatch(request, controlTable, dat);
    } else if (group == DG_IMAGE) {
        result = Dispatch(request, imageTable, dat);
    }
    DsTrace("DS_Entry OUT");
    return result;
}
