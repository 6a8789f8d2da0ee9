// The table of transport operations and the dispatch through it. Device
// operations and the device link never look at the kind of transport: every
// call goes through the row of the object's own kind.
#pragma once

#include <atomic>
#include <cstdint>

enum TransportKind : int32_t {
    TRANSPORT_USB = 0,
    TRANSPORT_NETWORK = 1,
    TRANSPORT_NULL = 2,
};
constexpr int32_t TransportKindCount = 3;

// The common head of every transport object.
struct Transport {
    int32_t kind;
    uint8_t timeoutSeconds;  // allowed for one send or one receive
    // Holders besides the owner: an I/O worker that may outlive its caller's
    // time-out keeps the object alive until its blocked call comes back.
    std::atomic<int32_t> borrowers;
};

constexpr uint8_t TransportDefaultTimeout = 5;

// One kind's connection operations; each returns 1 for success, 0 for failure.
// Read and Write: count in is the bytes wanted, out the bytes moved by this one call.
struct TransportIoRow {
    int (*Open)(Transport* transport);
    int (*Close)(Transport* transport);
    int (*Read)(Transport* transport, void* buffer, uint32_t* count);
    int (*Write)(Transport* transport, const void* buffer, uint32_t* count);
};

// Rows indexed by TransportKind. Cancel is ours on top of the connection
// operations: it wakes a Read or Write blocked on `workerThread` so a timed-out
// exchange can end without killing the thread. Wait, where a kind has one
// (null otherwise), waits up to `ms` until Read or Write (`forWrite`) can move
// bytes without blocking: 1 ready, 0 not within the time or no connection.
// Such a kind's Read and Write never block and may move 0 bytes.
struct TransportOps {
    TransportIoRow io[TransportKindCount];
    Transport* (*Create[TransportKindCount])();
    int (*Destroy[TransportKindCount])(Transport* transport);
    void (*Cancel[TransportKindCount])(Transport* transport, void* workerThread);
    int (*Wait[TransportKindCount])(Transport* transport, int forWrite, uint32_t ms);
};

const TransportOps& GetTransportOps();

// A new closed object of `kind` (owned by the caller, released with
// TransportDestroy), or null for the null kind, an unknown kind or no memory.
// `made` (optional) tells whether an object was made.
Transport* TransportCreate(int32_t kind, bool* made = nullptr);
// Open, Close, Read and Write of the object's row; 0 with no object.
int TransportOpen(Transport* transport);
int TransportClose(Transport* transport);
int TransportRead(Transport* transport, void* buffer, uint32_t* count);
int TransportWrite(Transport* transport, const void* buffer, uint32_t* count);
// The owner is done with the object: closes the connection at once and frees
// the object, or leaves the freeing to the last borrower; nothing with no object.
void TransportDestroy(Transport* transport);
// A thread that may run on after the owner has destroyed the object takes it
// with TransportBorrow and hands it back with TransportGiveBack, which frees it
// when the owner has gone already.
void TransportBorrow(Transport* transport);
void TransportGiveBack(Transport* transport);
// Wakes a Read or Write that `workerThread` is blocked in; nothing with no object.
void TransportCancel(Transport* transport, void* workerThread);
// Whether the object's kind has a Wait (its exchanges then need no thread of their own).
bool TransportCanWait(const Transport* transport);
// The kind's Wait; 0 with no object or no Wait.
int TransportWait(Transport* transport, int forWrite, uint32_t ms);

// Keeps the low 8 bits; 0 when there is no object or those bits are 0.
int TransportSetTimeout(Transport* transport, uint32_t seconds);
// USB objects only: the ids the device must report (low 16 bits kept).
int TransportSetUsbIds(Transport* transport, uint32_t vendorId, uint32_t productId);
// USB objects only: pipe indices for commands (0 = control handle) and replies.
int TransportSetPipes(Transport* transport, int32_t writePipe, int32_t readPipe);
// Network objects only: the device's dotted IPv4 address (copied) and TCP port.
int TransportSetHost(Transport* transport, const char* address, uint32_t port, int32_t family);
