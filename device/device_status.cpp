#include "device/device_status.h"

namespace {

// Outcomes of the replies 0 to 3; any other reply fails and aborts.
using ReplyTable = ReplyOutcome[4];

constexpr ReplyTable senseOutcomes = {
    {DEVSTATUS_OK, false},
    {DEVSTATUS_COVER_OPEN, true},
    {DEVSTATUS_DEVICE_FAULT, true},
    {DEVSTATUS_SENSE_NOTICE, false},
};

constexpr ReplyTable startKeyOutcomes = {
    {DEVSTATUS_OK, false},
    {DEVSTATUS_COVER_OPEN, true},
    {DEVSTATUS_DEVICE_FAULT, true},
    {DEVSTATUS_STOP_KEY, true},
};

ReplyOutcome OutcomeOf(const ReplyTable& table, int32_t reply) {
    if (reply < 0 || reply > 3) return {DEVSTATUS_FAILED, true};
    return table[reply];
}

}  // namespace

ReplyOutcome SenseOutcome(int32_t reply) { return OutcomeOf(senseOutcomes, reply); }

ReplyOutcome StartKeyOutcome(int32_t reply) { return OutcomeOf(startKeyOutcomes, reply); }

bool IsDeviceKeyPress(DeviceStatus status) {
    return status == DEVSTATUS_COVER_OPEN || status == DEVSTATUS_STOP_KEY;
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
