// The run tick with the refresh cadence, and the power-on reset.
#include "system/RunLoop.h"

#include "core/Cpu.h"
#include "core/MachineStep.h"
#include "peripherals/Keyboard.h"
#include "peripherals/Lcd.h"

namespace varnox {
namespace {

// The resume delay, then the tick's grant; false when the tick makes no
// step.
bool GrantTick(Machine& m, RunControl& run) {
    CpuState& cpu = m.Cpu;
    if (run.ResumeDelay > 0) {
        --run.ResumeDelay;
        cpu.CycleBudget = 0;
        return false;
    }
    // A clock of 0 or less stops the processor: its grant adds nothing, as
    // adding it would only take the budget down until it wraps around to
    // a burst of two billion cycles.
    if (run.CyclesPerTick <= 0) return false;
    cpu.CycleBudget = WrappingAdd(cpu.CycleBudget, run.CyclesPerTick);
    if (cpu.CycleBudget <= 0) return false;
    if (run.DebugActive) {
        cpu.CycleBudget = 0;
        return false;
    }
    return true;
}

// Steps that cost nothing (off woken at once by a held key, the free
// one-operand instructions) would never spend the budget. A tick makes at
// most as many steps as it has clock ticks to spend, which any run of
// steps costing one or more never reaches, and drops what is left when it
// is cut short, so such a loop only runs slowly.
void EndCutShort(CpuState& cpu) {
    if (cpu.CycleBudget > 0) cpu.CycleBudget = 0;
}

// The tick that tests the stops after every step, with the hook before
// every step: for the debugger's stops, a replay's end and tracing.
template <class BeforeStep>
RunStopKind RunTickChecked(Machine& m, RunControl& run, BeforeStep&& beforeStep) {
    CpuState& cpu = m.Cpu;
    int32_t stepsLeft = cpu.CycleBudget;
    do {
        beforeStep(m);
        MachineStep(m);
        if (const RunStopKind stop = StopAfterStep(run.Stops, m); stop != RunStopKind::None) {
            run.DebugActive = 1;
            cpu.CycleBudget = 0;
            return stop;
        }
    } while (cpu.CycleBudget > 0 && --stepsLeft > 0);
    EndCutShort(cpu);
    return RunStopKind::None;
}

// The tick with no stop armed: runs of quiet steps go at once
// (MachineQuietSteps) up to the first of the budget's end, the timer
// line's next toggle and the tick's step bound; any other step is made
// alone, as the checked tick makes it.
[[gnu::noinline]] void RunTickUnchecked(Machine& m) {
    CpuState& cpu = m.Cpu;
    int32_t stepsLeft = cpu.CycleBudget;  // the bound of the checked tick
    do {
        int32_t made = MachineQuietSteps(m, stepsLeft);
        if (made == 0) {
            MachineStep(m);
            made = 1;
        }
        stepsLeft -= made;
    } while (cpu.CycleBudget > 0 && stepsLeft > 0);
    EndCutShort(cpu);
}

// The machine work of a refresh tick: the frame buffer, then the self-test
// count-down with its key scan.
void RefreshTick(Machine& m) {
    LcdRefresh(m.Lcd);
    if (m.Clock.SelfTestCounter > 0) {
        --m.Clock.SelfTestCounter;
        KeyScan(m);
    }
}

// Every run tick counts, whether it ran steps, waited out the resume delay
// or found the debugger up, so the clock and the refresh cadence follow
// emulated time alone.
void CountRunTick(Machine& m) {
    ++m.Clock.RunTicks;
    if (++m.Clock.RefreshPhase < RunTicksPerRefresh) return;
    m.Clock.RefreshPhase = 0;
    RefreshTick(m);
}

}  // namespace

void PowerOnReset(Machine& m) {
    m.Lcd.LcdControl = 0;
    LcdReset(m.Lcd);
    m.Clock.TimerCountdown = 0;
    m.Clock.SelfTestCounter = m.Config.SelfTest;
    m.Clock.RefreshPhase = 0;
    CpuReset(m);
    UpdateIf(m);
}

void StartMachine(Machine& m) {
    m.HeldKeys = {0, 0, 0};
    m.Clock.RunTicks = 0;
    m.Clock.Steps = 0;
    m.Clock.Cycles = 0;
    PowerOnReset(m);
}

RunStopKind OnRunTimer(Machine& m, RunControl& run, BeforeStepHook hook, void* context) {
    RunStopKind stop = RunStopKind::None;
    if (GrantTick(m, run)) {
        if (hook) {
            stop = RunTickChecked(m, run, [hook, context](Machine& stepped) { hook(stepped, context); });
        } else if (run.Stops.Armed()) {
            stop = RunTickChecked(m, run, [](Machine&) {});
        } else {
            RunTickUnchecked(m);
        }
    }
    CountRunTick(m);
    return stop;
}

}  // namespace varnox
