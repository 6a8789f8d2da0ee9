// Starts simulated devices from a Windows test through the launcher that the
// Wine wrapper runs beside it (Wine cannot start Linux programs itself).
#pragma once

#include <string>

struct SimulatedDevice {
    unsigned int control = ~0u;  // the launcher connection; closing it stops the device
    int port = 0;
    std::string logPath;  // the device's command log, as a Windows path
};

// Starts one device with the given simulator flags ("--sheets 3 --duplex").
// False, with the reason in *why, when no launcher is there or it failed.
bool StartSimulatedDevice(const std::string& flags, SimulatedDevice* device, std::string* why);
void StopSimulatedDevice(SimulatedDevice* device);
// The device's command log so far.
std::string ReadSimulatorLog(const SimulatedDevice& device);
