// The run loop: one run tick spends a budget of oscillator ticks on
// processor steps, drives the emulated timer line and stops where the run
// control's stops say. No timer and no window here: the caller paces it.
#pragma once

#include <cstdint>

#include "core/Def.h"
#include "system/RunControl.h"

namespace varnox {

// Run ticks skipped after the debugger hides, before the processor runs.
constexpr int32_t ResumeDelayTicks = 30;

// LCD, timer, self-test counter, refresh cadence and processor to their
// power-on state; the clock's count of time goes on.
void PowerOnReset(Machine& m);

// The machine's start from its files, as the window starts it when shown:
// held keys cleared, the clock's count from 0, power-on reset. The run
// control's part is RunControl::Started.
void StartMachine(Machine& m);

// A callback run before every step (tracing).
using BeforeStepHook = void (*)(Machine& m, void* context);

// One run tick, and after every third one the machine work of a refresh
// tick (LcdRefresh, then the self-test count-down with KeyScan): the one
// clock of the emulation, whoever paces it. `hook`, when given, runs
// before every step. Returns why the run stopped after a step, with
// DebugActive then set (the caller shows the debugger), or None.
RunStopKind OnRunTimer(Machine& m, RunControl& run, BeforeStepHook hook = nullptr, void* context = nullptr);

}  // namespace varnox
