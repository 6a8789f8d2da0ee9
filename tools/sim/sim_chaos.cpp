#include "tools/sim/sim_chaos.h"

#include <algorithm>
#include <random>

namespace tarvik_sim {
namespace {

enum class Fault { Silence, Drop, WrongCode, ShortReply, LongReply, SenseCode, KeyCode, Geometry };

// A command that a scan session sends, how often it is sent before the first
// scan ends (the fault lands on one of those occurrences) and what may go wrong with it.
struct ChaosTarget {
    CommandKind kind;
    uint32_t occurrences;
    Fault faults[5];
    int faultCount;
};

constexpr ChaosTarget kTargets[] = {
    {CommandKind::Status,
     4,
     {Fault::Silence, Fault::Drop, Fault::WrongCode, Fault::ShortReply, Fault::LongReply},
     5},
    {CommandKind::CheckPid,
     4,
     {Fault::Silence, Fault::Drop, Fault::WrongCode, Fault::ShortReply, Fault::LongReply},
     5},
    {CommandKind::Sense, 5, {Fault::Silence, Fault::Drop, Fault::WrongCode, Fault::SenseCode}, 4},
    {CommandKind::SetWindow, 3, {Fault::Silence, Fault::Drop}, 2},
    {CommandKind::GetDataBufferState,
     3,
     {Fault::Silence, Fault::Drop, Fault::ShortReply, Fault::Geometry},
     4},
    {CommandKind::StartScan, 1, {Fault::Silence, Fault::Drop}, 2},
    {CommandKind::ReadData, 2, {Fault::Silence, Fault::Drop, Fault::ShortReply}, 3},
    {CommandKind::StartKeyStatus, 1, {Fault::Silence, Fault::Drop, Fault::WrongCode, Fault::KeyCode}, 4},
    {CommandKind::Release, 4, {Fault::Silence, Fault::Drop, Fault::WrongCode}, 3},
};

// Short names as the fault flags take them.
std::string ShortName(CommandKind kind) {
    std::string name = CommandName(kind);
    if (name.rfind("SCAN_", 0) == 0) name = name.substr(5);
    if (kind == CommandKind::Status) name = "status";
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

}  // namespace

// mt19937's output is the same everywhere; the distributions of <random> are
// not, so the draws take plain remainders of it.
// The kind of fault comes first, so the rarer ones (a pressed key, an odd
// status, another geometry) are drawn as often as silence.
ChaosPlan PlanChaos(uint32_t seed) {
    std::mt19937 random(seed);
    const Fault fault = static_cast<Fault>(random() % (static_cast<uint32_t>(Fault::Geometry) + 1));
    const ChaosTarget* eligible[std::size(kTargets)];
    size_t count = 0;
    for (const ChaosTarget& t : kTargets)
        if (std::find(t.faults, t.faults + t.faultCount, fault) != t.faults + t.faultCount)
            eligible[count++] = &t;
    const ChaosTarget& target = *eligible[random() % count];
    const uint32_t occurrence = 1 + random() % target.occurrences;
    const uint32_t draw = random();
    const std::string at = ShortName(target.kind) + "@" + std::to_string(occurrence);
    ChaosPlan plan;
    FaultOptions& f = plan.faults;
    CommandFault aimed{target.kind, occurrence, 0};
    switch (fault) {
        case Fault::Silence:
            f.silenceOn.push_back(aimed);
            plan.description = "--silence-on " + at;
            break;
        case Fault::Drop:
            f.dropOn.push_back(aimed);
            plan.description = "--drop-on " + at;
            break;
        case Fault::WrongCode:
            f.wrongCode.push_back(aimed);
            plan.description = "--wrong-code " + at;
            break;
        case Fault::ShortReply:
        case Fault::LongReply: {
            // Image data comes up short by up to a few lines; fixed replies by a byte or two.
            const int32_t size = target.kind == CommandKind::ReadData ? 1 + static_cast<int32_t>(draw % 5000)
                                                                      : 1 + static_cast<int32_t>(draw % 2);
            aimed.argument = fault == Fault::ShortReply ? -size : size;
            f.wrongLength.push_back(aimed);
            plan.description = "--wrong-length " + at + ":" + std::to_string(aimed.argument);
            break;
        }
        case Fault::SenseCode: {
            constexpr uint8_t codes[] = {1, 2, 3, 0xEE};
            f.senseCode = codes[draw % std::size(codes)];
            f.senseOccurrence = occurrence;
            plan.description =
                "--sense-code " + std::to_string(*f.senseCode) + "@" + std::to_string(occurrence);
            break;
        }
        case Fault::KeyCode:
            f.stopKeyAfter = 0;
            f.stopKeyCode = static_cast<uint8_t>(1 + draw % 3);
            plan.description = "--stop-key-after 0:" + std::to_string(f.stopKeyCode);
            break;
        case Fault::Geometry:
            aimed.argument = 1 + static_cast<int32_t>(draw % 3);
            f.oddGeometry.push_back(aimed);
            plan.description =
                "--odd-geometry " + std::to_string(occurrence) + ":" + std::to_string(aimed.argument);
            break;
    }
    return plan;
}

ChartGeometry OddGeometry(const ChartGeometry& real, int32_t variant) {
    ChartGeometry odd = real;
    if (variant == 1) {
        odd.actualHeight = 1;
    } else if (variant == 2) {
        odd.actualWidth = real.actualWidth > 8 ? real.actualWidth - 8 : real.actualWidth + 8;
        odd.logicWidth = std::max(odd.logicWidth, odd.actualWidth);
    } else {
        odd.actualWidth = odd.actualHeight = 8000;
        odd.logicWidth = odd.logicHeight = 8000;
    }
    return odd;
}

}  // namespace tarvik_sim
