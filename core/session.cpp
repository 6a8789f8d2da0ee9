// The TWAIN session: identity, enabling and disabling, status and pending
// transfers, with the state rules of each message.
#include <windows.h>

#include "core/handlers.h"
#include "core/trace.h"
#include "core/ui_callbacks.h"
#include "device/device_link.h"
#include "device/device_ops.h"
#include "scan/announced_image.h"
#include "scan/scan_job.h"
#include "scan/spool_file.h"
#include "ui/help_control.h"

namespace {

CoreContext& Core() { return *GetCoreContext(); }

bool IsOpenState() {
    TW_INT16 s = Core().state;
    return s == StateOpen || s == StateEnabled || s == StateXferReady || s == StateTransferring;
}

// Adopts what the machine reported: a source the device cannot serve falls back to the flatbed.
void FitPaperSourceToDevice() {
    ScanWindow& w = Core().scanWindow;
    const FeederState& f = Core().feederState;
    if (f.adfAvailable == 0) {
        w.paperSource = 0;
    } else if (f.duplexAvailable == 0 && w.paperSource == 2) {
        w.paperSource = 0;
    }
}

TW_UINT16 OpenDS(const DsRequest& request) {
    DsTrace("OpenDS IN");
    // Both identities are copied; without them there is nothing to connect.
    if (request.origin == nullptr || request.data == nullptr) return FailWith(TWCC_BADVALUE);
    // Another session, in this process or another one, holds the source.
    if (!TakeOpenFlag()) return FailWith(TWCC_MAXCONNECTIONS);

    Core().appIdentity = *request.origin;
    Core().dsIdentity = *static_cast<const TW_IDENTITY*>(request.data);

    int choice = UiChooseDevice();
    if (choice == 255) {
        Core().state = StateOpen;
        DsTrace("OpenDS OUT");
        return TWRC_SUCCESS;
    }
    if (choice != 0) {
        Core().state = StateOpen;
        Core().closeRequested = 1;
        DsTrace("OpenDS OUT");
        return TWRC_SUCCESS;
    }
    // A failed open leaves no session behind: the user may switch the device
    // on and try again.
    if (OpenDevice(1) != 0) {
        GiveBackOpenFlag();
        return FailWith(TWCC_SEQERROR);
    }
    if (SCAN_GETMACHINESTATE() != 0) {
        CloseDevice();
        GiveBackOpenFlag();
        return FailWith(TWCC_SEQERROR);
    }
    CloseDevice();
    FitPaperSourceToDevice();
    Core().state = StateOpen;
    DsTrace("OpenDS OUT");
    return TWRC_SUCCESS;
}

TW_UINT16 CloseDS() {
    DsTrace("CloseDS IN");
    if (!IsOpenState()) return FailWith(TWCC_SEQERROR);
    Core().closeRequested = 0;
    Core().appIdentity.Id = 0;
    UiCloseProgress(0);
    UiCloseAdjustmentDialog();
    CloseDevice();
    Core().state = StateLoaded;
    GiveBackOpenFlag();
    DsTrace("CloseDS OUT");
    return TWRC_SUCCESS;
}

TW_UINT16 EnableDS(const TW_USERINTERFACE* ui) {
    DsTrace("EnableDS IN");
    if (Core().state != StateOpen) return FailWith(TWCC_SEQERROR);
    if (ui == nullptr) return FailWith(TWCC_BADVALUE);

    if (ui->ShowUI == 0) {
        DsTrace("EnableDS OUT");
        return StartWithoutInterface() == 0 ? TWRC_SUCCESS : TWRC_FAILURE;
    }

    RestorePreview(SpoolFilePath().c_str());
    if (Core().closeRequested) {
        RequestClose();
        DsTrace("EnableDS OUT");
        return TWRC_SUCCESS;
    }
    int dialogResult = UiShowMainDialog(ui->hParent);
    Core().conditionCode = static_cast<TW_UINT16>(dialogResult);
    ReleaseHelpControlReferences();
    Core().state = StateEnabled;
    DsTrace("EnableDS OUT");
    return dialogResult != 0 ? TWRC_FAILURE : TWRC_SUCCESS;
}

TW_UINT16 DisableDS() {
    DsTrace("DisableDS IN");
    if (!IsOpenState()) return FailWith(TWCC_SEQERROR);
    FreePreviewImage();
    UiDestroyMainDialog();
    Core().state = StateOpen;
    DsTrace("DisableDS OUT");
    return TWRC_SUCCESS;
}

// Asks the device whether another sheet waits and moves the page index along.
TW_UINT16 CheckNextPage(TW_PENDINGXFERS* pending) {
    if (OpenDevice(1) != 0) return TWRC_FAILURE;
    if (SCAN_SENSE(ReportAllButCoverOpen) != 0 || SCAN_GETMACHINESTATE() != 0) {
        CloseDevice();
        return TWRC_FAILURE;
    }
    int32_t paperSource = Core().scanWindow.paperSource;
    if (Core().feederState.adfLoaded != 0 && paperSource != 0) {
        pending->Count = 1;
        Core().pageIndex = paperSource == 2 ? Core().pageIndex + 1 : 1;
    } else {
        Core().pageIndex = 1;
    }
    CloseDevice();
    return TWRC_SUCCESS;
}

TW_UINT16 ResetPendingTransfers(TW_PENDINGXFERS* pending) {
    pending->Count = 0;
    Core().pageIndex = 1;
    if (OpenDevice(0) != 0) return TWRC_FAILURE;
    if (SCAN_GETMACHINESTATE() != 0) {
        CloseDevice();
        return TWRC_FAILURE;
    }
    if (Core().feederState.adfLoaded != 0 && Core().scanWindow.paperSource != 0) {
        SCAN_ABORT();
        CloseDevice();
    }
    CloseDevice();
    Core().state = StateEnabled;
    return TWRC_SUCCESS;
}

TW_UINT16 EndTransfer(TW_PENDINGXFERS* pending) {
    pending->Count = 0;
    if (UiIsProgressOpen()) {
        UiCancelProgress();
        WaitForScanFinished();
        return TWRC_SUCCESS;
    }
    int32_t status = Core().scan.scanStatus;
    if (status == SCANSTATUS_CANCELLED || status == SCANSTATUS_FAILED) return TWRC_SUCCESS;
    return CheckNextPage(pending);
}

}  // namespace

