// Every TWAIN handler reachable through the dispatch tables, and the session
// operations other subsystems call.
#pragma once

#include "core/core_context.h"

// Session (identity, interface, status, pending transfers).
TW_UINT16 IdentityMsg(const DsRequest& request);
TW_UINT16 InterfaceMsg(const DsRequest& request);
TW_UINT16 StatusMsg(const DsRequest& request);
TW_UINT16 PendingXferMsg(const DsRequest& request);

// Capability negotiation.
TW_UINT16 CapabilityMsg(const DsRequest& request);

// Transfer set-up and image information.
TW_UINT16 SetupMemXferMsg(const DsRequest& request);
TW_UINT16 SetupFileXferMsg(const DsRequest& request);
TW_UINT16 XferGroupMsg(const DsRequest& request);
TW_UINT16 AllVariableMsg(const DsRequest& request);
TW_UINT16 ImageLayoutMsg(const DsRequest& request);

// Image transfers.
TW_UINT16 ImageMemXferMsg(const DsRequest& request);
TW_UINT16 ImageNativeXferMsg(const DsRequest& request);
TW_UINT16 ImageFileXferMsg(const DsRequest& request);

// Routes one request through a table that ends with a null handler.
TW_UINT16 Dispatch(const DsRequest& request, const DispatchEntry* table, TW_UINT16 dat);

// Sends MSG_XFERREADY or MSG_CLOSEDSREQ to the application through the manager;
// silently nothing when the manager library or its entry is missing.
void SendToApplication(TW_UINT16 message);
// Asks the application to close the source and closes the device link.
void RequestClose();
// Frees the preview image's global block and forgets its pointers.
void FreePreviewImage();
// Checks the device and moves to state 600 with MSG_XFERREADY: 0 on success,
// 1 when the device cannot be reached, 5 when the selected feeder is empty.
int StartWithoutInterface();
// Start values of the core context, with the user's measurement system.
void DSCore_InitCorePrompt();
// Final scan and preview starts offered to the main dialog. StartPreview
// returns 1 when the device is not ready or the job failed to begin, else 0;
// the preview itself runs on the scan thread.
int StartFinalScan();
int StartPreview();

// The cross-process open flag: true for the caller that takes it while no
// session holds it. Giving it back is a no-op unless this process holds it.
bool TakeOpenFlag();
void GiveBackOpenFlag();
bool IsOpenFlagTaken();
