// The transfers of state 6 and 7: native, file and memory, one BMP per page.
#pragma once

#include "tools/twscan/dsm_session.h"
#include "tools/twscan/scan_options.h"

// Transfers pages from the first MSG_XFERREADY until the source has no more
// (or --count pages are written) and returns how many were written; the
// session is back in state 5. Throws TwscanError on cancel or failure.
int TransferPages(DsmSession& session, const ScanOptions& options);
