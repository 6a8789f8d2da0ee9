// Capability negotiation from twscan's flags, in state 4.
#pragma once

#include "tools/twscan/dsm_session.h"
#include "tools/twscan/scan_options.h"

// Sets every capability the options ask for and prints what the source then
// reports; throws TwscanError (ExitNegotiation) when the source refuses one.
void Negotiate(DsmSession& session, const ScanOptions& options);

// The current value of a one-value, enumeration or range capability as its
// 32-bit item; false when the source does not answer.
bool GetCurrentItem(DsmSession& session, TW_UINT16 cap, TW_UINT32* item);

// Prints every capability the source lists in CAP_SUPPORTEDCAPS with what
// its MSG_GET allows (--list-options).
void ListCapabilities(DsmSession& session);
