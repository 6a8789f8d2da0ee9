// tarvik-sim: the simulated Tarvik4100 scanner as a process.
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/sim/sim_log.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_server.h"
#include "tools/sim/sim_udp.h"

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop.store(true); }

// SIGTERM and SIGINT ask the loop to end; broken connections must not kill us.
void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

// Writes the port through a temporary file and a rename, so readers never see half a number.
bool WritePortFile(const std::string& path, uint16_t port) {
    const std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "%u\n", port);
    const bool ok = std::fclose(f) == 0;
    return ok && std::rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tarvik_sim;
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
        std::fprintf(stderr, "tarvik-sim: %s\n(see --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(SimUsage(), stdout);
        return 0;
    }
    InstallSignalHandlers();
    SimLog log;
    log.SetEcho(!options.quiet);
    if (!options.logFile.empty() && !log.Open(options.logFile)) {
        std::fprintf(stderr, "tarvik-sim: cannot open log %s\n", options.logFile.c_str());
        return 1;
    }
    SimServer server(options, log);
    if (!server.Listen(&error)) {
        std::fprintf(stderr, "tarvik-sim: %s\n", error.c_str());
        return 1;
    }
    UdpResponder udp(log);
    if (options.udp) {
        const std::string address = options.udpAddress.empty() ? options.address : options.udpAddress;
        if (!udp.Open(address, options.udpPort, options.udpReplyPort, &error)) {
            std::fprintf(stderr, "tarvik-sim: %s\n", error.c_str());
            return 1;
        }
    }
    std::printf("PORT %u\n", server.Port());
    std::fflush(stdout);
    if (!options.portFile.empty() && !WritePortFile(options.portFile, server.Port())) {
        std::fprintf(stderr, "tarvik-sim: cannot write %s\n", options.portFile.c_str());
        return 1;
    }
    return server.Run(g_stop, options.udp ? &udp : nullptr);
}
