#include "device/device_status.h"

ReplyOutcome SenseOutcome(int32_t reply) {
    switch (reply) {
        case 0:
            return {DEVSTATUS_OK, false};
        case 1:
            return {DEVSTATUS_COVER_OPEN, true};
        case 2:
            return {DEVSTATUS_DEVICE_FAULT, true};
        case 3:
            return {DEVSTATUS_SENSE_NOTICE, false};
        default:
            return {DEVSTATUS_FAILED, true};
    }
}

ReplyOutcome StartKeyOutcome(int32_t reply) {
    switch (reply) {
        case 0:
            return {DEVSTATUS_OK, false};
        case 1:
            return {DEVSTATUS_COVER_OPEN, true};
        case 2:
            return {DEVSTATUS_DEVICE_FAULT, true};
        case 3:
            return {DEVSTATUS_STOP_KEY, true};
        default:
            return {DEVSTATUS_FAILED, true};
    }
}

bool ShouldReport(int reportMode, DeviceStatus status) {
    if (status == DEVSTATUS_OK) return false;
    if (reportMode == ReportAll) return true;
    if (reportMode == ReportAllButCoverOpen) return status != DEVSTATUS_COVER_OPEN;
    return false;
}

bool IsUsableBufferState(const DataBufferState& state) {
    if (state.logicWidth <= 0 || state.logicHeight <= 0 || state.actualWidth <= 0 || state.actualHeight <= 0)
        return false;
    if (state.actualWidth > state.logicWidth || state.actualHeight > state.logicHeight) return false;
    int64_t colourBytes = int64_t{3} * state.logicWidth * state.logicHeight;
    return colourBytes <= MaxDeviceImageBytes;
}
