// The three image transfers: a bitmap in global memory, a BMP file, and
// strips in memory blocks. Each starts a scan job, waits for the adjusted
// image and lets the raster geometry produce the delivered rows.
#pragma once

#include "core/core_context.h"

TW_UINT16 ImageNativeXferMsg(const DsRequest& request);
TW_UINT16 ImageFileXferMsg(const DsRequest& request);
TW_UINT16 ImageMemXferMsg(const DsRequest& request);

// The file transfer's name: the one the application set, or "TWAIN.TMP",
// the default name offered.
const char* TransferFileName();
