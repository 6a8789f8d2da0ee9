// The simulated device's state: window, feeder, running scan and fault counters.
// It turns each received command into a reply plan; the session code does the I/O.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sim/sim_chart.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_wire.h"

namespace tarvik_sim {

// Larger SCAN_READDATA requests are treated as garbage: the device drops the connection.
inline constexpr uint32_t kMaxReadRequest = 16u * 1024u * 1024u;
// SCAN_SENSE answer after a feeder scan was started with an empty feeder.
inline constexpr uint8_t kSenseNoPaper = 2;

// What happens on the connection after the reply went out.
enum class AfterReply { Continue, Silence, Close };

struct ReplyPlan {
    bool drop = false;           // close at once, send nothing
    std::vector<uint8_t> bytes;  // fixed reply bytes, sent first
    uint64_t imageBytes = 0;     // then this many bytes pulled from ReadImage
    AfterReply after = AfterReply::Continue;
    std::vector<std::string> notes;  // device events worth a log line
};

class SimDevice {
   public:
    explicit SimDevice(const SimOptions& options);

    // A connection was accepted: the unasked connection status (busy or ready).
    ReplyPlan OnConnect();
    // The connection ended: a running scan is abandoned.
    void OnDisconnect();
    // One received command block.
    ReplyPlan Handle(const Command& command);
    // Fills `out` with the next n bytes of the image stream (zeros past its end or
    // with no scan running) and counts them as sent.
    void ReadImage(uint8_t* out, size_t n);

    uint64_t ImageBytesSent() const { return imageBytesSent_; }
    uint32_t SheetsLeft() const { return sheets_; }
    uint32_t LastPage() const { return pageCounter_; }

   private:
    ReplyPlan Answer(const Command& command);
    void StartScan(const Command& command, ReplyPlan& plan);
    bool PaperLoaded() const { return sheets_ > 0 || backPending_; }
    uint8_t SenseReply(uint32_t occurrence);
    uint8_t KeyReply();
    void LimitImageBytes(ReplyPlan& plan);
    void ApplyReplyFaults(CommandKind kind, uint32_t occurrence, ReplyPlan& plan) const;
    void KeepPageImage();
    const uint8_t* DeviceLine(uint32_t line);

    SimOptions options_;
    uint32_t seen_[kCommandKindCount] = {};
    uint32_t connections_ = 0;
    ChartWindow window_;
    uint8_t paperSource_ = 0;
    uint32_t sheets_ = 0;
    bool backPending_ = false;
    uint32_t pageCounter_ = 0;
    uint8_t pendingSense_ = 0;
    bool scanActive_ = false;
    uint32_t scanPage_ = 0;
    ChartGeometry geometry_;
    uint64_t streamPos_ = 0;
    std::vector<uint8_t> line_;
    uint32_t lineIndex_ = UINT32_MAX;
    // The lines rendered so far of the last scanned window and page, kept for
    // the next scan of the same: rendering the chart is slower than the link.
    std::vector<uint8_t> pageImage_;
    uint32_t pageLines_ = 0;
    ChartGeometry pageGeometry_;
    uint32_t pagePage_ = 0;
    bool pageCached_ = false;
    uint64_t imageBytesSent_ = 0;
    bool stopKeyFired_ = false;
    bool silenceFired_ = false;
    bool dropFired_ = false;
    std::string chaosNote_;  // logged on the first connection; empty without chaos
    bool scannedOnConnection_ = false;
};

}  // namespace tarvik_sim
