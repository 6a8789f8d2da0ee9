#include "tools/sim/sim_device.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/sim/sim_chaos.h"

namespace tarvik_sim {
namespace {

// Log word of a pixel kind.
const char* KindName(ChartPixelKind kind) {
    switch (kind) {
        case ChartPixelKind::BlackWhite:
            return "bw";
        case ChartPixelKind::Grey:
            return "grey";
        case ChartPixelKind::Colour:
            return "colour";
    }
    return "?";
}

// Whether a fault of the list hits this occurrence; its argument goes to *argument.
bool AnyMatches(const std::vector<CommandFault>& faults, CommandKind kind, uint32_t seen, int32_t* argument) {
    for (const CommandFault& f : faults) {
        if (!f.Matches(kind, seen)) continue;
        if (argument) *argument = f.argument;
        return true;
    }
    return false;
}

// The reply corrupted so that a careful host must refuse it.
void CorruptCode(CommandKind kind, std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return;
    switch (kind) {
        case CommandKind::Status:
        case CommandKind::CheckPid:
        case CommandKind::Release:
            if (bytes.size() > 1) bytes[1] = static_cast<uint8_t>(bytes[1] + 0x10);
            break;
        case CommandKind::Sense:
        case CommandKind::StartKeyStatus:
            bytes[0] = 0xEE;
            break;
        default:
            bytes[0] ^= 0xFF;
            break;
    }
}

}  // namespace

// Without a feeder the device holds no sheets whatever --sheets says.
SimDevice::SimDevice(const SimOptions& options)
    : options_(options), sheets_(options.feeder ? options.sheets : 0) {
    if (!options.chaosSeed) return;
    ChaosPlan plan = PlanChaos(*options.chaosSeed);
    options_.faults = plan.faults;
    chaosNote_ = "chaos seed=" + std::to_string(*options.chaosSeed) + " fault=" + plan.description;
}

// Ready or busy status, subject to the faults aimed at the connection status.
ReplyPlan SimDevice::OnConnect() {
    ++connections_;
    scannedOnConnection_ = false;
    const uint32_t seen = ++seen_[static_cast<int>(CommandKind::Status)];
    ReplyPlan plan;
    if (!chaosNote_.empty()) {
        plan.notes.push_back(chaosNote_);
        chaosNote_.clear();
    }
    const FaultOptions& f = options_.faults;
    if (AnyMatches(f.dropOn, CommandKind::Status, seen, nullptr)) {
        plan.drop = true;
        return plan;
    }
    if (AnyMatches(f.silenceOn, CommandKind::Status, seen, nullptr)) {
        plan.after = AfterReply::Silence;
        return plan;
    }
    const bool busy = f.busyAlways || connections_ <= f.busyFirst;
    plan.bytes = EncodeConnectionStatus(0x00, busy ? 0x01 : 0x00);
    if (busy) {
        plan.after = AfterReply::Close;
        plan.notes.push_back("busy");
    }
    ApplyReplyFaults(CommandKind::Status, seen, plan);
    return plan;
}

// A chaos fault belongs to the first scan: once its connection has ended the
// device is healthy again, so the next scan shows whether the host recovered.
void SimDevice::OnDisconnect() {
    scanActive_ = false;
    if (options_.chaosSeed && scannedOnConnection_) options_.faults = FaultOptions{};
}

// Counts the occurrence, applies drop and silence faults, then answers and corrupts as asked.
ReplyPlan SimDevice::Handle(const Command& command) {
    const uint32_t seen = ++seen_[static_cast<int>(command.kind)];
    if (command.kind == CommandKind::StartScan) scannedOnConnection_ = true;
    const FaultOptions& f = options_.faults;
    ReplyPlan plan;
    if (AnyMatches(f.dropOn, command.kind, seen, nullptr)) {
        plan.drop = true;
        return plan;
    }
    if (AnyMatches(f.silenceOn, command.kind, seen, nullptr)) {
        plan.after = AfterReply::Silence;
        return plan;
    }
    if (command.kind == CommandKind::Sense) {
        plan.bytes = {SenseReply(seen)};
    } else {
        plan = Answer(command);
    }
    int32_t variant = 0;
    if (command.kind == CommandKind::GetDataBufferState &&
        AnyMatches(f.oddGeometry, command.kind, seen, &variant)) {
        plan.bytes = EncodeBufferState(OddGeometry(ComputeChartGeometry(window_), variant));
        plan.notes.push_back("odd geometry variant=" + std::to_string(variant));
    }
    ApplyReplyFaults(command.kind, seen, plan);
    if (command.kind == CommandKind::ReadData && !plan.drop) LimitImageBytes(plan);
    return plan;
}

// The normal answer of every command but SCAN_SENSE.
ReplyPlan SimDevice::Answer(const Command& c) {
    ReplyPlan plan;
    switch (c.kind) {
        case CommandKind::Abort:
            scanActive_ = false;
            break;
        case CommandKind::GetDataBufferState:
            plan.bytes = EncodeBufferState(ComputeChartGeometry(window_));
            break;
        case CommandKind::GetMachineState:
            plan.bytes = EncodeMachineState(options_.feeder, options_.duplex, PaperLoaded());
            break;
        case CommandKind::ReadData:
            if (c.count > kMaxReadRequest) {
                plan.drop = true;
                plan.notes.push_back("readdata request too large, dropping the connection");
                break;
            }
            if (!scanActive_ || streamPos_ + c.count > geometry_.totalBytes)
                plan.notes.push_back("readdata beyond the image, zeros sent");
            plan.imageBytes = c.count;
            break;
        case CommandKind::SetWindow:
            window_ = c.window;
            paperSource_ = c.paperSource;
            scanActive_ = false;
            if (ComputeChartGeometry(window_).adjusted) plan.notes.push_back("window adjusted by the device");
            break;
        case CommandKind::StartScan:
            StartScan(c, plan);
            break;
        case CommandKind::StartKeyStatus:
            plan.bytes = {KeyReply()};
            break;
        case CommandKind::CheckPid: {
            const bool ok = !options_.faults.refuseIdentity && IdentityMatches(c.identity);
            plan.bytes = EncodeConnectionStatus(0x02, ok ? 0x00 : 0x01);
            break;
        }
        case CommandKind::Release:
            plan.bytes = EncodeConnectionStatus(0x04, 0x00);
            plan.after = AfterReply::Close;
            break;
        default:
            break;
    }
    return plan;
}

// Starts a scan of the current window; a feeder scan takes the next side or sheet.
void SimDevice::StartScan(const Command& c, ReplyPlan& plan) {
    scanActive_ = false;
    geometry_ = ComputeChartGeometry(window_);
    const bool feederScan = window_.resolutionCode != kPreviewResolutionCode && paperSource_ != 0;
    if (feederScan) {
        if (!options_.feeder || !PaperLoaded()) {
            pendingSense_ = kSenseNoPaper;
            plan.notes.push_back("startscan with an empty feeder");
            return;
        }
        if (backPending_) {
            backPending_ = false;
        } else {
            --sheets_;
            backPending_ = paperSource_ == 2 && options_.duplex;
        }
        scanPage_ = ++pageCounter_;
    } else {
        scanPage_ = 0;
    }
    scanActive_ = true;
    streamPos_ = 0;
    lineIndex_ = UINT32_MAX;
    line_.assign(geometry_.lineBytes, 0);
    KeepPageImage();
    char text[200];
    std::snprintf(text, sizeof(text),
                  "scan page=%u dpi=%u kind=%s width=%u height=%u logicwidth=%u total=%llu%s", scanPage_,
                  geometry_.dpi, KindName(geometry_.kind), geometry_.actualWidth, geometry_.actualHeight,
                  geometry_.logicWidth, static_cast<unsigned long long>(geometry_.totalBytes),
                  c.count == geometry_.totalBytes ? "" : " total-mismatch=1");
    plan.notes.push_back(text);
}

// The injected code on its occurrence, else a pending condition (reported once), else 0.
uint8_t SimDevice::SenseReply(uint32_t occurrence) {
    const FaultOptions& f = options_.faults;
    if (f.senseCode && (f.senseOccurrence == 0 || f.senseOccurrence == occurrence)) return *f.senseCode;
    const uint8_t code = pendingSense_;
    pendingSense_ = 0;
    return code;
}

// The stop key is pressed once, at the first poll after the byte threshold.
uint8_t SimDevice::KeyReply() {
    const FaultOptions& f = options_.faults;
    if (f.stopKeyAfter && !stopKeyFired_ && imageBytesSent_ >= *f.stopKeyAfter) {
        stopKeyFired_ = true;
        return f.stopKeyCode;
    }
    return 0;
}

// Cuts a data reply where a silence or drop threshold falls inside it.
void SimDevice::LimitImageBytes(ReplyPlan& plan) {
    const FaultOptions& f = options_.faults;
    auto cut = [&](const std::optional<uint64_t>& limit, bool& fired, AfterReply after, bool drop) {
        if (!limit || fired) return;
        const uint64_t room = *limit > imageBytesSent_ ? *limit - imageBytesSent_ : 0;
        if (plan.imageBytes < room) return;
        plan.imageBytes = room;
        fired = true;
        plan.after = after;
        if (drop) plan.notes.push_back("dropping the connection after the image byte limit");
    };
    cut(f.dropAfter, dropFired_, AfterReply::Close, true);
    cut(f.silenceAfter, silenceFired_, AfterReply::Silence, false);
}

// Wrong code and wrong length faults; image replies change their byte count instead.
void SimDevice::ApplyReplyFaults(CommandKind kind, uint32_t occurrence, ReplyPlan& plan) const {
    const FaultOptions& f = options_.faults;
    if (AnyMatches(f.wrongCode, kind, occurrence, nullptr)) CorruptCode(kind, plan.bytes);
    int32_t delta = 0;
    if (!AnyMatches(f.wrongLength, kind, occurrence, &delta)) return;
    if (kind == CommandKind::ReadData) {
        const int64_t n = static_cast<int64_t>(plan.imageBytes) + delta;
        plan.imageBytes = n > 0 ? static_cast<uint64_t>(n) : 0;
    } else if (delta < 0) {
        plan.bytes.resize(plan.bytes.size() -
                          std::min<size_t>(plan.bytes.size(), static_cast<size_t>(-delta)));
    } else {
        plan.bytes.insert(plan.bytes.end(), static_cast<size_t>(std::min(delta, 4096)), uint8_t{0xEE});
    }
}

namespace {

// Images up to this size are kept between scans (an A4 colour page at 600 dpi fits).
constexpr uint64_t kPageCacheLimit = 128ull << 20;

bool SameLines(const ChartGeometry& a, const ChartGeometry& b) {
    return a.dpi == b.dpi && a.kind == b.kind && a.left600 == b.left600 && a.top600 == b.top600 &&
           a.actualWidth == b.actualWidth && a.logicWidth == b.logicWidth && a.logicHeight == b.logicHeight &&
           a.lineBytes == b.lineBytes;
}

}  // namespace

// Keeps the rendered lines when the new scan is of the same window and page,
// else starts an empty page image (none for images past the limit).
void SimDevice::KeepPageImage() {
    if (pageCached_ && pagePage_ == scanPage_ && SameLines(pageGeometry_, geometry_)) return;
    pageImage_.clear();
    pageLines_ = 0;
    pageGeometry_ = geometry_;
    pagePage_ = scanPage_;
    pageCached_ = geometry_.totalBytes <= kPageCacheLimit && geometry_.lineBytes > 0;
    if (pageCached_) pageImage_.reserve(static_cast<size_t>(geometry_.totalBytes));
}

// Device line `line` of the current scan: from the page image, rendering the
// lines up to it once, or rendered alone into the single line buffer.
const uint8_t* SimDevice::DeviceLine(uint32_t line) {
    if (!pageCached_) {
        if (line != lineIndex_) {
            RenderContentLine(geometry_, options_.content, scanPage_, line, line_.data());
            lineIndex_ = line;
        }
        return line_.data();
    }
    const size_t lineBytes = geometry_.lineBytes;
    while (pageLines_ <= line) {
        pageImage_.resize(pageImage_.size() + lineBytes);
        RenderContentLine(geometry_, options_.content, scanPage_, pageLines_,
                          pageImage_.data() + pageLines_ * lineBytes);
        ++pageLines_;
    }
    return pageImage_.data() + line * lineBytes;
}

// Renders lines lazily, as the stream reaches them.
void SimDevice::ReadImage(uint8_t* out, size_t n) {
    imageBytesSent_ += n;
    while (n > 0) {
        if (!scanActive_ || streamPos_ >= geometry_.totalBytes || geometry_.lineBytes == 0) {
            std::memset(out, 0, n);
            streamPos_ += n;
            return;
        }
        const uint32_t line = static_cast<uint32_t>(streamPos_ / geometry_.lineBytes);
        const size_t offset = static_cast<size_t>(streamPos_ % geometry_.lineBytes);
        const size_t take = std::min(n, geometry_.lineBytes - offset);
        std::memcpy(out, DeviceLine(line) + offset, take);
        out += take;
        n -= take;
        streamPos_ += take;
    }
}

}  // namespace tarvik_sim
