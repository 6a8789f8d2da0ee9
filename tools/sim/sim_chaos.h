// The simulator's chaos mode: from one seed, one fault aimed at one command
// occurrence, drawn from the faults the device can show (silence, a dropped
// connection, a wrong reply code or length, an odd status, a pressed key,
// another image geometry). The same seed always gives the same fault.
#pragma once

#include <cstdint>
#include <string>

#include "tools/sim/sim_options.h"

namespace tarvik_sim {

struct ChaosPlan {
    FaultOptions faults;
    std::string description;  // the fault as the equivalent command-line flag
};

ChaosPlan PlanChaos(uint32_t seed);

// The image geometry a device with the odd-geometry fault reports instead of
// `real`: variant 1 one line high, 2 narrower by 8 pixels, 3 an 8000 x 8000
// image. Always a state a host can build a scan on.
ChartGeometry OddGeometry(const ChartGeometry& real, int32_t variant);

}  // namespace tarvik_sim
