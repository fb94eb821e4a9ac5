// The run loop: one run tick spends a budget of oscillator ticks on
// processor steps, drives the emulated timer line and stops on a step count
// or breakpoint. No timer and no window here: the caller paces it.
#pragma once

#include <cstdint>

#include "core/Def.h"

namespace varnox {

// Run ticks skipped after the debugger hides, before the processor runs.
constexpr int32_t ResumeDelayTicks = 30;

// LCD, timer, self-test counter, refresh cadence and processor to their
// power-on state.
void PowerOnReset(Machine& m);

// Interval (ms) x OscFreq, wrapping instead of overflowing.
int32_t ComputeCyclesPerTick(int32_t intervalMs, int32_t oscFreq);

// What the window does when shown, minus the drawing: held keys cleared,
// run control off, cycle grant computed, power-on reset.
void StartMachine(Machine& m, int32_t intervalMs = 10);

// One run tick, and after every third one the machine work of a refresh
// tick (LcdRefresh, then the self-test count-down with KeyScan): the one
// clock of the emulation, whoever paces it. Returns true when the loop
// stopped on StepCount, BreakAddress or the debugger's Stops (DebugActive
// is then set); the
// caller shows the debugger.
bool OnRunTimer(Machine& m);

// The same tick with a callback run before every CpuStep (tracing).
using BeforeStepHook = void (*)(Machine& m, void* context);
bool OnRunTimerTraced(Machine& m, BeforeStepHook hook, void* context);

}  // namespace varnox
