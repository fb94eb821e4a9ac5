// One step of the machine as a run makes it: the clock factor taken from
// IE before the step, the processor step, its cost taken from the cycle
// budget and the emulated timer line driven by it. The run loop and the
// debugger's stepping both make their steps here, so a step the debugger
// makes moves the machine's time as a run would.
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

// The emulated timer line (IF bit 2) after a step that cost `cost` ticks.
inline void RunTimerLine(Machine& m, int32_t cost) {
    if (!TimerLineRuns(m)) {
        m.Clock.TimerCountdown = WrappingMul(m.Lcd.TimerPeriod, 2);
        m.Cpu.IF &= static_cast<uint8_t>(~IfTimerLine);
        return;
    }
    CountTimerLine(m, cost);
}

// One step as a run makes it: returns its cost in oscillator ticks (its
// cycles times the clock factor), already taken from CycleBudget, with the
// timer line moved on. The processor's own cycles stay in Cpu.StepCycles.
inline int32_t MachineStep(Machine& m) {
    const int32_t factor = ClockFactor(m);
    const int32_t cost = WrappingMul(CpuStep(m), factor);
    m.Cpu.CycleBudget = WrappingSub(m.Cpu.CycleBudget, cost);
    RunTimerLine(m, cost);
    return cost;
}

}  // namespace varnox
