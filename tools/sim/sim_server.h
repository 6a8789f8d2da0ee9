// The TCP side of the simulated device: one conversation at a time, further
// connections are told the device is busy. Runs on the caller's thread until
// stopped, so tests can run it on a thread and main() on the main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "tools/sim/sim_device.h"
#include "tools/sim/sim_log.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_socket.h"

namespace tarvik_sim {

class UdpResponder;

class SimServer {
   public:
    SimServer(const SimOptions& options, SimLog& log);

    // Binds and listens on the configured address and port; false with *error on failure.
    bool Listen(std::string* error);
    // The port actually bound (the chosen one after --port 0).
    uint16_t Port() const { return port_; }
    // Serves until `stop` becomes true or an exit condition of the options is met.
    // `udp` (may be null) is served from the same loop. Returns the process exit status.
    int Run(const std::atomic<bool>& stop, UdpResponder* udp);

    const SimDevice& Device() const { return device_; }

   private:
    void Accept(const std::atomic<bool>& stop);
    void ReadFromClient(const std::atomic<bool>& stop);
    void Execute(const ReplyPlan& plan, const std::atomic<bool>& stop);
    bool SendPiecewise(const uint8_t* data, size_t n, const std::atomic<bool>& stop, bool* firstPiece);
    void EndSession(const char* reason);

    SimOptions options_;
    SimLog& log_;
    SimDevice device_;
    Fd listener_;
    uint16_t port_ = 0;
    Fd client_;
    uint64_t connectionIndex_ = 0;
    uint32_t sessionsEnded_ = 0;
    bool silenced_ = false;
    uint8_t block_[kBlockSize] = {};
    size_t blockFill_ = 0;
    int64_t lastActivityMs_ = 0;
};

}  // namespace tarvik_sim
