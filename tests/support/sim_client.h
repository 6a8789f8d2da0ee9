// Starts simulated devices from a Windows test through the launcher that the
// Wine wrapper runs beside it (Wine cannot start Linux programs itself).
#pragma once

#include <cstdint>
#include <string>

namespace tarvik_sim {
struct ChartWindow;
}

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
// The number after " key=" in a line of that log; 0 when the line has none.
uint32_t LogField(const std::string& line, const char* key);
// The window a SCAN_SETWINDOW line of that log sent.
tarvik_sim::ChartWindow LoggedWindow(const std::string& line);
