// The simulator's chaos mode: one reproducible fault per seed, written as the
// flag that injects the same fault by hand. Host only (the simulator is).
#if !defined(_WIN32)

#include "tools/sim/sim_chaos.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "device/command_block.h"
#include "device/device_status.h"
#include "tools/sim/sim_device.h"

namespace {

using namespace tarvik_sim;

// The fault lists of two option sets side by side, as text.
std::string Faults(const FaultOptions& f) {
    std::ostringstream out;
    auto list = [&](const char* name, const std::vector<CommandFault>& faults) {
        for (const CommandFault& c : faults)
            out << name << ' ' << static_cast<int>(c.kind) << '@' << c.occurrence << ':' << c.argument << ';';
    };
    list("silence", f.silenceOn);
    list("drop", f.dropOn);
    list("code", f.wrongCode);
    list("length", f.wrongLength);
    list("geometry", f.oddGeometry);
    if (f.senseCode) out << "sense " << int(*f.senseCode) << '@' << f.senseOccurrence << ';';
    if (f.stopKeyAfter) out << "key " << *f.stopKeyAfter << ':' << int(f.stopKeyCode) << ';';
    return out.str();
}

TEST(SimChaosTest, EachSeedGivesOneFaultThatItsFlagReproduces) {
    std::set<std::string> flags;
    for (uint32_t seed = 0; seed < 300; ++seed) {
        const ChaosPlan plan = PlanChaos(seed);
        EXPECT_EQ(plan.description, PlanChaos(seed).description) << seed;
        std::istringstream words(plan.description);
        std::vector<std::string> args;
        for (std::string w; words >> w;) args.push_back(w);
        ASSERT_EQ(2u, args.size()) << plan.description;
        SimOptions parsed;
        std::string error;
        ASSERT_TRUE(ParseSimOptions(args, &parsed, &error)) << plan.description << ": " << error;
        EXPECT_EQ(Faults(plan.faults), Faults(parsed.faults)) << plan.description;
        EXPECT_FALSE(Faults(plan.faults).empty()) << seed;
        flags.insert(args[0]);
    }
    EXPECT_EQ(7u, flags.size()) << "every kind of fault is drawn";
}

TEST(SimChaosTest, OddGeometriesDifferButAHostCanScanThem) {
    ChartWindow window;
    window.width = 2000;
    window.length = 1500;
    const ChartGeometry real = ComputeChartGeometry(window);
    for (int32_t variant = 1; variant <= 3; ++variant) {
        const ChartGeometry odd = OddGeometry(real, variant);
        EXPECT_TRUE(odd.actualWidth != real.actualWidth || odd.actualHeight != real.actualHeight) << variant;
        const DataBufferState state{
            static_cast<int32_t>(odd.logicWidth), static_cast<int32_t>(odd.logicHeight),
            static_cast<int32_t>(odd.actualWidth), static_cast<int32_t>(odd.actualHeight)};
        EXPECT_TRUE(IsUsableBufferState(state)) << variant;
    }
}

// After the connection that scanned has ended the fault is gone, so a fault
// aimed past the first scan never reaches the scan after it.
TEST(SimChaosTest, TheFaultEndsWithTheFirstScanningConnection) {
    SimOptions options;
    options.chaosSeed = 0;
    SimDevice device(options);
    Command start;
    start.kind = CommandKind::StartScan;
    Command sense;
    sense.kind = CommandKind::Sense;
    device.OnConnect();
    device.Handle(start);
    device.OnDisconnect();
    for (int i = 0; i < 12; ++i) {
        device.OnConnect();
        const ReplyPlan plan = device.Handle(sense);
        EXPECT_FALSE(plan.drop);
        EXPECT_EQ(AfterReply::Continue, plan.after);
        EXPECT_EQ(std::vector<uint8_t>{0}, plan.bytes);
        device.OnDisconnect();
    }
}

}  // namespace

#endif
