#include "device/net_transport.h"

#include <ws2tcpip.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr WORD RequestedWinsockVersion = 0x0102;

NetTransport* AsNet(Transport* transport) {
    if (transport == nullptr || transport->kind != TRANSPORT_NETWORK) return nullptr;
    return reinterpret_cast<NetTransport*>(transport);
}

// The device's address as a socket address; false for a missing or malformed
// text, so no connection is ever tried to the broadcast address that inet_addr
// returns for bad input.
bool ResolveHost(const NetTransport* net, sockaddr_in* address) {
    if (net->host == nullptr) return false;
    unsigned long ip = inet_addr(net->host);
    if (ip == INADDR_NONE) return false;
    memset(address, 0, sizeof *address);
    address->sin_family = AF_INET;
    address->sin_addr.s_addr = ip;
    address->sin_port = htons(net->port);
    return true;
}

// The socket as the worker sees it: a cancel on the caller's thread may take it away.
SOCKET CurrentSocket(NetTransport* net) { return std::atomic_ref<SOCKET>(net->socket).load(); }

// The platform's own connect time-out can run to minutes (a peer that drops
// connection requests cost over two under Wine); a device on the local network
// answers within milliseconds, so each attempt gets this much, or the
// transport's own time-out when that is shorter.
constexpr uint32_t ConnectTimeoutMs = 10000;

uint32_t ConnectLimitMs(const NetTransport* net) {
    const uint32_t exchange = uint32_t{net->header.timeoutSeconds} * 1000;
    return exchange != 0 && exchange < ConnectTimeoutMs ? exchange : ConnectTimeoutMs;
}

// Connects the non-blocking socket, waiting at most `ms` for the device to accept.
bool ConnectWithin(SOCKET s, const sockaddr_in& address, uint32_t ms) {
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval limit{static_cast<long>(ms / 1000), static_cast<long>(ms % 1000 * 1000)};
    if (select(0, nullptr, &writable, &failed, &limit) <= 0 || FD_ISSET(s, &failed)) return false;
    int error = 0;
    int length = sizeof error;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == SOCKET_ERROR)
        return false;
    return error == 0;
}

// Transfers are capped so one call's count fits the int Winsock takes.
int ClampToInt(uint32_t count) { return count > INT_MAX ? INT_MAX : static_cast<int>(count); }

}  // namespace

// The socket library is started for each object and cleaned up by its Destroy,
// so starts and clean-ups always pair up however many objects live at once.
Transport* NetCreate() {
    auto* net = static_cast<NetTransport*>(calloc(1, sizeof(NetTransport)));
    if (net == nullptr) return nullptr;
    net->header.kind = TRANSPORT_NETWORK;
    net->header.timeoutSeconds = TransportDefaultTimeout;
    net->socket = INVALID_SOCKET;
    WSADATA data;
    if (WSAStartup(RequestedWinsockVersion, &data) != 0) {
        printf("wsastartup() failed!!\n");
        fflush(stdout);
    }
    return &net->header;
}

int NetDestroy(Transport* transport) {
    NetTransport* net = AsNet(transport);
    if (net == nullptr) return 0;
    NetClose(transport);
    free(net->host);
    free(net);
    WSACleanup();
    return 1;
}

// The socket never blocks, from the connect on: the connect has its own
// time-out, and NetWait bounds every later wait.
int NetOpen(Transport* transport) {
    NetTransport* net = AsNet(transport);
    if (net == nullptr) return 0;
    NetClose(transport);
    sockaddr_in address;
    if (!ResolveHost(net, &address)) return 0;
    net->socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (net->socket == INVALID_SOCKET) return 0;
    u_long nonBlocking = 1;
    if (ioctlsocket(net->socket, FIONBIO, &nonBlocking) == SOCKET_ERROR) return 0;
    if (!ConnectWithin(net->socket, address, ConnectLimitMs(net))) return 0;
    // Every command is one small block that the device must see at once; left
    // to coalescing, it could wait for an acknowledgement. Best effort only.
    BOOL noDelay = TRUE;
    setsockopt(net->socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    return 1;
}

// The host text is kept, so the same object can connect again.
int NetClose(Transport* transport) {
    NetTransport* net = AsNet(transport);
    if (net == nullptr) return 0;
    SOCKET s = std::atomic_ref<SOCKET>(net->socket).exchange(INVALID_SOCKET);
    if (s == INVALID_SOCKET) return 1;
    int result = shutdown(s, SD_BOTH) == SOCKET_ERROR ? 0 : 1;
    closesocket(s);
    return result;
}

// A receive of 0 bytes means the device closed the connection; no more bytes
// will ever come, so that is a failure rather than a wait for the time-out.
int NetRead(Transport* transport, void* buffer, uint32_t* count) {
    NetTransport* net = AsNet(transport);
    SOCKET s = net != nullptr ? CurrentSocket(net) : INVALID_SOCKET;
    if (s == INVALID_SOCKET || buffer == nullptr) return 0;
    if (*count == 0) return 1;
    int got = recv(s, static_cast<char*>(buffer), ClampToInt(*count), 0);
    if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
        got = 0;
    else if (got <= 0)
        return 0;
    *count = static_cast<uint32_t>(got);
    return 1;
}

int NetWrite(Transport* transport, const void* buffer, uint32_t* count) {
    NetTransport* net = AsNet(transport);
    SOCKET s = net != nullptr ? CurrentSocket(net) : INVALID_SOCKET;
    if (s == INVALID_SOCKET || buffer == nullptr) return 0;
    int put = send(s, static_cast<const char*>(buffer), ClampToInt(*count), 0);
    if (put == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
        put = 0;
    else if (put == SOCKET_ERROR)
        return 0;
    *count = static_cast<uint32_t>(put);
    return 1;
}

// A socket in error counts as ready: the next Read or Write reports the error.
int NetWait(Transport* transport, int forWrite, uint32_t ms) {
    NetTransport* net = AsNet(transport);
    SOCKET s = net != nullptr ? CurrentSocket(net) : INVALID_SOCKET;
    if (s == INVALID_SOCKET) return 0;
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval limit{static_cast<long>(ms / 1000), static_cast<long>(ms % 1000 * 1000)};
    int n = select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, &failed, &limit);
    return n > 0 ? 1 : 0;
}

// Only closing the socket reliably wakes a blocked send or receive (shutting
// it down does not everywhere). The stream is out of step after a time-out
// anyway: later calls fail at once, and the link's owner closes it.
void NetCancel(Transport* transport, void*) {
    NetTransport* net = AsNet(transport);
    if (net == nullptr) return;
    SOCKET s = std::atomic_ref<SOCKET>(net->socket).exchange(INVALID_SOCKET);
    if (s == INVALID_SOCKET) return;
    shutdown(s, SD_BOTH);
    closesocket(s);
}

int TransportSetHost(Transport* transport, const char* address, uint32_t port, int32_t family) {
    NetTransport* net = AsNet(transport);
    if (net == nullptr || address == nullptr) return 0;
    char* copy = strdup(address);
    if (copy == nullptr) return 0;
    free(net->host);
    net->host = copy;
    net->port = static_cast<uint16_t>(port & 0xFFFF);
    net->family = family;
    return 1;
}
