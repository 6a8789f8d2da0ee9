// A test build of the data source whose device link starts pointed at the
// simulator: the port comes from TARVIK_SIM_PORT, and the device choice
// answers "chosen". The shipped library has no such start.
#include <windows.h>

#include <cstdlib>

#include "core/core_context.h"
#include "core/startup.h"
#include "core/ui_callbacks.h"
#include "device/device_link.h"
#include "device/transport.h"

namespace {

// What the device selection dialog stores as the identity: the search request.
const uint8_t searchRequest[29] = {0x02, 'T', 'a', 'r', 'v', 'i', 'k', '4', '1', '0', '0', 0,   'M', 'o', 'r',
                                   'v',  'e', 'l', 'T', 'a', 'r', 'v', 'i', 'k', '4', '1', '0', '0', 0};

int ChooseTheSimulator() { return 0; }

// Reads a number from the environment; `fallback` when it is not set.
int EnvironmentNumber(const char* name, int fallback) {
    char text[16] = {};
    DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
    if (length == 0 || length >= sizeof text) return fallback;
    return atoi(text);
}

void PointLinkAtSimulator() {
    SetTransportKind(TRANSPORT_NETWORK);
    SetLinkAddress("127.0.0.1");
    SetLinkPort(static_cast<uint16_t>(EnvironmentNumber("TARVIK_SIM_PORT", DeviceDefaultPort)));
    SetLinkIdentity(searchRequest, sizeof searchRequest);
    // Until applications can choose the feeder through capabilities.
    SetPaperSource(EnvironmentNumber("TARVIK_SIM_PAPER_SOURCE", 0));
    GetUiCallbacks()->ChooseDevice = ChooseTheSimulator;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (module == nullptr) return FALSE;
    if (reason == DLL_PROCESS_ATTACH) {
        StartUp(module);
        PointLinkAtSimulator();
    } else if (reason == DLL_PROCESS_DETACH) {
        ShutDown(module);
    }
    return TRUE;
}
