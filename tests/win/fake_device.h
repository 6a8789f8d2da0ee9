// A scripted Tarvik4100 on loopback TCP for the device tests: it greets each
// connection, reads 64-byte command blocks and answers them through a handler
// the test chooses, which can also split, delay, withhold or drop a reply.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct FakeReply {
    Bytes bytes;
    size_t pieceSize = 0;  // 0: all at once
    DWORD pieceDelayMs = 0;
    bool silence = false;    // answer nothing; keep the connection open
    bool drop = false;       // close the connection instead of answering
    bool dropAfter = false;  // close the connection once the bytes are out

    static FakeReply Of(Bytes bytes) { return FakeReply{std::move(bytes)}; }
    static FakeReply ThenDrop(Bytes bytes) {
        FakeReply reply{std::move(bytes)};
        reply.dropAfter = true;
        return reply;
    }
    static FakeReply Silence() {
        FakeReply reply;
        reply.silence = true;
        return reply;
    }
    static FakeReply Drop() {
        FakeReply reply;
        reply.drop = true;
        return reply;
    }
};

// The byte the fake device puts at offset i of the image data it streams.
inline uint8_t FakeImageByte(size_t i) { return static_cast<uint8_t>((i * 7 + i / 251) & 0xFF); }

// What a healthy device answers to each command block.
inline FakeReply HealthyReply(const Bytes& block) {
    if (block[0] == 0x04 && block[1] == 0x01) return FakeReply::Of({0x04, 0x02, 0x00});
    if (block[0] == 0x04 && block[1] == 0x03) return FakeReply::Of({0x04, 0x04, 0x00});
    switch (block[1]) {
        case 0x09:
            return FakeReply::Of({0x00});  // sense
        case 0x0F:
            return FakeReply::Of({0x00});  // start key
        case 0x0B:
            return FakeReply::Of({0x00, 0x0A, 0xB4, 0x0D, 0xF6, 0x09, 0xB4, 0x0D});
        case 0x0D:
            return FakeReply::Of({0x81, 0x01, 0x00, 0, 0, 0, 0, 0, 0, 0});
        case 0x0E: {
            uint32_t count = block[6] | (block[7] << 8) | (block[8] << 16) | (uint32_t{block[9]} << 24);
            Bytes data(count);
            for (size_t i = 0; i < count; ++i) data[i] = FakeImageByte(i);
            return FakeReply::Of(std::move(data));
        }
        default:
            return FakeReply{};  // abort, set window, start scan: no reply
    }
}

class FakeDevice {
   public:
    using Handler = std::function<FakeReply(const Bytes& block)>;

    FakeDevice() {
        WSADATA data;
        WSAStartup(0x0202, &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = inet_addr("127.0.0.1");
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }

    ~FakeDevice() {
        stopping_ = true;
        SOCKET connection = connection_.exchange(INVALID_SOCKET);
        if (connection != INVALID_SOCKET) closesocket(connection);
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }

    uint16_t Port() const { return port_; }
    void SetGreeting(FakeReply greeting) {
        std::lock_guard<std::mutex> lock(mutex_);
        greeting_ = std::move(greeting);
    }
    void SetHandler(Handler handler) {
        std::lock_guard<std::mutex> lock(mutex_);
        handler_ = std::move(handler);
    }
    // Every block received so far, in order.
    std::vector<Bytes> Blocks() {
        std::lock_guard<std::mutex> lock(mutex_);
        return blocks_;
    }
    // Waits up to `ms` until at least `count` blocks have arrived; blocks sent
    // without a reply may still be on their way when the operation returns.
    bool WaitForBlocks(size_t count, DWORD ms = 2000) {
        DWORD start = GetTickCount();
        while (Blocks().size() < count) {
            if (GetTickCount() - start > ms) return false;
            Sleep(5);
        }
        return true;
    }
    // Command codes (byte 1) of the blocks received so far.
    Bytes Codes() {
        Bytes codes;
        for (const Bytes& block : Blocks()) codes.push_back(block[1]);
        return codes;
    }
    int Connections() const { return connections_; }

   private:
    void Serve() {
        while (!stopping_) {
            SOCKET connection = accept(listener_, nullptr, nullptr);
            if (connection == INVALID_SOCKET) return;
            ++connections_;
            connection_ = connection;
            Converse(connection);
            SOCKET still = connection_.exchange(INVALID_SOCKET);
            if (still != INVALID_SOCKET) closesocket(still);
        }
    }

    void Converse(SOCKET connection) {
        FakeReply greeting;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            greeting = greeting_;
        }
        if (!Act(connection, greeting)) return;
        Bytes block(64);
        while (ReceiveAll(connection, block.data(), 64)) {
            FakeReply reply;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                blocks_.push_back(block);
                reply = handler_(block);
            }
            if (!Act(connection, reply)) return;
        }
    }

    // False when the conversation is over.
    bool Act(SOCKET connection, const FakeReply& reply) {
        if (reply.drop) return false;
        if (reply.silence) {
            char sink[64];
            while (recv(connection, sink, sizeof sink, 0) > 0) {
            }
            return false;
        }
        size_t piece = reply.pieceSize == 0 ? reply.bytes.size() : reply.pieceSize;
        for (size_t at = 0; at < reply.bytes.size(); at += piece) {
            if (at > 0 && reply.pieceDelayMs > 0) Sleep(reply.pieceDelayMs);
            size_t n = std::min(piece, reply.bytes.size() - at);
            if (send(connection, reinterpret_cast<const char*>(reply.bytes.data() + at), static_cast<int>(n),
                     0) != static_cast<int>(n))
                return false;
        }
        return !reply.dropAfter;
    }

    static bool ReceiveAll(SOCKET connection, uint8_t* buffer, int count) {
        int done = 0;
        while (done < count) {
            int got = recv(connection, reinterpret_cast<char*>(buffer + done), count - done, 0);
            if (got <= 0) return false;
            done += got;
        }
        return true;
    }

    SOCKET listener_;
    uint16_t port_ = 0;
    std::atomic<SOCKET> connection_{INVALID_SOCKET};
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::mutex mutex_;
    FakeReply greeting_ = FakeReply::Of({0x04, 0x00, 0x00});
    Handler handler_ = HealthyReply;
    std::vector<Bytes> blocks_;
    std::thread thread_;
};
