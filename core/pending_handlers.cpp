// Handlers of subsystems that are not part of the library yet. Each refuses
// cleanly, so an application learns the operation is unavailable rather than
// receiving made-up data.
#include "core/handlers.h"
#include "core/trace.h"
#include "scan/spool_file.h"

namespace {
TW_UINT16 Unavailable(const char* name) {
    DsTrace(name);
    return FailWith(TWCC_BADPROTOCOL);
}
}  // namespace

TW_UINT16 ImageMemXferMsg(const DsRequest&) { return Unavailable("ImageMemXferMsg IN"); }
TW_UINT16 ImageNativeXferMsg(const DsRequest&) { return Unavailable("ImageNativeXferMsg IN"); }
TW_UINT16 ImageFileXferMsg(const DsRequest&) { return Unavailable("ImageFileXferMsg IN"); }

// No preview is kept until the scan job can write one.
void RestorePreview(const char*) {}
