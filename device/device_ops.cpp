#include "device/device_ops.h"

#include <cstdio>

#include "core/core_context.h"
#include "core/trace.h"
#include "core/ui_callbacks.h"
#include "device/command_block.h"
#include "device/device_status.h"
#include "device/timed_io.h"
#include "device/transport.h"
#include "device/window_descriptor.h"
#include "scan/paper_tables.h"

namespace {

constexpr uint32_t UsbReadLimit = 65535;
constexpr uint32_t NetworkReadLimit = 524286;

// Formats a trace line only when tracing is built in.
template <typename... Args>
void TraceFormat([[maybe_unused]] const char* format, [[maybe_unused]] Args... args) {
#if defined(TARVIK_TRACE)
    char line[160];
    snprintf(line, sizeof line, format, args...);
    DsTrace(line);
#endif
}

Transport* LinkTransport() { return GetCoreContext()->openTransport; }

DeviceStatus Report(DeviceStatus status) {
    UiReportDeviceStatus(status);
    return status;
}

DeviceStatus ReportByMode(int reportMode, DeviceStatus status) {
    if (ShouldReport(reportMode, status)) UiReportDeviceStatus(status);
    return status;
}

// One command on the wire: its block out and, when it has one, its reply in.
struct Exchange {
    uint8_t block[ScanCommandBufferSize];
    uint8_t reply[ScanCommandBufferSize];
    uint32_t replyLength;
};

bool Build(int32_t id, const CommandParameters* parameters, Exchange* exchange) {
    return BuildCommand(id, exchange->block, sizeof exchange->block, parameters, &exchange->replyLength);
}

bool SendBlock(Transport* transport, const Exchange& exchange) {
    return SendWithTimeout(transport, exchange.block, ScanCommandBlockSize) == 1;
}

// Reads exactly the reply length the builder asked for.
bool ReceiveReply(Transport* transport, Exchange* exchange) {
    if (exchange->replyLength == 0 || exchange->replyLength > sizeof exchange->reply) return false;
    return ReceiveWithTimeout(transport, exchange->reply, exchange->replyLength) == 1;
}

// The common round trip of the status commands; true with the decoded byte.
bool StatusRoundTrip(int32_t id, const CommandParameters* parameters, StatusReply* decoded) {
    Transport* transport = LinkTransport();
    Exchange exchange;
    if (transport == nullptr || !Build(id, parameters, &exchange)) return false;
    if (!SendBlock(transport, exchange) || !ReceiveReply(transport, &exchange)) return false;
    return ParseReply(id, exchange.reply, decoded, sizeof *decoded);
}

// Connection replies carry 0 or 1; anything unreadable counts as 1.
DeviceStatus ConnectionStatusOf(bool ok, const StatusReply& decoded) {
    return ok && decoded.value == 0 ? DEVSTATUS_OK : DEVSTATUS_FAILED;
}

// The descriptor inputs from the scan window, the settings and the platen size.
WindowInputs GatherWindowInputs() {
    const CoreContext* context = GetCoreContext();
    const ScanWindow& window = context->scanWindow;
    WindowInputs in{};
    in.previewMode = window.previewMode;
    in.physicalWidth = context->coreInfo.physicalWidth;
    in.physicalHeight = context->coreInfo.physicalHeight;
    in.brightness = context->scan.brightness;
    in.pixelType = context->scan.pixelType;
    in.paperSizeCode = window.paperSizeCode;
    in.resolutionIndex = window.resolutionIndex;
    in.areaLeft = window.areaLeft;
    in.areaTop = window.areaTop;
    in.areaWidth = window.areaWidth;
    in.areaHeight = window.areaHeight;
    in.paperSource = window.paperSource;
    PaperCodeEntry paper = LookupPaperCode(window.paperSizeCode);
    in.paperWidth600 = paper.width600;
    in.paperLength600 = paper.height600;
    return in;
}

// Reads are bounded by what one transfer of the transport can carry; with no
// link open the chosen kind decides, so a bad request is refused either way.
uint32_t ReadLimitFor(int32_t kind) {
    if (kind == TRANSPORT_USB) return UsbReadLimit;
    if (kind == TRANSPORT_NETWORK) return NetworkReadLimit;
    return UINT32_MAX;
}

}  // namespace

