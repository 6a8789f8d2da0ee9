// Small POSIX socket helpers shared by the TCP server and the UDP responder.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvik_sim {

// Owns one file descriptor; closes it on destruction.
class Fd {
   public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : fd_(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release();
    void Reset();

   private:
    int fd_ = -1;
};

// Fills an IPv4 socket address; false when the text is not a dotted IPv4 address.
bool MakeIpv4Address(const std::string& text, uint16_t port, sockaddr_in* out);

// Sends all n bytes, waiting for the peer in 100 ms slices. Fails on an error,
// when `stop` becomes true, or when the peer takes no byte for stallMs.
bool SendAll(int fd, const uint8_t* data, size_t n, const std::atomic<bool>& stop, int stallMs);

// Sleeps up to ms, waking early when `stop` becomes true.
void SleepUnlessStopped(int ms, const std::atomic<bool>& stop);

}  // namespace tarvik_sim
