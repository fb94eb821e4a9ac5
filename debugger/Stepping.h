// Stepping from the debugger: into (one step), over (a call runs to its
// return), out (to the return of the current call) and to an address. The
// steps run here, as the single step runs, up to about an emulated second;
// a longer way is handed to the run loop with the same bound, as the Run
// buttons hand over, and the window hides until it is reached.
#pragma once

#include <cstdint>
#include <optional>

#include "core/Def.h"
#include "debugger/DebugSession.h"
#include "debugger/DebugState.h"

namespace varnox {

// Cycles the debugger steps through itself before it hands over: an
// emulated second at the oscillator setting (or at its default when the
// processor is stopped by the setting).
int64_t InDebuggerCycleBudget(const Machine& m);

enum class StepOutcome {
    Done,        // at the bound, the window stays
    Stopped,     // a breakpoint or watchpoint stopped it first
    HandedOver,  // running on in the run loop: hide the window
    NoCaller,    // step out found no call on the stack: nothing ran
};

// One step, recorded in the trace, stopping on a watchpoint it hits.
StepOutcome StepInto(Machine& m, DebugSession& session, DebugState& state);
StepOutcome StepOver(Machine& m, DebugSession& session, DebugState& state);
StepOutcome StepOut(Machine& m, DebugSession& session, DebugState& state);
StepOutcome RunTo(Machine& m, DebugSession& session, DebugState& state, uint16_t address);

// Continue: the run loop runs with breakpoints and watchpoints armed.
void ContinueRun(Machine& m, DebugSession& session);

// Where a step over the instruction at PC ends, when it is a call.
std::optional<StepTarget> StepOverTarget(const Machine& m);

}  // namespace varnox
