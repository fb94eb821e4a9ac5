#include "debugger/Stepping.h"

#include "core/InstructionRead.h"
#include "debugger/CallStack.h"
#include "debugger/DebugAccess.h"

namespace varnox {
namespace {

constexpr int64_t TicksPerSecond = 100;  // run ticks of 10 ms
constexpr int32_t DefaultCyclesPerTick = 9100;

// Steps until the target, a stop or the budget. At least one step runs.
StepOutcome RunSteps(Machine& m, DebugSession& session, DebugState& state, const StepTarget& target) {
    const int64_t budget = InDebuggerCycleBudget(m);
    int64_t spent = 0;
    session.Arm(m, target);
    m.Run.Stops = nullptr;  // the run loop is not running: the steps are ours
    StepOutcome outcome = StepOutcome::HandedOver;
    while (spent < budget) {
        session.PrepareStep(m);
        const int32_t cycles = DebugStep(m);
        spent += cycles > 0 ? cycles : 1;
        if (session.AfterStep(m, cycles)) {
            outcome = session.LastStop().Kind == StopKind::Target ? StepOutcome::Done : StepOutcome::Stopped;
            break;
        }
    }
    state.EditMode = EditKind::None;
    state.ListTop = m.Cpu.PC;
    if (outcome == StepOutcome::HandedOver) {
        session.Arm(m, target);
    } else {
        session.Disarm(m);
    }
    return outcome;
}

}  // namespace

int64_t InDebuggerCycleBudget(const Machine& m) {
    const int32_t perTick = m.Run.CyclesPerTick > 0 ? m.Run.CyclesPerTick : DefaultCyclesPerTick;
    return perTick * TicksPerSecond;
}

StepOutcome StepInto(Machine& m, DebugSession& session, DebugState& state) {
    session.PrepareStep(m);
    session.Trace.Begin(m);
    const int32_t cycles = DebugStep(m);
    const bool stopped = session.AfterStep(m, cycles);
    // A breakpoint on the next line is no news after a single step.
    if (stopped && session.LastStop().Kind != StopKind::Watchpoint) session.ForgetStop();
    session.Disarm(m);
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

StepOutcome StepOver(Machine& m, DebugSession& session, DebugState& state) {
    const std::optional<StepTarget> target = StepOverTarget(m);
    if (!target) return StepInto(m, session, state);
    return RunSteps(m, session, state, *target);
}

StepOutcome StepOut(Machine& m, DebugSession& session, DebugState& state) {
    const std::vector<CallFrame> frames = ReadCallStack(m);
    if (frames.empty()) return StepOutcome::NoCaller;
    const CallFrame& frame = frames.front();
    return RunSteps(m, session, state, StepTarget{frame.ReturnAddress, true, static_cast<uint16_t>(frame.Slot + 2)});
}

StepOutcome RunTo(Machine& m, DebugSession& session, DebugState& state, uint16_t address) {
    return RunSteps(m, session, state, StepTarget{address, false, 0});
}

void ContinueRun(Machine& m, DebugSession& session) { session.Arm(m); }

}  // namespace varnox
