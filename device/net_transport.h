// The network row: the command protocol over one TCP connection, raw bytes
// both ways with no framing.
#pragma once

#include <winsock2.h>

#include <cstdint>

#include "device/transport.h"

struct NetTransport {
    Transport header;
    SOCKET socket;
    char* host;  // dotted IPv4 text, owned by the object
    uint16_t port;
    int32_t family;  // 0 = IPv4, the only one the device speaks
};

Transport* NetCreate();
int NetDestroy(Transport* transport);
int NetOpen(Transport* transport);
int NetClose(Transport* transport);
int NetRead(Transport* transport, void* buffer, uint32_t* count);
int NetWrite(Transport* transport, const void* buffer, uint32_t* count);
void NetCancel(Transport* transport, void* workerThread);
int NetWait(Transport* transport, int forWrite, uint32_t ms);
