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

constexpr uint32_t DeviceLinkIdentityMax = 258;
constexpr uint32_t DeviceLinkAddressSize = 20;

// The USB identification of the Tarvik4100: one vendor, three product ids tried in turn.
constexpr uint16_t DeviceVendorId = 0x2A7E;
constexpr uint16_t DeviceProductIdFirst = 0x4100;
constexpr uint16_t DeviceProductIdSecond = 0x4101;
constexpr uint16_t DeviceProductIdThird = 0x4102;
constexpr uint16_t DeviceDefaultPort = 4567;
// Seconds one send or receive may take once the link is open.
constexpr uint8_t LinkTimeoutSeconds = 60;
// The time-out OpenDevice gives the transport: LinkTimeoutSeconds unless tests
// shorten it to exercise a silent device quickly; 0 restores the default.
uint8_t GetLinkTimeout();
void SetLinkTimeout(uint8_t seconds);

// Opens the link to the chosen device; 0 when it is open and answered, 1
// otherwise. With reportFlag 1 a failure to reach the device is shown to the
// user as status 1. An open link returns 0 at once.
int OpenDevice(int reportFlag);
// Closes the link if it is open (releasing a network connection first); always 0.
int CloseDevice();

// One address found by the network search: NUL-terminated dotted IPv4 text.
struct DiscoveredHost {
    char address[16];
};

// Searches the network for devices with the given request bytes while the link
// is closed. Returns a malloc'ed array the caller frees (null when nothing
// answered, the search failed or the link is open) and stores its length in
// `count`.
DiscoveredHost* DiscoverDevices(const uint8_t* request, uint32_t length, int32_t* count);

// Setters used by start-up and the device selection dialog; each returns 1,
// SetLinkIdentity 0 (nothing changed) for more than DeviceLinkIdentityMax bytes.
int SetLinkUsbParameters(uint32_t vendorId, uint32_t productId, uint32_t writePipe, uint32_t readPipe);
int SetLinkPort(uint16_t port);
// Takes the text up to its NUL, at most 19 characters; null clears the address.
int SetLinkAddress(const char* address20);
int SetLinkIdentity(const uint8_t* bytes, uint32_t length);
