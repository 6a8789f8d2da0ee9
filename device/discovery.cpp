#include "device/discovery.h"

#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char ModelName[] = "Tarvik4100";
const char ProductName[] = "MorvelTarvik4100";

// A datagram socket that is shut down and closed on every way out.
class DatagramSocket {
   public:
    DatagramSocket() : socket_(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) {}
    ~DatagramSocket() {
        if (!Valid()) return;
        shutdown(socket_, SD_BOTH);
        closesocket(socket_);
    }
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;
    bool Valid() const { return socket_ != INVALID_SOCKET; }
    SOCKET Get() const { return socket_; }

   private:
    SOCKET socket_;
};

bool AllowBroadcast(const DatagramSocket& s) {
    BOOL on = TRUE;
    return setsockopt(s.Get(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on) == 0;
}

bool SendRequest(const DatagramSocket& s, const uint8_t* request, uint32_t length) {
    char buffer[SearchDatagramMax] = {};
    memcpy(buffer, request, length);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(SearchRequestPort);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    int sent =
        sendto(s.Get(), buffer, static_cast<int>(length), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    if (sent == SOCKET_ERROR) printf("DiscoverHosts: sendto failed, error %d\n", WSAGetLastError());
    return sent != SOCKET_ERROR;
}

// Short receive time-out, broadcast allowed, bound to the reply port on all
// local addresses.
bool PrepareReplySocket(const DatagramSocket& s) {
    DWORD timeoutMs = 3;
    if (setsockopt(s.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
                   sizeof timeoutMs) != 0)
        return false;
    if (!AllowBroadcast(s)) return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(SearchReplyPort);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(s.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        printf("DiscoverHosts: bind to port %d failed, error %d\n", SearchReplyPort, WSAGetLastError());
        return false;
    }
    return true;
}

// Appends one address; false when the list cannot grow (out of memory or at
// the limit), which ends the collection with what has been gathered.
bool AppendHost(DiscoveredHost** hosts, int32_t* count, const in_addr& sender) {
    if (*count >= SearchReplyLimit) return false;
    void* grown = realloc(*hosts, (static_cast<size_t>(*count) + 1) * sizeof(DiscoveredHost));
    if (grown == nullptr) return false;
    *hosts = static_cast<DiscoveredHost*>(grown);
    DiscoveredHost& entry = (*hosts)[*count];
    memset(&entry, 0, sizeof entry);
    const char* text = inet_ntoa(sender);
    if (text != nullptr) strncpy(entry.address, text, sizeof entry.address - 1);
    printf("No%d, HostIP = %s\n", static_cast<int>(*count), entry.address);
    ++*count;
    return true;
}

}  // namespace

uint32_t BuildSearchRequest(uint8_t* buffer, uint32_t size) {
    if (buffer == nullptr || size < SearchRequestLength) return 0;
    memset(buffer, 0, SearchRequestLength);
    buffer[0] = 0x02;
    memcpy(buffer + 1, ModelName, sizeof ModelName);       // 10 letters and a zero byte
    memcpy(buffer + 12, ProductName, sizeof ProductName);  // 16 letters and a zero byte
    return SearchRequestLength;
}

DiscoveredHost* DiscoverHosts(int32_t* count, const uint8_t* request, uint32_t length) {
    if (count == nullptr) return nullptr;
    *count = 0;
    if (request == nullptr || length > SearchDatagramMax) return nullptr;

    // The reply port is bound before the request leaves: a device that answers
    // at once would otherwise find no socket and its answer would be lost.
    DatagramSocket sender;
    if (!sender.Valid() || !AllowBroadcast(sender)) return nullptr;
    DatagramSocket replies;
    if (!replies.Valid() || !PrepareReplySocket(replies)) return nullptr;
    if (!SendRequest(sender, request, length)) return nullptr;

    Sleep(SearchWaitMs);

    DiscoveredHost* hosts = nullptr;
    for (;;) {
        char buffer[SearchDatagramMax];
        sockaddr_in from{};
        int fromLength = sizeof from;
        int got = recvfrom(replies.Get(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from),
                           &fromLength);
        if (got == SOCKET_ERROR || got == 0) break;
        if (!AppendHost(&hosts, count, from.sin_addr)) break;
    }
    return hosts;
}
