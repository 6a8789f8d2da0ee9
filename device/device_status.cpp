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
