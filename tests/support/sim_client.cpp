#include "tests/support/sim_client.h"

#include <winsock2.h>
// winsock2.h goes before windows.h
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/sim/sim_chart.h"

namespace {

bool EnsureWinsock() {
    static bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

std::string ReadLine(SOCKET s) {
    std::string line;
    char c = 0;
    while (line.size() < 4096 && recv(s, &c, 1, 0) == 1 && c != '\n') line += c;
    return line;
}

}  // namespace

bool StartSimulatedDevice(const std::string& flags, SimulatedDevice* device, std::string* why) {
    const char* launcher = getenv("TARVIK_SIM_LAUNCHER");
    if (launcher == nullptr || *launcher == '\0') {
        *why = "no simulator launcher (run through build/win/wine-run with TARVIK_SIM configured)";
        return false;
    }
    if (!EnsureWinsock()) {
        *why = "Winsock did not start";
        return false;
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(atoi(launcher)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s == INVALID_SOCKET || connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (s != INVALID_SOCKET) closesocket(s);
        *why = "cannot reach the simulator launcher";
        return false;
    }
    DWORD timeout = 30000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    std::string request = "START " + flags + "\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    std::string reply = ReadLine(s);
    int port = 0;
    char log[1024] = {};
    if (sscanf(reply.c_str(), "PORT %d LOG %1023s", &port, log) != 2) {
        closesocket(s);
        *why = "launcher answered: " + reply;
        return false;
    }
    device->control = static_cast<unsigned int>(s);
    device->port = port;
    device->logPath = std::string("Z:") + log;
    for (char& ch : device->logPath) {
        if (ch == '/') ch = '\\';
    }
    return true;
}

void StopSimulatedDevice(SimulatedDevice* device) {
    if (device->control != ~0u) closesocket(static_cast<SOCKET>(device->control));
    device->control = ~0u;
}

std::string ReadSimulatorLog(const SimulatedDevice& device) {
    std::string text;
    FILE* f = fopen(device.logPath.c_str(), "rb");
    if (f == nullptr) return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    fclose(f);
    return text;
}

uint32_t LogField(const std::string& line, const char* key) {
    const size_t at = line.find(std::string(" ") + key + "=");
    return at == std::string::npos
               ? 0
               : static_cast<uint32_t>(strtoul(line.c_str() + at + strlen(key) + 2, nullptr, 10));
}

tarvik_sim::ChartWindow LoggedWindow(const std::string& line) {
    tarvik_sim::ChartWindow w;
    w.resolutionCode = static_cast<uint8_t>(LogField(line, "reso"));
    w.scanType = static_cast<uint8_t>(LogField(line, "type"));
    w.paperCode = static_cast<uint8_t>(LogField(line, "paper"));
    w.x = static_cast<uint16_t>(LogField(line, "x"));
    w.y = static_cast<uint16_t>(LogField(line, "y"));
    w.width = static_cast<uint16_t>(LogField(line, "width"));
    w.length = static_cast<uint16_t>(LogField(line, "length"));
    w.xResolution = static_cast<uint16_t>(LogField(line, "xres"));
    return w;
}
