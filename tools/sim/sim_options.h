// Command-line settings of tarvik-sim: where it listens, what its feeder holds
// and which faults it injects. Parsing is pure so tests can check it directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/sim/sim_content.h"
#include "tools/sim/sim_wire.h"

namespace tarvik_sim {

// A fault bound to a command: on its N-th occurrence counted over the whole run
// (occurrence 0 = every occurrence).
struct CommandFault {
    CommandKind kind = CommandKind::Unknown;
    uint32_t occurrence = 0;
    int32_t argument = 0;  // wrong length: bytes added to the reply (negative shortens it)

    bool Matches(CommandKind k, uint32_t seen) const {
        return k == kind && (occurrence == 0 || occurrence == seen);
    }
};

struct FaultOptions {
    std::optional<uint8_t> senseCode;      // the chosen SCAN_SENSE occurrences answer this
    uint32_t senseOccurrence = 0;          // 0 = every SCAN_SENSE
    std::optional<uint64_t> stopKeyAfter;  // image bytes sent in the run before the key is pressed
    uint8_t stopKeyCode = 1;
    std::optional<uint64_t> silenceAfter;  // image bytes, then nothing more on that connection
    std::vector<CommandFault> silenceOn;
    std::optional<uint64_t> dropAfter;  // image bytes, then the connection is closed
    std::vector<CommandFault> dropOn;
    uint32_t splitBytes = 0;  // 0 = replies go out whole
    uint32_t splitDelayMs = 0;
    std::vector<CommandFault> wrongCode;
    std::vector<CommandFault> wrongLength;
    bool refuseIdentity = false;
    bool busyAlways = false;
    uint32_t busyFirst = 0;                 // the first N connections are told the device is busy
    std::vector<CommandFault> oddGeometry;  // SCAN_GETDATABUFFERSTATE occurrences; argument: variant
};

struct SimOptions {
    std::string address = "127.0.0.1";
    uint16_t port = 4567;
    std::string portFile;
    bool udp = false;
    std::string udpAddress;  // empty: the TCP address
    uint16_t udpPort = 4568;
    uint16_t udpReplyPort = 4569;
    uint32_t sheets = 1;
    bool duplex = false;
    bool feeder = true;
    PageContent content = PageContent::Chart;  // what the pages show
    std::string logFile;
    bool quiet = false;
    uint32_t exitAfterSeconds = 0;      // 0 = run until signalled
    uint32_t exitAfterConnections = 0;  // 0 = no limit
    uint32_t idleTimeoutSeconds = 0;    // 0 = a connection may stay idle for ever
    FaultOptions faults;
    std::optional<uint32_t> chaosSeed;  // replaces the faults with the one the seed picks
    bool help = false;
};

// Parses argv (without argv[0]). On failure returns false and sets *error.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* options, std::string* error);

// The --help text.
const char* SimUsage();

}  // namespace tarvik_sim
