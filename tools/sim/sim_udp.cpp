#include "tools/sim/sim_udp.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "tools/sim/sim_wire.h"

namespace tarvik_sim {

bool IsSearchRequest(const uint8_t* data, size_t n) {
    static const char kModel[] = "Tarvik4100";  // with its zero byte
    return n >= 1 + sizeof(kModel) && data[0] == 0x02 && std::memcmp(data + 1, kModel, sizeof(kModel)) == 0;
}

std::vector<uint8_t> SearchAnswer() {
    std::vector<uint8_t> answer = ExpectedIdentity();
    answer[0] = 0x03;
    return answer;
}

// SO_BROADCAST lets the socket receive searches sent to 255.255.255.255 when bound to 0.0.0.0.
bool UdpResponder::Open(const std::string& address, uint16_t port, uint16_t replyPort, std::string* error) {
    sockaddr_in addr{};
    if (!MakeIpv4Address(address, port, &addr)) {
        *error = "not an IPv4 address: " + address;
        return false;
    }
    socket_ = Fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const int one = 1;
    if (!socket_.Valid() || ::setsockopt(socket_.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one)) != 0 ||
        ::setsockopt(socket_.Get(), SOL_SOCKET, SO_BROADCAST, &one, sizeof(one)) != 0 ||
        ::bind(socket_.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        *error = "cannot bind the search port " + address + ":" + std::to_string(port) + ": " +
                 std::strerror(errno);
        socket_.Reset();
        return false;
    }
    socklen_t len = sizeof(addr);
    ::getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    replyPort_ = replyPort;
    return true;
}

// Every datagram is logged; only searches naming this model are answered.
void UdpResponder::HandleReadable() {
    uint8_t buffer[512];
    sockaddr_in from{};
    socklen_t len = sizeof(from);
    const ssize_t got = ::recvfrom(socket_.Get(), buffer, sizeof(buffer), MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr*>(&from), &len);
    if (got < 0 || len != sizeof(from)) return;
    char sender[INET_ADDRSTRLEN] = "?";
    ::inet_ntop(AF_INET, &from.sin_addr, sender, sizeof(sender));
    const bool search = IsSearchRequest(buffer, static_cast<size_t>(got));
    log_.Line(std::string("SEARCH from=") + sender + " bytes=" + std::to_string(got) +
              " answered=" + (search ? "1" : "0"));
    if (!search) return;
    from.sin_port = htons(replyPort_);
    const std::vector<uint8_t> answer = SearchAnswer();
    ::sendto(socket_.Get(), answer.data(), answer.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from),
             sizeof(from));
}

}  // namespace tarvik_sim
