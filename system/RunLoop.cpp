// The run tick with the refresh cadence, and the power-on reset.
#include "system/RunLoop.h"

#include "core/Cpu.h"
#include "peripherals/Keyboard.h"
#include "peripherals/Lcd.h"

namespace varnox {
namespace {

constexpr int TimerIrqLevel = 1;

// Signed 32-bit products that wrap instead of overflowing.
int32_t WrappingMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

int32_t WrappingSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

int32_t WrappingAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Oscillator ticks per processor cycle, from IE bits 7 and 2.
int32_t ClockFactor(const Machine& m) {
    switch (m.Cpu.IE & IeClockMode) {
        case IeDoubleClock: return 2;
        case IeClockMode: return WrappingMul(m.Lcd.TimerPeriod, 4);  // the slow clock
        default: return 1;
    }
}

// The emulated timer line (IF bit 2) after a step that cost `cost` ticks.
void RunTimerLine(Machine& m, int32_t cost) {
    CpuState& cpu = m.Cpu;
    RunClock& clock = m.Clock;
    const int32_t halfPeriod = WrappingMul(m.Lcd.TimerPeriod, 2);
    if (!(m.Lcd.LcdControl & LcdPowered) || (cpu.IE & IeClockMode) == IeClockMode) {
        clock.TimerCountdown = halfPeriod;
        cpu.IF &= static_cast<uint8_t>(~IfTimerLine);
        return;
    }
    clock.TimerCountdown = WrappingSub(clock.TimerCountdown, cost);
    if (clock.TimerCountdown < 0) {
        clock.TimerCountdown = WrappingAdd(clock.TimerCountdown, halfPeriod);
        if (clock.TimerCountdown < 0) clock.TimerCountdown = halfPeriod;
        cpu.IF ^= IfTimerLine;
        if (cpu.IF & IfTimerLine) IrqRequest(m, TimerIrqLevel);
    }
}

// WithStops: the debugger's stop check after every step; a run without
// one gets a loop without it, so the check costs nothing per step there.
template <bool WithStops, class BeforeStep>
bool RunTick(Machine& m, BeforeStep&& beforeStep) {
    CpuState& cpu = m.Cpu;
    RunControl& run = m.Run;
    if (run.ResumeDelay > 0) {
        --run.ResumeDelay;
        cpu.CycleBudget = 0;
        return false;
    }
    cpu.CycleBudget = WrappingAdd(cpu.CycleBudget, run.CyclesPerTick);
    if (cpu.CycleBudget <= 0) return false;
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
        const int32_t factor = ClockFactor(m);
        beforeStep(m);
        const int32_t cost = WrappingMul(CpuStep(m), factor);
        cpu.CycleBudget = WrappingSub(cpu.CycleBudget, cost);
        RunTimerLine(m, cost);
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
        // Breakpoints, watchpoints and the debugger's other stops.
        if constexpr (WithStops) {
            if (run.Stops->ShouldStop(m)) {
                run.DebugActive = 1;
                cpu.CycleBudget = 0;
                return true;
            }
        }
    } while (cpu.CycleBudget > 0 && --stepsLeft > 0);
    if (cpu.CycleBudget > 0) cpu.CycleBudget = 0;
    return false;
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
    const bool stopped = m.Run.Stops ? RunTick<true>(m, none) : RunTick<false>(m, none);
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
