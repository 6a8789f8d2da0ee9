#include "device/transport.h"

#include "device/net_transport.h"
#include "device/usb_transport.h"

namespace {

int NullOpen(Transport*) { return 1; }
int NullClose(Transport*) { return 1; }
int NullRead(Transport*, void*, uint32_t*) { return 1; }
int NullWrite(Transport*, const void*, uint32_t*) { return 1; }
// The null kind has no object: the device link then holds none.
Transport* NullCreate() { return nullptr; }
int NullDestroy(Transport*) { return 1; }
void NullCancel(Transport*, void*) {}

const TransportOps transportOps = {
    {
        {UsbOpen, UsbClose, UsbRead, UsbWrite},
        {NetOpen, NetClose, NetRead, NetWrite},
        {NullOpen, NullClose, NullRead, NullWrite},
    },
    {UsbCreate, NetCreate, NullCreate},
    {UsbDestroy, NetDestroy, NullDestroy},
    {UsbCancel, NetCancel, NullCancel},
    {nullptr, NetWait, nullptr},
};

bool IsKnownKind(int32_t kind) { return kind >= 0 && kind < TransportKindCount; }

// The row of an object, or null for no object or a kind no row belongs to.
const TransportIoRow* RowOf(const Transport* transport) {
    if (transport == nullptr || !IsKnownKind(transport->kind)) return nullptr;
    return &transportOps.io[transport->kind];
}

}  // namespace

const TransportOps& GetTransportOps() { return transportOps; }

Transport* TransportCreate(int32_t kind, bool* made) {
    Transport* transport = IsKnownKind(kind) ? transportOps.Create[kind]() : nullptr;
    if (made != nullptr) *made = transport != nullptr;
    return transport;
}

int TransportOpen(Transport* transport) {
    const TransportIoRow* row = RowOf(transport);
    return row ? row->Open(transport) : 0;
}

int TransportClose(Transport* transport) {
    const TransportIoRow* row = RowOf(transport);
    return row ? row->Close(transport) : 0;
}

int TransportRead(Transport* transport, void* buffer, uint32_t* count) {
    const TransportIoRow* row = RowOf(transport);
    return row && count != nullptr ? row->Read(transport, buffer, count) : 0;
}

int TransportWrite(Transport* transport, const void* buffer, uint32_t* count) {
    const TransportIoRow* row = RowOf(transport);
    return row && count != nullptr ? row->Write(transport, buffer, count) : 0;
}

// The owner counts as the holder that takes the count below zero: whoever
// finds the count at 0 as they leave is the last one and frees the object.
void TransportDestroy(Transport* transport) {
    if (transport == nullptr || !IsKnownKind(transport->kind)) return;
    transportOps.io[transport->kind].Close(transport);
    if (transport->borrowers.fetch_sub(1) == 0) transportOps.Destroy[transport->kind](transport);
}

void TransportBorrow(Transport* transport) {
    if (transport != nullptr) transport->borrowers.fetch_add(1);
}

void TransportGiveBack(Transport* transport) {
    if (transport == nullptr || !IsKnownKind(transport->kind)) return;
    if (transport->borrowers.fetch_sub(1) == 0) transportOps.Destroy[transport->kind](transport);
}

void TransportCancel(Transport* transport, void* workerThread) {
    if (transport == nullptr || !IsKnownKind(transport->kind)) return;
    transportOps.Cancel[transport->kind](transport, workerThread);
}

bool TransportCanWait(const Transport* transport) {
    return transport != nullptr && IsKnownKind(transport->kind) &&
           transportOps.Wait[transport->kind] != nullptr;
}

int TransportWait(Transport* transport, int forWrite, uint32_t ms) {
    return TransportCanWait(transport) ? transportOps.Wait[transport->kind](transport, forWrite, ms) : 0;
}

int TransportSetTimeout(Transport* transport, uint32_t seconds) {
    uint8_t low = static_cast<uint8_t>(seconds & 0xFF);
    if (transport == nullptr || low == 0) return 0;
    transport->timeoutSeconds = low;
    return 1;
}
