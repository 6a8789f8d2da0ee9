// The transfers of state 6 and 7: native, file and memory.
#pragma once

#include "tools/twscan/dsm_session.h"
#include "tools/twscan/image_output.h"
#include "tools/twscan/scan_options.h"

// Transfers pages after a MSG_XFERREADY until the source has no more (or
// --count pages are written in all) and returns how many were written; the
// session is back in state 5. 'pagesBefore' pages came with earlier
// MSG_XFERREADYs of the session. Throws TwscanError on cancel or failure.
int TransferPages(DsmSession& session, const ScanOptions& options, ImageOutput& output, int pagesBefore);
