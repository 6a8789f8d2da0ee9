#include "scan/progress_model.h"

#include <algorithm>

#include "scan/scan_settings.h"

namespace {

int32_t Percent(int32_t done, int32_t total) {
    if (total == 0) return BarUnchanged;
    const int64_t percent = static_cast<int64_t>(done) * 100 / total;
    return static_cast<int32_t>(std::clamp<int64_t>(percent, 0, 100));
}

}  // namespace

ProgressBars ProgressBarsFor(const ProgressSnapshot& job) {
    ProgressBars bars{BarUnchanged, BarUnchanged, false};
    const bool preview = job.scanPurpose == SCANPURPOSE_PREVIEW;
    const int32_t status = job.scanStatus;
    if (status == SCANSTATUS_SCANNING) bars.scanning = Percent(job.rowsScanned, job.imageHeight);
    if (!preview && (status == SCANSTATUS_SCANNING || status == SCANSTATUS_SCANNED)) {
        bars.delivery = Percent(job.rowsDelivered, job.outputHeight);
    }
    if (status == SCANSTATUS_SCANNED || status == SCANSTATUS_DELIVERED) bars.scanning = 100;
    if (!preview && status == SCANSTATUS_DELIVERED) bars.delivery = 100;
    bars.previewFinished = preview && status == SCANSTATUS_SCANNED;
    return bars;
}

int32_t FromParentEdge(int32_t value, int32_t parentExtent) {
    return value < 0 ? parentExtent + value : value;
}
