// Handlers of subsystems that are not part of the library yet. Each refuses
// cleanly, so an application learns the operation is unavailable rather than
// receiving made-up data.
#include "core/handlers.h"
#include "core/trace.h"

namespace {
TW_UINT16 Unavailable(const char* name) {
    DsTrace(name);
    return FailWith(TWCC_BADPROTOCOL);
}
}  // namespace

TW_UINT16 SetupMemXferMsg(const DsRequest&) { return Unavailable("SetupMemXferMsg IN"); }
TW_UINT16 SetupFileXferMsg(const DsRequest&) { return Unavailable("SetupFileXferMsg IN"); }
TW_UINT16 XferGroupMsg(const DsRequest&) { return Unavailable("XferGroupMsg IN"); }
TW_UINT16 AllVariableMsg(const DsRequest&) { return Unavailable("AllVariableMsg IN"); }
TW_UINT16 ImageLayoutMsg(const DsRequest&) { return Unavailable("ImageLayoutMsg IN"); }
