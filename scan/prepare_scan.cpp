// Readying the device for a scan: sense, feeder, scan window, geometry.
#include "core/core_context.h"
#include "core/trace.h"
#include "core/ui_callbacks.h"
#include "device/device_link.h"
#include "device/device_ops.h"
#include "scan/scan_job.h"

namespace {
constexpr int PrepareFailed = 1;
constexpr int FeederEmpty = 5;

int Prepare() {
    CoreContext* c = GetCoreContext();
    if (SCAN_SENSE(ReportNothing) != 0) {
        CloseDevice();
        return PrepareFailed;
    }
    if (c->scanWindow.paperSource != 0) {
        if (SCAN_GETMACHINESTATE() != 0) {
            CloseDevice();
            return PrepareFailed;
        }
        if (c->feederState.adfLoaded == 0) {
            CloseDevice();
            UiReportDeviceStatus(FeederEmpty);
            return FeederEmpty;
        }
    }
    if (SCAN_SETWINDOW() != 0) return PrepareFailed;
    if (SCAN_GETDATABUFFERSTATE() != 0) return PrepareFailed;
    return 0;
}
}  // namespace

int PrepareScan() {
    DsTrace("PrepareScan IN");
    const int result = Prepare();
    DsTrace("PrepareScan OUT");
    return result;
}
