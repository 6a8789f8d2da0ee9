// DAT_IMAGEINFO: asks the device for the image geometry of the coming scan and
// describes the image the application will receive.
#include <cstring>

#include "core/handlers.h"
#include "core/trace.h"
#include "device/device_link.h"
#include "scan/announced_image.h"
#include "scan/image_info.h"
#include "scan/scan_job.h"

namespace {

TW_UINT16 ImageInfo(const DsRequest& request) {
    CoreContext* c = GetCoreContext();
    if (c->state != StateXferReady) return FailWith(TWCC_SEQERROR);
    if (request.msg != MSG_GET) return FailWith(TWCC_BADPROTOCOL);
    if (request.data == nullptr) return FailWith(TWCC_BADVALUE);
    // The device operations report their own failures.
    if (OpenDevice(1) != 0) return TWRC_FAILURE;
    if (PrepareScan() != 0) {
        CloseDevice();
        return TWRC_FAILURE;
    }
    CloseDevice();
    ComputeOutputSize(&c->scan, c->scanWindow.resolutionIndex);
    TW_IMAGEINFO info;
    FillImageInfo(c->scan, c->scanWindow.resolutionIndex, &info);
    AnnounceImage(info);
    std::memcpy(request.data, &info, sizeof info);
    return TWRC_SUCCESS;
}

}  // namespace

TW_UINT16 AllVariableMsg(const DsRequest& request) {
    DsTrace("AllVariableMsg IN");
    const TW_UINT16 rc = ImageInfo(request);
    DsTrace("AllVariableMsg OUT");
    return rc;
}
