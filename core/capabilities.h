// Capability negotiation: DG_CONTROL / DAT_CAPABILITY for the 31 capabilities
// the source supports, their stored enumeration tables and their get, set and
// reset rules.
#pragma once

#include "core/core_context.h"
#include "core/twain.h"

// The DAT_CAPABILITY handler (data is a TW_CAPABILITY). Clears the condition
// code on entry; MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET and MSG_RESET
// are served, any other message fails with TWCC_BADPROTOCOL. MSG_SET and
// MSG_RESET fail with TWCC_SEQERROR in states 6 and 7.
TW_UINT16 CapabilityMsg(const DsRequest& request);

// The five operations behind CapabilityMsg. Each fails with TWCC_BADVALUE for a
// null cap and TWCC_BADCAP for a capability the source does not support. The
// get operations and reset put a new container, owned by the caller, into
// cap->hContainer; TWCC_LOWMEMORY, with a null handle, when it cannot be made.
TW_UINT16 GET_CapabilityList(TW_CAPABILITY* cap);
TW_UINT16 GET_CurrentCapabilityValue(TW_CAPABILITY* cap);
TW_UINT16 GET_DefaultCapabilityValue(TW_CAPABILITY* cap);
TW_UINT16 SET_CapabilityValue(TW_CAPABILITY* cap);
TW_UINT16 ResetCapabilityValue(TW_CAPABILITY* cap);

// Puts the stored tables (current indexes) back to their values at load. The
// source itself never does; tests that share one process do.
void RestoreCapabilityTables();
