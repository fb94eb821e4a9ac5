// How a session controls the run tick, beside the machine: whether the
// debugger holds the machine, the pause after it lets go, the grant of
// oscillator ticks each run tick adds, and the stops of a run. None of it
// is the machine's, so save states, snapshots and recordings' states leave
// it out. The input path owns one and gives it to every run tick it makes.
#pragma once

#include <csignal>
#include <cstdint>

#include "core/DebugHooks.h"
#include "core/Def.h"
#include "core/MachineStep.h"

namespace varnox {

// The run tick's grant of oscillator ticks is interval (ms) x OscFreq.
constexpr int32_t RunIntervalMs = 10;

// Interval (ms) x OscFreq, wrapping instead of overflowing.
constexpr int32_t ComputeCyclesPerTick(int32_t intervalMs, int32_t oscFreq) { return WrappingMul(intervalMs, oscFreq); }

// Why a run stopped after a step.
enum class RunStopKind : uint8_t {
    None,
    StepCount,     // the steps it was given are made
    ReplayEnd,     // a replay's last run tick made the steps of the recorded one
    BreakAddress,  // PC reached the break address
    Conditions,    // a breakpoint, watchpoint, condition or target of the debugger's
    Requested,     // the flag of Request was set (a signal, a trace that cannot be written)
};

// The stops of a run. Every kind is the same kind of thing: a test made
// after each step, by the run tick, in one place (StopAfterStep); any
// armed sends the run tick the way that makes it.
struct RunStops {
    int32_t StepCount = -1;           // steps still to make; 0 or less: off
    int64_t ReplaySteps = 0;          // steps the replay's last run tick still makes; 0 or less: off
    int32_t BreakAddress = -1;        // stop once PC equals it; negative: off, above 0xFFFF never met
    StopCheck* Conditions = nullptr;  // asked after every step while set
    // Once the flag is not 0, the run stops after the step it is in: a
    // signal handler or a hook may set it.
    const volatile std::sig_atomic_t* Request = nullptr;

    bool Armed() const { return StepCount > 0 || ReplaySteps > 0 || BreakAddress >= 0 || Conditions || Request; }
    // The debugger's step count and break address off.
    void ClearCountAndAddress() {
        StepCount = -1;
        BreakAddress = -1;
    }
};

// After a step of the run: the stop it meets, or None. The conditions are
// asked after every step, one that also ends a count included, so that a
// trace or a profile behind them misses none; the counts count every step.
// When several stops are met at once the first of RunStopKind's order is
// said. Inline: the run tick that tests its stops asks after every step.
inline RunStopKind StopAfterStep(RunStops& stops, Machine& m) {
    const bool condition = stops.Conditions && stops.Conditions->ShouldStop(m);
    RunStopKind stop = RunStopKind::None;
    if (stops.StepCount > 0 && --stops.StepCount == 0) stop = RunStopKind::StepCount;
    if (stops.ReplaySteps > 0 && --stops.ReplaySteps == 0 && stop == RunStopKind::None) stop = RunStopKind::ReplayEnd;
    if (stop != RunStopKind::None) return stop;
    if (stops.BreakAddress >= 0 && stops.BreakAddress == m.Cpu.PC) return RunStopKind::BreakAddress;
    if (condition) return RunStopKind::Conditions;
    if (stops.Request && *stops.Request) return RunStopKind::Requested;
    return RunStopKind::None;
}

struct RunControl {
    uint8_t DebugActive = 0;    // the debugger holds the machine: run ticks make no step
    int32_t ResumeDelay = 0;    // run ticks still to pass without steps after the debugger let go
    int32_t CyclesPerTick = 0;  // oscillator ticks each run tick adds to the budget
    RunStops Stops;

    // As when the window is shown: nothing held, no stops, and the grant of
    // run ticks of `intervalMs` at `oscFreq`.
    static RunControl Started(int32_t oscFreq, int32_t intervalMs = RunIntervalMs) {
        RunControl run;
        run.CyclesPerTick = ComputeCyclesPerTick(intervalMs, oscFreq);
        return run;
    }
};

}  // namespace varnox