DeviceStatus SCAN_STARTSCAN(uint32_t totalBytes) {
    Transport* transport = LinkTransport();
    CommandParameters parameters{};
    parameters.totalBytes = totalBytes;
    Exchange exchange;
    if (transport == nullptr || !Build(CMD_STARTSCAN, &parameters, &exchange)) return DEVSTATUS_FAILED;
    if (!SendBlock(transport, exchange)) return Report(DEVSTATUS_FAILED);
    TraceFormat("SCAN_STARTSCAN Size:%d", static_cast<int>(totalBytes));
    return DEVSTATUS_OK;
}

DeviceStatus SCAN_ABORT() {
    Transport* transport = LinkTransport();
    Exchange exchange;
    if (transport == nullptr || !Build(CMD_ABORT, nullptr, &exchange)) return DEVSTATUS_FAILED;
    if (!SendBlock(transport, exchange)) return Report(DEVSTATUS_FAILED);
    DsTrace("SCAN_ABORT");
    return DEVSTATUS_OK;
}

// A state the scan could not be built on (see IsUsableBufferState) is treated
// like an undecodable reply: nothing is stored.
DeviceStatus SCAN_GETDATABUFFERSTATE() {
    Transport* transport = LinkTransport();
    Exchange exchange;
    if (transport == nullptr || !Build(CMD_GETDATABUFFERSTATE, nullptr, &exchange)) return DEVSTATUS_FAILED;
    if (!SendBlock(transport, exchange) || !ReceiveReply(transport, &exchange))
        return Report(DEVSTATUS_FAILED);
    DataBufferState state;
    if (!ParseReply(CMD_GETDATABUFFERSTATE, exchange.reply, &state, sizeof state)) return DEVSTATUS_FAILED;
    if (!IsUsableBufferState(state)) return DEVSTATUS_FAILED;
    CoreContext* context = GetCoreContext();
    context->deviceLineWidth = state.logicWidth;
    context->deviceLineCount = state.logicHeight;
    context->scan.imageWidth = state.actualWidth;
    context->scan.imageHeight = state.actualHeight;
    TraceFormat("SCAN_GETDATABUFFERSTATE LogicWidth:%d LogicHeight:%d ActualWidth:%d ActualHeight:%d",
                state.logicWidth, state.logicHeight, state.actualWidth, state.actualHeight);
    return DEVSTATUS_OK;
}

DeviceStatus SCAN_SETWINDOW() {
    Transport* transport = LinkTransport();
    CommandParameters parameters{};
    Exchange exchange;
    if (transport == nullptr || !FillWindowDescriptor(GatherWindowInputs(), &parameters.window))
        return DEVSTATUS_FAILED;
    if (!Build(CMD_SETWINDOW, &parameters, &exchange)) return DEVSTATUS_FAILED;
    if (!SendBlock(transport, exchange)) return Report(DEVSTATUS_FAILED);
    const WindowDescriptor& w = parameters.window;
    TraceFormat("SCAN_SETWINDOW Reso:%d ScanType:%d OrigSize:%d Width:%d Length:%d", w.reso, w.scanType,
                w.origSize, w.width, w.length);
    return DEVSTATUS_OK;
}

DeviceStatus SCAN_GETMACHINESTATE() {
    Transport* transport = LinkTransport();
    Exchange exchange;
    if (transport == nullptr || !Build(CMD_GETMACHINESTATE, nullptr, &exchange)) return DEVSTATUS_FAILED;
    if (!SendBlock(transport, exchange) || !ReceiveReply(transport, &exchange))
        return Report(DEVSTATUS_FAILED);
    MachineState state;
    if (!ParseReply(CMD_GETMACHINESTATE, exchange.reply, &state, sizeof state)) return DEVSTATUS_FAILED;
    FeederState& feeder = GetCoreContext()->feederState;
    feeder.adfAvailable = state.flags[MachineFlagAdfEnable];
    feeder.duplexAvailable = state.flags[MachineFlagDuplexEnable];
    feeder.adfLoaded = state.flags[MachineFlagAdfSetDoc];
    TraceFormat("SCAN_GETMACHINESTATE ADFEnable:%d DuplexEnable:%d ADFSetDoc:%d", feeder.adfAvailable,
                feeder.duplexAvailable, feeder.adfLoaded);
    return DEVSTATUS_OK;
}

