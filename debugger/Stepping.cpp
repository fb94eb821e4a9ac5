#include "debugger/Stepping.h"

#include "core/InstructionRead.h"
#include "debugger/CallStack.h"
#include "debugger/DebugAccess.h"
#include "system/RunLoop.h"

namespace varnox {
namespace {

// Run ticks until the target, a stop or the limit, as the run loop makes
// them: the timer line, the clock factor and the refresh cadence move as
// in a run, and the target stops as a breakpoint stops a run. At least one
// step runs unless the processor is stopped by the oscillator setting.
StepOutcome RunSteps(Machine& m, RunControl& run, DebugSession& session, DebugState& state, const StepTarget& target) {
    const uint8_t wasActive = run.DebugActive;
    const int32_t resumeDelay = run.ResumeDelay;
    run.DebugActive = 0;  // the window is up, but these ticks are the debugger's own
    run.ResumeDelay = 0;
    session.Arm(m, run.Stops, target);
    StepOutcome outcome = StepOutcome::HandedOver;
    for (int32_t tick = 0; tick < InDebuggerTickLimit; ++tick) {
        if (OnRunTimer(m, run) != RunStopKind::None) {
            outcome = session.LastStop().Kind == StopKind::Target ? StepOutcome::Done : StepOutcome::Stopped;
            break;
        }
    }
    run.DebugActive = wasActive;
    run.ResumeDelay = resumeDelay;
    state.EditMode = EditKind::None;
    state.ListTop = m.Cpu.PC;
    if (outcome != StepOutcome::HandedOver) {
        session.Disarm(m);
        session.NoteStop(m);
    }
    return outcome;
}

}  // namespace

StepOutcome StepInto(Machine& m, DebugSession& session, DebugState& state) {
    session.PrepareStep(m);
    session.Trace.Begin(m);
    const int32_t cycles = DebugStep(m);
    const bool stopped = session.AfterStep(m, cycles);
    // A breakpoint on the next line is no news after a single step.
    if (stopped && session.LastStop().Kind != StopKind::Watchpoint) session.ForgetStop();
    session.Disarm(m);
    session.NoteStop(m);
    state.EditMode = EditKind::None;
    state.ListTop = m.Cpu.PC;
    return stopped && session.LastStop().Kind == StopKind::Watchpoint ? StepOutcome::Stopped : StepOutcome::Done;
}

std::optional<StepTarget> StepOverTarget(const Machine& m) {
    if (PeekStepKind(m) != StepKind::Instruction) return std::nullopt;
    const InstructionAt instruction = ReadInstructionAt(m, m.Cpu.PC);
    // The instruction calls when a call would return right after it.
    if (!CallBefore(m, instruction.Next) || *CallBefore(m, instruction.Next) != m.Cpu.PC) return std::nullopt;
    return StepTarget{instruction.Next, true, GetIndex(m.Cpu, RegSp)};
}

StepOutcome StepOver(Machine& m, RunControl& run, DebugSession& session, DebugState& state) {
    const std::optional<StepTarget> target = StepOverTarget(m);
    if (!target) return StepInto(m, session, state);
    return RunSteps(m, run, session, state, *target);
}

StepOutcome StepOut(Machine& m, RunControl& run, DebugSession& session, DebugState& state) {
    const std::vector<CallFrame> frames = ReadCallStack(m);
    if (frames.empty()) return StepOutcome::NoCaller;
    const CallFrame& frame = frames.front();
    return RunSteps(m, run, session, state, StepTarget{frame.ReturnAddress, true, static_cast<uint16_t>(frame.Slot + 2)});
}

StepOutcome RunTo(Machine& m, RunControl& run, DebugSession& session, DebugState& state, uint16_t address) {
    return RunSteps(m, run, session, state, StepTarget{address, false, 0});
}

void ContinueRun(Machine& m, RunControl& run, DebugSession& session) { session.Arm(m, run.Stops); }

}  // namespace varnox
