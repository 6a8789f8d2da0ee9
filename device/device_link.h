// The device the source talks to: what the user chose and the fixed USB
// identification, plus the operations that open and close the conversation.
#pragma once

#include <cstdint>

struct DeviceLink {
    uint32_t vendorId;
    uint32_t productId;
    uint32_t writePipeIndex;
    uint32_t readPipeIndex;
    char address[20];  // dotted IPv4 text, NUL-terminated
    uint16_t port;
    uint8_t identity[258];
    uint32_t identityLength;
};

constexpr int DeviceLinkIdentityMax = 258;

// The USB identification the device reports; the product id is tried in this order.
constexpr uint32_t DeviceVendorId = 0x2D3A;
constexpr uint32_t DeviceProductIdFirst = 0x4100;
constexpr uint32_t DeviceProductIdSecond = 0x4101;
constexpr uint32_t DeviceProductIdThird = 0x4102;

// Opens the link to the chosen device; 0 when it is open and answered, 1
// otherwise. With reportFlag 1 a failure is shown to the user as status 1.
int OpenDevice(int reportFlag);
// Closes the link if it is open; always 0.
int CloseDevice();

// Setters used by start-up and the device selection dialog; each returns 1.
int SetLinkUsbParameters(uint32_t vendorId, uint32_t productId, uint32_t writePipe, uint32_t readPipe);
int SetLinkPort(uint16_t port);
int SetLinkAddress(const char* address20);
int SetLinkIdentity(const uint8_t* bytes, uint32_t length);
