// A step of the machine as a run makes it, in one definition: the clock
// factor taken from IE before the step, the processor step, its cost (its
// cycles times the factor) taken from the cycle budget, the emulated timer
// line driven by that cost, and the step with its cycles counted in the
// machine's clock. The run tick makes every step here: one at a time
// (MachineStep), or a run of quiet steps at once (MachineQuietSteps) that
// ends where the steps one at a time would first do anything but run
// instructions. The one step made otherwise is the Debug Window's single
// step, the bare processor step (BareStep).
#pragma once

#include <cstdint>

#include "core/Cpu.h"
#include "core/Def.h"
#include "peripherals/Lcd.h"

namespace varnox {

constexpr int TimerIrqLevel = 1;

// Signed 32-bit arithmetic that wraps instead of overflowing.
constexpr int32_t WrappingMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
constexpr int32_t WrappingSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
constexpr int32_t WrappingAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Oscillator ticks per processor cycle, from IE bits 7 and 2.
inline int32_t ClockFactor(const Machine& m) {
    switch (m.Cpu.IE & IeClockMode) {
        case IeDoubleClock: return 2;
        case IeClockMode: return WrappingMul(m.Lcd.TimerPeriod, 4);  // the slow clock
        default: return 1;
    }
}

// Whether the timer line runs: the LCD powered and the clock not slow;
// otherwise each step holds it clear.
inline bool TimerLineRuns(const Machine& m) {
    return (m.Lcd.LcdControl & LcdPowered) && (m.Cpu.IE & IeClockMode) != IeClockMode;
}

// The running timer line after steps that cost `cost` ticks, of which at
// most the last took the countdown below 0: it toggles at most once.
inline void CountTimerLine(Machine& m, int32_t cost) {
    CpuState& cpu = m.Cpu;
    RunClock& clock = m.Clock;
    const int32_t halfPeriod = WrappingMul(m.Lcd.TimerPeriod, 2);
    clock.TimerCountdown = WrappingSub(clock.TimerCountdown, cost);
    if (clock.TimerCountdown < 0) {
        clock.TimerCountdown = WrappingAdd(clock.TimerCountdown, halfPeriod);
        if (clock.TimerCountdown < 0) clock.TimerCountdown = halfPeriod;
        cpu.IF ^= IfTimerLine;
        if (cpu.IF & IfTimerLine) IrqRequest(m, TimerIrqLevel);
    }
}

// The emulated timer line (IF bit 2) after steps that cost `cost` ticks,
// IE read after them: held clear, or counted down.
inline void RunTimerLine(Machine& m, int32_t cost) {
    if (!TimerLineRuns(m)) {
        m.Clock.TimerCountdown = WrappingMul(m.Lcd.TimerPeriod, 2);
        m.Cpu.IF &= static_cast<uint8_t>(~IfTimerLine);
        return;
    }
    CountTimerLine(m, cost);
}

// What steps made at one clock factor do to the machine's time: their
// `cycles` cost `cost` oscillator ticks, taken from CycleBudget, the timer
// line is driven by that cost and the clock counts them. Several steps may
// be handed over at once only where the timer line would toggle at the
// last of them at the earliest, so that driving it once is driving it
// after each (QuietSlack).
inline void SpendSteps(Machine& m, uint32_t steps, uint64_t cycles, int32_t cost) {
    m.Cpu.CycleBudget = WrappingSub(m.Cpu.CycleBudget, cost);
    RunTimerLine(m, cost);
    CountSteps(m.Clock, steps, cycles);
}

// One step as a run makes it: returns its cost in oscillator ticks,
// already spent (SpendSteps). The processor's own cycles stay in
// Cpu.StepCycles.
inline int32_t MachineStep(Machine& m) {
    const int32_t factor = ClockFactor(m);
    const int32_t cycles = CpuStep(m);
    const int32_t cost = WrappingMul(cycles, factor);
    SpendSteps(m, 1, static_cast<uint32_t>(cycles), cost);
    return cost;
}

// Oscillator ticks a run of quiet steps at `factor` may spend before
// something can happen that is not an instruction: the budget's end or the
// timer line's next toggle, whichever comes first. 0 when the next step is
// to be made alone.
inline int32_t QuietSlack(const Machine& m, int32_t factor) {
    if (!InstructionsOnly(m.Cpu) || !m.Decoded.HasRecords()) return 0;
    if (factor < 1 || factor > WrappingMul(MaxTimerPeriod, 4)) return 0;  // counted down without wrapping
    const int32_t budget = m.Cpu.CycleBudget;
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

// Up to `most` steps, each exactly as MachineStep would make it, while
// they are quiet (core/Cpu.h RunInstructions) and before the budget's end
// or the timer line's next toggle: so none can change the clock factor,
// and the budget, the timer line and the clock take them at once. Returns
// the steps made; 0 when the next step may do more (idle while halted, an
// interrupt, a request counting down, an instruction that touches the run
// state, a word outside InstrRom's decoded ones) and is MachineStep's.
inline int32_t MachineQuietSteps(Machine& m, int32_t most) {
    int32_t slack = QuietSlack(m, ClockFactor(m));
    if (slack <= 0) return 0;
    const int32_t start = slack;
    const int32_t made = RunInstructions(m, ClockFactor(m), slack, most);
    if (made > 0) {
        // Every step cost its cycles times the one factor, which no quiet
        // step changes (asked again, so that the loop need not keep it);
        // all of them together less than 2^32 ticks (the slack, and the
        // overshoot of one step at most).
        const auto factor = static_cast<uint32_t>(ClockFactor(m));
        const uint32_t spent = static_cast<uint32_t>(start) - static_cast<uint32_t>(slack);
        SpendSteps(m, static_cast<uint32_t>(made), factor == 1 ? spent : spent / factor, static_cast<int32_t>(spent));
    }
    return made;
}

// The processor step alone, as the Debug Window's single step makes it:
// counted in the clock, with nothing of a run around it (no clock factor,
// no budget, no timer line), so the timer line stands still while the
// processor is stepped by hand. Returns the step's cycles.
inline int32_t BareStep(Machine& m) {
    const int32_t cycles = CpuStep(m);
    CountSteps(m.Clock, 1, static_cast<uint32_t>(cycles));
    return cycles;
}

}  // namespace varnox