// The image bytes go straight to the caller's buffer, and only once all of
// them have arrived in time.
DeviceStatus SCAN_READDATA(uint8_t* destination, uint32_t count) {
    Transport* transport = LinkTransport();
    int32_t kind = transport != nullptr ? transport->kind : GetCoreContext()->transportKindSetting;
    if (destination == nullptr || count == 0 || count > ReadLimitFor(kind))
        return Report(DEVSTATUS_DATA_ERROR);
    CommandParameters parameters{};
    parameters.byteCount = count;
    Exchange exchange;
    if (transport == nullptr || !Build(CMD_READDATA, &parameters, &exchange)) return DEVSTATUS_FAILED;
    if (!SendBlock(transport, exchange)) return Report(DEVSTATUS_DATA_ERROR);
    DsTrace("SCAN_READDATA CMD Sent!");
    if (ReceiveWithTimeout(transport, destination, count) != 1) return Report(DEVSTATUS_DATA_ERROR);
    TraceFormat("SCAN_READDATA Size:%d", static_cast<int>(count));
    return DEVSTATUS_OK;
}

// Replies 1, 2 and unknown values stop the scan on the device before the
// status goes back; a failed exchange sends nothing more.
DeviceStatus SCAN_SENSE(int reportMode) {
    if (LinkTransport() == nullptr) return DEVSTATUS_FAILED;
    DeviceStatus result = DEVSTATUS_FAILED;
    StatusReply decoded{};
    if (StatusRoundTrip(CMD_SENSE, nullptr, &decoded)) {
        ReplyOutcome outcome = SenseOutcome(decoded.value);
        if (outcome.abort) SCAN_ABORT();
        result = outcome.status;
    }
    TraceFormat("SCAN_SENSE Reply:%d", result);
    return ReportByMode(reportMode, result);
}

DeviceStatus SCAN_CHECKPID(int reportMode) {
    if (LinkTransport() == nullptr) return DEVSTATUS_FAILED;
    const DeviceLink& link = GetCoreContext()->link;
    CommandParameters parameters{};
    parameters.identity = link.identity;
    parameters.identityLength = link.identityLength;
    StatusReply decoded{};
    bool ok = StatusRoundTrip(CMD_CHECKPID, &parameters, &decoded);
    DeviceStatus result = ConnectionStatusOf(ok, decoded);
    TraceFormat("SCAN_CHECKPID Reply:%d", result);
    return ReportByMode(reportMode, result);
}

DeviceStatus SCAN_RELEASE() {
    Transport* transport = LinkTransport();
    Exchange exchange;
    if (transport == nullptr || !Build(CMD_RELEASE, nullptr, &exchange)) return DEVSTATUS_FAILED;
    if (!SendBlock(transport, exchange)) return DEVSTATUS_FAILED;
    if (!ReceiveReply(transport, &exchange)) return DEVSTATUS_DATA_ERROR;
    StatusReply decoded{};
    bool ok = ParseReply(CMD_RELEASE, exchange.reply, &decoded, sizeof decoded);
    return ConnectionStatusOf(ok, decoded);
}

// Nothing is sent: the device speaks first when a connection is made.
DeviceStatus SCAN_GETNETWORKSTATUS(int reportMode) {
    Transport* transport = LinkTransport();
    Exchange exchange;
    if (transport == nullptr || !Build(CMD_GETNETWORKSTATUS, nullptr, &exchange)) return DEVSTATUS_FAILED;
    StatusReply decoded{};
    bool ok = ReceiveReply(transport, &exchange) &&
              ParseReply(CMD_GETNETWORKSTATUS, exchange.reply, &decoded, sizeof decoded);
    DeviceStatus result = ConnectionStatusOf(ok, decoded);
    TraceFormat("SCAN_GETNETWORKSTATUS Reply:%d", result);
    return ReportByMode(reportMode, result);
}

// Any reply but 0 means the scan must stop: the device's key, or its errors.
DeviceStatus SCAN_STARTKEYSTATUS(int reportMode) {
    if (LinkTransport() == nullptr) return DEVSTATUS_FAILED;
    CommandParameters parameters{};
    parameters.paperSource = static_cast<uint8_t>(GetCoreContext()->scanWindow.paperSource & 0xFF);
    DeviceStatus result = DEVSTATUS_FAILED;
    StatusReply decoded{};
    if (StatusRoundTrip(CMD_STARTKEYSTATUS, &parameters, &decoded)) {
        ReplyOutcome outcome = StartKeyOutcome(decoded.value);
        if (outcome.abort) SCAN_ABORT();
        result = outcome.status;
    }
    TraceFormat("SCAN_STARTKEYSTATUS Reply:%d", result);
    return ReportByMode(reportMode, result);
}
