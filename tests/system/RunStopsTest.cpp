// The stops of a run, each kind tested after every step by the run tick: a
// table of stops armed alone and together, on a program of nops, says
// after which step each run ends, why, and what is left armed.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <memory>

#include "core/Def.h"
#include "support/MachineBuilder.h"
#include "system/RunControl.h"
#include "system/RunLoop.h"

namespace varnox {
namespace {

constexpr unsigned Nop = 0x0FA;  // 4 cycles: 2275 steps a run tick, PC one on each

// Stops when PC reaches an address, and counts the steps it is asked
// after (every step, whatever else stops the run).
class PcCondition final : public StopCheck {
public:
    explicit PcCondition(uint16_t pc) : pc_(pc) {}
    bool ShouldStop(Machine& m) override {
        ++asked;
        return m.Cpu.PC == pc_;
    }
    long long asked = 0;

private:
    uint16_t pc_;
};

// A request to stop, made by a hook before the step it is to stop after
// (as a signal handler may make it at any time).
struct Request {
    long long before = 0;  // steps the hook has come before
    long long at = 0;      // the step to stop after; 0: none
    volatile std::sig_atomic_t flag = 0;
};

void RequestAt(Machine&, void* context) {
    auto* request = static_cast<Request*>(context);
    if (++request->before == request->at) request->flag = 1;
}

TEST(RunStops, EachKindEndsTheRunAfterItsStep) {
    struct Case {
        const char* name;
        int32_t stepCount;
        int64_t replaySteps;
        int32_t breakAddress;
        int condition;      // PC that stops; -1: none
        long long request;  // step a request to stop comes in; -1: none
        RunStopKind stop;   // None: runs out the ticks
        long long steps;    // made when it ended
        int32_t countLeft;  // of the step count
    };
    const Case cases[] = {
        {"nothing armed", -1, 0, -1, -1, -1, RunStopKind::None, 2 * 2275, -1},
        {"a step count", 5, 0, -1, -1, -1, RunStopKind::StepCount, 5, 0},
        {"a step count over ticks", 3000, 0, -1, -1, -1, RunStopKind::StepCount, 3000, 0},
        {"a replay's end", -1, 7, -1, -1, -1, RunStopKind::ReplayEnd, 7, -1},
        {"a break address", -1, 0, 0x123, -1, -1, RunStopKind::BreakAddress, 0x123, -1},
        {"a break address PC never reaches", -1, 0, 0x10000, -1, -1, RunStopKind::None, 2 * 2275, -1},
        {"a condition", -1, 0, -1, 0x40, -1, RunStopKind::Conditions, 0x40, -1},
        {"a request", -1, 0, -1, -1, 9, RunStopKind::Requested, 9, -1},
        {"a request that never comes", -1, 0, -1, -1, 0, RunStopKind::None, 2 * 2275, -1},
        {"count and address on one step: the count", 3, 0, 3, -1, -1, RunStopKind::StepCount, 3, 0},
        {"count and replay on one step: the count", 4, 4, -1, -1, -1, RunStopKind::StepCount, 4, 0},
        {"the replay first, the count goes on", 10, 4, -1, -1, -1, RunStopKind::ReplayEnd, 4, 6},
        {"the address first", 10, 0, 2, -1, -1, RunStopKind::BreakAddress, 2, 8},
        {"address and condition on one step: the address", -1, 0, 6, 6, -1, RunStopKind::BreakAddress, 6, -1},
        {"condition and request on one step: the condition", -1, 0, -1, 6, 6, RunStopKind::Conditions, 6, -1},
        {"a count of 0 is off", 0, 0, -1, -1, -1, RunStopKind::None, 2 * 2275, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto m = test::NewMachine();
        for (int w = 0; w < InstrRomWords; ++w) test::PutWord(*m, static_cast<uint16_t>(w), Nop);
        StartMachine(*m);
        RunControl run = RunControl::Started(m->Config.OscFreq);
        run.Stops.StepCount = c.stepCount;
        run.Stops.ReplaySteps = c.replaySteps;
        run.Stops.BreakAddress = c.breakAddress;
        PcCondition condition(static_cast<uint16_t>(c.condition));
        if (c.condition >= 0) run.Stops.Conditions = &condition;
        Request request{0, c.request};
        const BeforeStepHook hook = c.request >= 0 ? RequestAt : nullptr;
        if (c.request >= 0) run.Stops.Request = &request.flag;

        RunStopKind stop = RunStopKind::None;
        for (int tick = 0; tick < 2 && stop == RunStopKind::None; ++tick) stop = OnRunTimer(*m, run, hook, &request);
        EXPECT_EQ(stop, c.stop);
        EXPECT_EQ(m->Clock.Steps, c.steps);
        EXPECT_EQ(run.Stops.StepCount, c.countLeft);
        if (c.condition >= 0) {
            EXPECT_EQ(condition.asked, c.steps);  // after every step, the last too
        }
        if (c.stop == RunStopKind::None) continue;
        EXPECT_EQ(m->Cpu.PC, c.steps);
        EXPECT_EQ(run.DebugActive, 1);
        EXPECT_EQ(m->Cpu.CycleBudget, 0);
        // Stopped: the debugger has the machine, and the next tick makes
        // no step, though it counts.
        const int64_t ticks = m->Clock.RunTicks;
        EXPECT_EQ(OnRunTimer(*m, run, hook, &request), RunStopKind::None);
        EXPECT_EQ(m->Clock.Steps, c.steps);
        EXPECT_EQ(m->Clock.RunTicks, ticks + 1);
    }
}

}  // namespace
}  // namespace varnox
