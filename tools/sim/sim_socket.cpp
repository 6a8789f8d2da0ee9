#include "tools/sim/sim_socket.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace tarvik_sim {

// Takes over the other descriptor, closing ours first.
Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        Reset();
        fd_ = other.Release();
    }
    return *this;
}

// Gives up ownership without closing.
int Fd::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

// Closes the descriptor, if any.
void Fd::Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool MakeIpv4Address(const std::string& text, uint16_t port, sockaddr_in* out) {
    std::memset(out, 0, sizeof(*out));
    out->sin_family = AF_INET;
    out->sin_port = htons(port);
    return ::inet_pton(AF_INET, text.c_str(), &out->sin_addr) == 1;
}

bool SendAll(int fd, const uint8_t* data, size_t n, const std::atomic<bool>& stop, int stallMs) {
    int waited = 0;
    while (n > 0) {
        if (stop.load()) return false;
        const ssize_t sent = ::send(fd, data, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            data += sent;
            n -= static_cast<size_t>(sent);
            waited = 0;
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
        if (waited >= stallMs) return false;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 100);
        waited += 100;
    }
    return true;
}

void SleepUnlessStopped(int ms, const std::atomic<bool>& stop) {
    while (ms > 0 && !stop.load()) {
        const int slice = std::min(ms, 50);
        std::this_thread::sleep_for(std::chrono::milliseconds(slice));
        ms -= slice;
    }
}

}  // namespace tarvik_sim