// Frees the preview's global block; the pointers into it go with it.
void FreePreviewImage() {
    ScanImage& preview = Core().previewImage;
    if (preview.base != nullptr) {
        HGLOBAL block = GlobalHandle(preview.base);
        if (block != nullptr) {
            GlobalUnlock(block);
            GlobalFree(block);
            // Only forget the job's block when it is the one just freed; another
            // live block must keep its handle or it could never be released.
            if (Core().scanBlock == block) Core().scanBlock = nullptr;
        }
    }
    preview.base = nullptr;
    preview.rows = nullptr;
    preview.dibBits = nullptr;
}

TW_UINT16 IdentityMsg(const DsRequest& request) {
    DsTrace("IdentityMsg IN");
    TW_UINT16 result;
    switch (request.msg) {
        case MSG_GET:
            if (request.data == nullptr) return FailWith(TWCC_BADVALUE);
            *static_cast<TW_IDENTITY*>(request.data) = Core().dsIdentity;
            result = TWRC_SUCCESS;
            break;
        case MSG_OPENDS:
            result = OpenDS(request);
            break;
        case MSG_CLOSEDS:
            result = CloseDS();
            break;
        default:
            return FailWith(TWCC_BADPROTOCOL);
    }
    DsTrace("IdentityMsg OUT");
    return result;
}

TW_UINT16 InterfaceMsg(const DsRequest& request) {
    DsTrace("InterfaceMsg IN");
    switch (request.msg) {
        case MSG_ENABLEDS:
            return EnableDS(static_cast<const TW_USERINTERFACE*>(request.data));
        case MSG_DISABLEDS:
            return DisableDS();
        default:
            return FailWith(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 StatusMsg(const DsRequest& request) {
    DsTrace("StatusMsg IN");
    if (request.msg != MSG_GET) return FailWith(TWCC_BADPROTOCOL);
    // Reporting the code must not change it, not even for a missing record.
    if (request.data == nullptr) return TWRC_FAILURE;
    auto* status = static_cast<TW_STATUS*>(request.data);
    status->ConditionCode = Core().conditionCode;
    status->Reserved = Core().statusReserved;
    DsTrace("StatusMsg OUT");
    return TWRC_SUCCESS;
}

TW_UINT16 PendingXferMsg(const DsRequest& request) {
    DsTrace("PendingXferMsg IN");
    auto* pending = static_cast<TW_PENDINGXFERS*>(request.data);
    switch (request.msg) {
        case MSG_GET:
            if (!IsOpenState()) return FailWith(TWCC_SEQERROR);
            if (pending == nullptr) return FailWith(TWCC_BADVALUE);
            pending->Count = 0;
            return CheckNextPage(pending);
        case MSG_ENDXFER:
            if (pending == nullptr) return FailWith(TWCC_BADVALUE);
            return EndTransfer(pending);
        case MSG_RESET:
            if (pending == nullptr) return FailWith(TWCC_BADVALUE);
            return ResetPendingTransfers(pending);
        default:
            return FailWith(TWCC_BADPROTOCOL);
    }
}

void RequestClose() {
    SendToApplication(MSG_CLOSEDSREQ);
    CloseDevice();
}

int StartWithoutInterface() {
    if (OpenDevice(1) != 0) return 1;
    if (const int notReady = CheckReadyToScan(ReportAll, false); notReady != 0) return notReady;
    CloseDevice();
    ForgetAnnouncedImage();  // a new image: the application has not been told about it yet
    Core().state = StateXferReady;
    SendToApplication(MSG_XFERREADY);
    return 0;
}

int StartFinalScan() {
    Core().scan.pixelType = Core().scan.uiPixelType;
    Core().scanWindow.previewMode = 0;
    return StartWithoutInterface();
}

int StartPreview() {
    Core().scanWindow.previewMode = 1;
    Core().scan.pixelType = 3;
    if (OpenDevice(1) != 0) return 1;
    if (SCAN_SENSE(ReportAll) != 0) {
        CloseDevice();
        return 1;
    }
    CloseDevice();
    StartScanJob(SCANPURPOSE_PREVIEW);
    // A small preview may already be done when the job returns; only a job
    // that ended without an image failed to begin.
    const int32_t status = Core().scan.scanStatus;
    return status == SCANSTATUS_FAILED || status == SCANSTATUS_CANCELLED ? 1 : 0;
}

void DSCore_InitCorePrompt() {
    // "iMeasure" is 0 for metric and 1 for US units; anything but 1 means metric.
    bool usesMetric = GetProfileIntA("intl", "iMeasure", 1) != 1;
    InitCoreContextValues(usesMetric);
}
