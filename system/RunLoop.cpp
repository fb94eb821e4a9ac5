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
bool GrantTick(Machine& m) {
    CpuState& cpu = m.Cpu;
    RunControl& run = m.Run;
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
    return cpu.CycleBudget > 0;
}

// The tick that checks after every step, for the debugger's conditions
// and tracing. WithStops: the debugger's stop check after every step; a
// run without one gets a loop without it.
template <bool WithStops, class BeforeStep>
bool RunTick(Machine& m, BeforeStep&& beforeStep) {
    CpuState& cpu = m.Cpu;
    RunControl& run = m.Run;
    if (!GrantTick(m)) return false;
    // Steps that cost nothing (off woken at once by a held key, the free
    // one-operand instructions) would never spend the budget. A tick makes
    // at most as many steps as it has clock ticks to spend, which any run
    // of steps costing one or more never reaches, and drops what is left
    // when it is cut short, so such a loop only runs slowly.
    int32_t stepsLeft = cpu.CycleBudget;
    do {
        if (run.DebugActive) {
            cpu.CycleBudget = 0;
            return false;
        }
        beforeStep(m);
        MachineStep(m);
        // Breakpoints, watchpoints and the debugger's other stops; asked
        // after every step, the last of a step count's too, so a profile or
        // a trace misses none.
        bool stop = false;
        if constexpr (WithStops) stop = run.Stops->ShouldStop(m);
        if (run.StepCount > 0) {
            if (--run.StepCount == 0) {
                run.DebugActive = 1;
                cpu.CycleBudget = 0;
                return true;
            }
        }
        if (run.BreakAddress >= 0 && run.BreakAddress == cpu.PC) {
            run.DebugActive = 1;
            cpu.CycleBudget = 0;
            return true;
        }
        if (stop) {
            run.DebugActive = 1;
            cpu.CycleBudget = 0;
            return true;
        }
    } while (cpu.CycleBudget > 0 && --stepsLeft > 0);
    if (cpu.CycleBudget > 0) cpu.CycleBudget = 0;
    return false;
}

// Ticks of the run loop a run of quiet steps may spend before something
// can happen that is not an instruction: the budget's end or the timer
// line's next toggle, whichever comes first. 0 when the next step is to be
// made alone.
int32_t QuietSlack(const Machine& m, int32_t budget, int32_t factor) {
    if (!InstructionsOnly(m.Cpu) || !m.Decoded.HasRecords()) return 0;
    if (factor < 1 || factor > WrappingMul(MaxTimerPeriod, 4)) return 0;  // counted down without wrapping
    const int32_t countdown = m.Clock.TimerCountdown;
    if (!TimerLineRuns(m)) {
        // Held clear: each step would set it again, so once it is set
        // the steps can leave it alone.
        const bool held = countdown == WrappingMul(m.Lcd.TimerPeriod, 2) && !(m.Cpu.IF & IfTimerLine);
        return held ? budget : 0;
    }
    // The step that takes the countdown below 0 toggles the line.
    return countdown < budget ? countdown + 1 : budget;
}

// The tick without the debugger's checks. Runs of quiet steps (core/Cpu.h
// RunInstructions) go by in locals up to the first of the budget's end,
// the timer line's next toggle and the tick's step bound; a step that may
// do more (idle while halted, an interrupt, a request counting down, an
// instruction that touches the run state, a word outside InstrRom's
// decoded ones) is made alone, as the checked loop makes it. So the clock
// factor and the timer line's state are looked at again only after a step
// that may have changed them.
bool RunTickUnchecked(Machine& m) {
    CpuState& cpu = m.Cpu;
    if (!GrantTick(m)) return false;
    if (m.Run.DebugActive) {
        cpu.CycleBudget = 0;
        return false;
    }
    int32_t budget = cpu.CycleBudget;
    int32_t stepsLeft = budget;  // the bound of the checked loop
    do {
        const int32_t factor = ClockFactor(m);
        if (int32_t slack = QuietSlack(m, budget, factor); slack > 0) {
            const int32_t start = slack;
            const int32_t made = RunInstructions(m, factor, slack, stepsLeft);
            if (made > 0) {
                const int32_t spent = WrappingSub(start, slack);
                budget = WrappingSub(budget, spent);
                if (TimerLineRuns(m)) CountTimerLine(m, spent);
                stepsLeft -= made;
                continue;
            }
        }
        const int32_t cost = WrappingMul(CpuStep(m), factor);
        budget = WrappingSub(budget, cost);
        RunTimerLine(m, cost);
        --stepsLeft;
    } while (budget > 0 && stepsLeft > 0);
    cpu.CycleBudget = budget > 0 ? 0 : budget;
    return false;
}

// Whether a tick needs the loop that checks after every step: the
// debugger's step count, break address or other stops are set.
bool NeedsChecks(const RunControl& run) { return run.StepCount > 0 || run.BreakAddress >= 0 || run.Stops; }

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
// or found the debugger up, so the cadence follows emulated time alone.
void CountRefreshCadence(Machine& m) {
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

int32_t ComputeCyclesPerTick(int32_t intervalMs, int32_t oscFreq) { return WrappingMul(intervalMs, oscFreq); }

void StartMachine(Machine& m, int32_t intervalMs) {
    m.HeldKeys = {0, 0, 0};
    m.Run.DebugActive = 0;
    m.Run.ResumeDelay = 0;
    m.Run.StepCount = -1;
    m.Run.BreakAddress = -1;
    m.Run.CyclesPerTick = ComputeCyclesPerTick(intervalMs, m.Config.OscFreq);
    PowerOnReset(m);
}

bool OnRunTimer(Machine& m) {
    const auto none = [](Machine&) {};
    bool stopped = false;
    if (!NeedsChecks(m.Run)) {
        stopped = RunTickUnchecked(m);
    } else {
        stopped = m.Run.Stops ? RunTick<true>(m, none) : RunTick<false>(m, none);
    }
    CountRefreshCadence(m);
    return stopped;
}

bool OnRunTimerTraced(Machine& m, BeforeStepHook hook, void* context) {
    const auto traced = [hook, context](Machine& machine) { hook(machine, context); };
    const bool stopped = m.Run.Stops ? RunTick<true>(m, traced) : RunTick<false>(m, traced);
    CountRefreshCadence(m);
    return stopped;
}

}  // namespace varnox
