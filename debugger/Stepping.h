// Stepping from the debugger: into (one step), over (a call runs to its
// return), out (to the return of the current call) and to an address. Into
// is the Debug Window's single step, the bare processor step it always
// was; over, out and to an address run whole run ticks here, each step one
// of the machine as a run makes it (core/MachineStep.h), up to an emulated
// second; a longer way is handed to the run loop with the same bound, as
// the Run buttons hand over, and the window hides until it is reached.
#pragma once

#include <cstdint>
#include <optional>

#include "core/Def.h"
#include "debugger/DebugSession.h"
#include "debugger/DebugState.h"
#include "system/RunControl.h"

namespace varnox {

// Run ticks the debugger makes itself before it hands over: an emulated
// second.
constexpr int32_t InDebuggerTickLimit = 100;

enum class StepOutcome {
    Done,        // at the bound, the window stays
    Stopped,     // a breakpoint or watchpoint stopped it first
    HandedOver,  // running on in the run loop: hide the window
    NoCaller,    // step out found no call on the stack: nothing ran
};

// One processor step, recorded in the trace, stopping on a watchpoint it
// hits. Over, out and to an address run the machine in its own time, in
// run ticks given `run` (the debugger's hold let go meanwhile), and stop at
// their target as a breakpoint stops a run.
StepOutcome StepInto(Machine& m, DebugSession& session, DebugState& state);
StepOutcome StepOver(Machine& m, RunControl& run, DebugSession& session, DebugState& state);
StepOutcome StepOut(Machine& m, RunControl& run, DebugSession& session, DebugState& state);
StepOutcome RunTo(Machine& m, RunControl& run, DebugSession& session, DebugState& state, uint16_t address);

// Continue: the run loop runs with breakpoints and watchpoints armed.
void ContinueRun(Machine& m, RunControl& run, DebugSession& session);

// Where a step over the instruction at PC ends, when it is a call.
std::optional<StepTarget> StepOverTarget(const Machine& m);

}  // namespace varnox
