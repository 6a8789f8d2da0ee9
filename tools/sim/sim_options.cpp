#include "tools/sim/sim_options.h"

#include <charconv>
#include <string_view>

namespace tarvik_sim {
namespace {

constexpr const char* kUsage =
    R"(tarvik-sim: a simulated Tarvik4100 scanner on TCP (and optionally the UDP search).

Usage: tarvik-sim [options]

Listening
  --address A             IPv4 address to listen on (default 127.0.0.1)
  --port P                TCP port (default 4567); 0 picks a free port
  --port-file FILE        write the TCP port actually used into FILE (atomically)
                          The port is also printed on stdout as "PORT <n>".
  --udp                   answer the network search (UDP, requests on 4568)
  --udp-address A         address the search responder binds (default: --address;
                          0.0.0.0 is needed to receive broadcasts)
  --udp-port P            search request port (default 4568)
  --udp-reply-port P      port the answers go to at the sender (default 4569)

Device
  --sheets N              sheets in the feeder (default 1)
  --duplex                the feeder can scan both sides (two images per sheet)
  --no-adf                no feeder at all
  --content C             what the pages show: chart (default), photo (smooth
                          shading and hard edges under a few levels of sensor
                          noise) or noise (every byte random)

Run control and log
  --log FILE              one line per received command (file truncated at start), e.g.
                          "SCAN_READDATA conn=2 count=65535"
  --quiet                 no diagnostics on stderr
  --exit-after-seconds S  exit after S seconds
  --exit-after-connections N  exit once N connections have ended
  --idle-timeout S        close a connection that sends nothing for S seconds
  SIGTERM and SIGINT end the simulator cleanly (exit status 0).

Fault injection (CMD is a command name such as sense, readdata, setwindow,
startscan, getdatabufferstate, getmachinestate, startkeystatus, checkpid,
release, abort, or status for the connection status sent on connect; the
SCAN_ forms are accepted too. @N selects the N-th occurrence of CMD counted
over the whole run; without it every occurrence is affected. Byte counts K
are image data bytes sent since the simulator started.)
  --sense-code CODE[@N]   SCAN_SENSE answers CODE (0..255)
  --stop-key-after K[:CODE]  after K image bytes the next SCAN_STARTKEYSTATUS
                          answers CODE (default 1, the stop key), once
  --silence-after K       after K image bytes send nothing more on that connection
  --silence-on CMD[@N]    no reply to CMD, nor to anything after it on that connection
  --drop-after K          close the connection after K image bytes
  --drop-on CMD[@N]       close the connection instead of answering CMD
  --split N[:MS]          send every reply in pieces of N bytes, MS ms apart (default 10)
  --wrong-code CMD[@N]    answer CMD with a wrong reply code (connection commands)
                          or a wrong status byte (sense, startkeystatus) or a
                          corrupted first byte (other replies)
  --wrong-length CMD[@N][:DELTA]  answer CMD with DELTA bytes more (negative:
                          fewer; default -1)
  --refuse-identity       SCAN_CHECKPID answers status 1
  --busy                  every connection gets connection status 1 and is closed
  --busy-first N          only the first N connections are busy
  --odd-geometry N[:V]    the N-th SCAN_GETDATABUFFERSTATE reports another image:
                          V 1 one line high (default), 2 eight pixels narrower,
                          3 8000 x 8000
  --chaos SEED            one fault picked from SEED (same seed, same fault) among
                          the above, aimed at one command before the first scan
                          ends; it replaces the other fault options, is logged
                          as "NOTE chaos seed=S fault=FLAG" on the first
                          connection, and once the connection that scanned has
                          ended the device behaves normally
  --help                  this text
The four CMD options may be repeated. Every option also takes --option=value.

Behaviour
  One conversation at a time; a connection arriving meanwhile gets status 1
  (busy) and is closed. SCAN_RELEASE is answered and the connection closed.
  Images are a test chart (or the --content chosen) computed from the window
  and the page number:
  flatbed and preview scans are page 0, feeder images are numbered from 1 in
  the order they are fed (the back of a two-sided sheet is the next number).
  Previews (resolution code FF) are scanned at 75 dpi. Lines are padded to
  the next multiple of 32 pixels beyond the image width; padding is 0.
  Log lines start with a word: a command name, UNKNOWN, CONNECT, DISCONNECT,
  REFUSED, SILENT, NOTE (device events such as "scan page=1 dpi=300 ...")
  or SEARCH; then key=value fields, conn=N numbering the connections from 1.
)";

// A whole decimal number of type T, nothing else in the text.
template <typename T>
bool ParseNumber(std::string_view text, T* value) {
    if (text.empty()) return false;
    T v{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    *value = v;
    return true;
}

// A TCP or UDP port, 0..65535.
bool ParsePort(std::string_view text, uint16_t* port) {
    uint32_t v = 0;
    if (!ParseNumber(text, &v) || v > 65535) return false;
    *port = static_cast<uint16_t>(v);
    return true;
}

// A byte value, 0..255.
bool ParseByte(std::string_view text, uint8_t* out) {
    uint32_t v = 0;
    if (!ParseNumber(text, &v) || v > 255) return false;
    *out = static_cast<uint8_t>(v);
    return true;
}

// CMD[@N][:ARG]; ARG is accepted only when allowArgument is set.
bool ParseCommandFault(std::string_view text, bool allowArgument, CommandFault* fault) {
    std::string_view arg;
    if (const size_t colon = text.find(':'); colon != std::string_view::npos) {
        if (!allowArgument) return false;
        arg = text.substr(colon + 1);
        text = text.substr(0, colon);
        if (!ParseNumber(arg, &fault->argument)) return false;
    }
    if (const size_t at = text.find('@'); at != std::string_view::npos) {
        if (!ParseNumber(text.substr(at + 1), &fault->occurrence) || fault->occurrence == 0) return false;
        text = text.substr(0, at);
    }
    return ParseCommandName(text, &fault->kind);
}

// "V[@N]" or "V[:W]" helpers for the two numeric fault flags.
bool ParseValueAt(std::string_view text, uint8_t* value, uint32_t* occurrence) {
    if (const size_t at = text.find('@'); at != std::string_view::npos) {
        if (!ParseNumber(text.substr(at + 1), occurrence) || *occurrence == 0) return false;
        text = text.substr(0, at);
    }
    return ParseByte(text, value);
}

bool ParseCountWithCode(std::string_view text, uint64_t* count, uint8_t* code) {
    if (const size_t colon = text.find(':'); colon != std::string_view::npos) {
        if (!ParseByte(text.substr(colon + 1), code)) return false;
        text = text.substr(0, colon);
    }
    return ParseNumber(text, count);
}

// N[:MS]: piece size above 0 and a delay of at most 10 s (default 10 ms).
bool ParseSplit(std::string_view text, uint32_t* bytes, uint32_t* delayMs) {
    *delayMs = 10;
    if (const size_t colon = text.find(':'); colon != std::string_view::npos) {
        if (!ParseNumber(text.substr(colon + 1), delayMs) || *delayMs > 10000) return false;
        text = text.substr(0, colon);
    }
    return ParseNumber(text, bytes) && *bytes > 0;
}

bool ParseContent(std::string_view text, PageContent* content) {
    constexpr struct {
        std::string_view name;
        PageContent content;
    } kContents[] = {
        {"chart", PageContent::Chart}, {"photo", PageContent::Photo}, {"noise", PageContent::Noise}};
    for (const auto& c : kContents) {
        if (text != c.name) continue;
        *content = c.content;
        return true;
    }
    return false;
}

// Applies one option that takes a value; false when the value is bad or the option unknown.
bool ApplyValueOption(std::string_view name, std::string_view value, SimOptions* o) {
    FaultOptions& f = o->faults;
    CommandFault fault;
    uint64_t count = 0;
    if (name == "--address") return !(o->address = std::string(value)).empty();
    if (name == "--port") return ParsePort(value, &o->port);
    if (name == "--port-file") return !(o->portFile = std::string(value)).empty();
    if (name == "--udp-address") return !(o->udpAddress = std::string(value)).empty();
    if (name == "--udp-port") return ParsePort(value, &o->udpPort);
    if (name == "--udp-reply-port") return ParsePort(value, &o->udpReplyPort);
    if (name == "--sheets") return ParseNumber(value, &o->sheets);
    if (name == "--content") return ParseContent(value, &o->content);
    if (name == "--log") return !(o->logFile = std::string(value)).empty();
    if (name == "--exit-after-seconds") return ParseNumber(value, &o->exitAfterSeconds);
    if (name == "--exit-after-connections") return ParseNumber(value, &o->exitAfterConnections);
    if (name == "--idle-timeout") return ParseNumber(value, &o->idleTimeoutSeconds);
    if (name == "--busy-first") return ParseNumber(value, &f.busyFirst);
    if (name == "--sense-code") {
        uint8_t code = 0;
        if (!ParseValueAt(value, &code, &f.senseOccurrence)) return false;
        f.senseCode = code;
        return true;
    }
    if (name == "--stop-key-after") {
        if (!ParseCountWithCode(value, &count, &f.stopKeyCode)) return false;
        f.stopKeyAfter = count;
        return true;
    }
    if (name == "--silence-after" || name == "--drop-after") {
        if (!ParseNumber(value, &count)) return false;
        (name == "--silence-after" ? f.silenceAfter : f.dropAfter) = count;
        return true;
    }
    if (name == "--chaos") {
        uint32_t seed = 0;
        if (!ParseNumber(value, &seed)) return false;
        o->chaosSeed = seed;
        return true;
    }
    if (name == "--odd-geometry") {
        fault.kind = CommandKind::GetDataBufferState;
        fault.argument = 1;
        if (const size_t colon = value.find(':'); colon != std::string_view::npos) {
            if (!ParseNumber(value.substr(colon + 1), &fault.argument) || fault.argument < 1 ||
                fault.argument > 3)
                return false;
            value = value.substr(0, colon);
        }
        if (!ParseNumber(value, &fault.occurrence) || fault.occurrence == 0) return false;
        f.oddGeometry.push_back(fault);
        return true;
    }
    if (name == "--split") return ParseSplit(value, &f.splitBytes, &f.splitDelayMs);
    if (name == "--silence-on" || name == "--drop-on" || name == "--wrong-code") {
        if (!ParseCommandFault(value, false, &fault)) return false;
        (name == "--silence-on" ? f.silenceOn
         : name == "--drop-on"  ? f.dropOn
                                : f.wrongCode)
            .push_back(fault);
        return true;
    }
    if (name == "--wrong-length") {
        fault.argument = -1;
        if (!ParseCommandFault(value, true, &fault) || fault.argument == 0) return false;
        f.wrongLength.push_back(fault);
        return true;
    }
    return false;
}

// Applies one option without a value; false when it is not such an option.
bool ApplyFlag(std::string_view name, SimOptions* o) {
    if (name == "--udp") return o->udp = true;
    if (name == "--duplex") return o->duplex = true;
    if (name == "--no-adf") return !(o->feeder = false);
    if (name == "--quiet") return o->quiet = true;
    if (name == "--refuse-identity") return o->faults.refuseIdentity = true;
    if (name == "--busy") return o->faults.busyAlways = true;
    if (name == "--help" || name == "-h") return o->help = true;
    return false;
}

}  // namespace

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* options, std::string* error) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::string_view value;
        bool hasValue = false;
        if (const size_t eq = name.find('='); eq != std::string_view::npos && name.starts_with("--")) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        if (!hasValue && ApplyFlag(name, options)) continue;
        if (!hasValue && i + 1 < args.size()) {
            SimOptions probe = *options;
            if (ApplyValueOption(name, args[i + 1], &probe)) {
                *options = probe;
                ++i;
                continue;
            }
        } else if (hasValue && ApplyValueOption(name, value, options)) {
            continue;
        }
        *error =
            "bad or unknown option: " + args[i] + (i + 1 < args.size() && !hasValue ? " " + args[i + 1] : "");
        return false;
    }
    return true;
}

const char* SimUsage() { return kUsage; }

}  // namespace tarvik_sim
