#include "tools/sim/sim_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "tools/sim/sim_udp.h"

namespace tarvik_sim {
namespace {

// A client that takes none of our bytes for this long is given up.
constexpr int kSendStallMs = 120000;
constexpr size_t kImageChunk = 64 * 1024;

// Monotonic milliseconds, for time limits only.
int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A log line for a connection event: NAME conn=N [fields].
std::string Event(const char* name, uint64_t connection, const std::string& rest = {}) {
    std::string line = std::string(name) + " conn=" + std::to_string(connection);
    if (!rest.empty()) line += " " + rest;
    return line;
}

}  // namespace

SimServer::SimServer(const SimOptions& options, SimLog& log)
    : options_(options), log_(log), device_(options) {}

// Binds with SO_REUSEADDR so a restarted simulator gets its port back at once.
bool SimServer::Listen(std::string* error) {
    sockaddr_in addr{};
    if (!MakeIpv4Address(options_.address, options_.port, &addr)) {
        *error = "not an IPv4 address: " + options_.address;
        return false;
    }
    listener_ = Fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener_.Valid()) {
        *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int one = 1;
    ::setsockopt(listener_.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    if (::bind(listener_.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(listener_.Get(), 8) != 0) {
        *error = "cannot listen on " + options_.address + ":" + std::to_string(options_.port) + ": " +
                 std::strerror(errno);
        return false;
    }
    socklen_t len = sizeof(addr);
    ::getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    return true;
}

// The single-threaded loop: poll in 100 ms slices so stop requests and time limits are noticed.
int SimServer::Run(const std::atomic<bool>& stop, UdpResponder* udp) {
    const int64_t start = NowMs();
    while (!stop.load()) {
        if (options_.exitAfterSeconds && NowMs() - start >= int64_t{options_.exitAfterSeconds} * 1000) break;
        if (options_.exitAfterConnections && sessionsEnded_ >= options_.exitAfterConnections) break;
        if (client_.Valid() && options_.idleTimeoutSeconds &&
            NowMs() - lastActivityMs_ >= int64_t{options_.idleTimeoutSeconds} * 1000)
            EndSession("idle");
        pollfd fds[3] = {{listener_.Get(), POLLIN, 0}, {client_.Get(), POLLIN, 0}, {-1, POLLIN, 0}};
        if (udp) fds[2].fd = udp->Socket();
        if (::poll(fds, 3, 100) <= 0) continue;
        // The client first: a client that hung up and reconnects must not find itself busy.
        if (client_.Valid() && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) ReadFromClient(stop);
        if (fds[0].revents & POLLIN) Accept(stop);
        if (udp && (fds[2].revents & POLLIN)) udp->HandleReadable();
    }
    if (client_.Valid()) EndSession("shutdown");
    return 0;
}

// Accepts one connection; while a conversation runs, the newcomer hears "busy".
void SimServer::Accept(const std::atomic<bool>& stop) {
    Fd incoming(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!incoming.Valid()) return;
    // Whatever the current client sent before this connection arrived comes first,
    // including its hang-up (bounded: a few blocks at most).
    for (int i = 0; i < 64 && client_.Valid(); ++i) {
        pollfd p{client_.Get(), POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) break;
        ReadFromClient(stop);
    }
    if (client_.Valid()) {
        const std::vector<uint8_t> busy = EncodeConnectionStatus(0x00, 0x01);
        SendAll(incoming.Get(), busy.data(), busy.size(), stop, 1000);
        log_.Line(Event("REFUSED", connectionIndex_ + 1, "reason=busy"));
        return;
    }
    // A device streams its image as fast as the link takes it: left to
    // coalescing, the short tail of every piece waited for the client's
    // delayed acknowledgement, and the device sent a few milliseconds late
    // on every read.
    const int one = 1;
    ::setsockopt(incoming.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    client_ = std::move(incoming);
    ++connectionIndex_;
    silenced_ = false;
    blockFill_ = 0;
    lastActivityMs_ = NowMs();
    log_.Line(Event("CONNECT", connectionIndex_));
    Execute(device_.OnConnect(), stop);
}

// Collects 64-byte blocks and answers each.
void SimServer::ReadFromClient(const std::atomic<bool>& stop) {
    const ssize_t got = ::recv(client_.Get(), block_ + blockFill_, kBlockSize - blockFill_, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (got <= 0) {
        EndSession(got == 0 ? "peer-closed" : "error");
        return;
    }
    lastActivityMs_ = NowMs();
    blockFill_ += static_cast<size_t>(got);
    if (blockFill_ < kBlockSize) return;
    blockFill_ = 0;
    const Command command = DecodeCommand(block_);
    log_.Line(DescribeCommand(command, connectionIndex_) + (silenced_ ? " silenced=1" : ""));
    if (silenced_) return;
    Execute(device_.Handle(command), stop);
}

// Carries out a reply plan: log its notes, send, then silence or close as it says.
void SimServer::Execute(const ReplyPlan& plan, const std::atomic<bool>& stop) {
    for (const std::string& note : plan.notes) log_.Line(Event("NOTE", connectionIndex_, note));
    if (plan.drop) {
        EndSession("dropped");
        return;
    }
    bool firstPiece = true;
    if (!plan.bytes.empty() && !SendPiecewise(plan.bytes.data(), plan.bytes.size(), stop, &firstPiece)) {
        EndSession("send-failed");
        return;
    }
    std::vector<uint8_t> chunk;
    for (uint64_t left = plan.imageBytes; left > 0;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, kImageChunk));
        chunk.resize(n);
        device_.ReadImage(chunk.data(), n);
        if (!SendPiecewise(chunk.data(), n, stop, &firstPiece)) {
            EndSession("send-failed");
            return;
        }
        left -= n;
    }
    if (plan.after == AfterReply::Silence) {
        silenced_ = true;
        log_.Line(Event("SILENT", connectionIndex_));
    } else if (plan.after == AfterReply::Close) {
        EndSession("closed-by-device");
    }
}

// Sends whole, or in pieces with a pause before every piece but the first of a reply.
bool SimServer::SendPiecewise(const uint8_t* data, size_t n, const std::atomic<bool>& stop,
                              bool* firstPiece) {
    const FaultOptions& f = options_.faults;
    if (f.splitBytes == 0) return SendAll(client_.Get(), data, n, stop, kSendStallMs);
    while (n > 0) {
        if (!*firstPiece) SleepUnlessStopped(static_cast<int>(f.splitDelayMs), stop);
        *firstPiece = false;
        const size_t piece = std::min<size_t>(n, f.splitBytes);
        if (!SendAll(client_.Get(), data, piece, stop, kSendStallMs)) return false;
        data += piece;
        n -= piece;
    }
    return true;
}

// Closes the current connection (if any) and abandons a running scan.
void SimServer::EndSession(const char* reason) {
    if (!client_.Valid()) return;
    ::shutdown(client_.Get(), SHUT_RDWR);
    client_.Reset();
    device_.OnDisconnect();
    ++sessionsEnded_;
    log_.Line(Event("DISCONNECT", connectionIndex_, std::string("reason=") + reason));
}

}  // namespace tarvik_sim
