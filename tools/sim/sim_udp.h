// Answers the network search: a datagram naming the model on the search port is
// answered with one datagram to the sender's address at the reply port.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sim/sim_log.h"
#include "tools/sim/sim_socket.h"

namespace tarvik_sim {

// Whether a search request asks for this model: 02, then "Tarvik4100" and a zero byte.
bool IsSearchRequest(const uint8_t* data, size_t n);

// The answer datagram (its content is not examined by hosts; it names the device).
std::vector<uint8_t> SearchAnswer();

class UdpResponder {
   public:
    explicit UdpResponder(SimLog& log) : log_(log) {}

    // Binds the search port on `address`; false with *error on failure.
    bool Open(const std::string& address, uint16_t port, uint16_t replyPort, std::string* error);
    int Socket() const { return socket_.Get(); }
    uint16_t Port() const { return port_; }
    // Reads one datagram (without blocking) and answers it when it is a search.
    void HandleReadable();

   private:
    SimLog& log_;
    Fd socket_;
    uint16_t port_ = 0;
    uint16_t replyPort_ = 0;
};

}  // namespace tarvik_sim
