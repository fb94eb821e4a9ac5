// The debugger's hold on the run loop: stopping it while the window is up,
// the single step, and handing over a step count or a breakpoint.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/Def.h"
#include "debugger/DebugState.h"
#include "system/RunControl.h"

namespace varnox {

// The window is up: emulation stops, any pending step count or breakpoint
// is cancelled and the listing opens at PC.
void DebugShown(const Machine& m, RunControl& run, DebugState& state);

// The window went away: emulation resumes after the run loop's pause with
// whatever the run controls set.
void DebugHidden(RunControl& run, DebugState& state);

// One step by hand, the bare processor step (DebugStep); the listing
// follows PC.
void SingleStep(Machine& m, DebugState& state);

// The typed step count: decimal, 0 when empty, at most 2147483647.
int32_t StepCountFromText(std::u16string_view text);

// The typed breakpoint: hexadecimal, 0 when empty. An address above 0xFFFF
// stays above it (capped at 0x7FFFFFFF), where PC never reaches it.
int32_t BreakAddressFromText(std::u16string_view text);

// Runs `count` steps once the window hides; false (and nothing set) for a
// count of 0 or less.
bool StartStepRun(RunStops& stops, int32_t count);

// Runs until PC reaches `address` once the window hides.
void StartBreakRun(RunStops& stops, int32_t address);

}  // namespace varnox
