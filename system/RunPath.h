// The run path under every session (system/Session.h): whole run ticks
// (OnRunTimer, with the refresh cadence inside) on an InputPath, held keys
// changed only between two ticks, with the same minimum hold, and states
// loaded the same way; and runs of ticks on a bare path, for tests and
// benchmarks that need no session.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "core/Def.h"
#include "system/InputPath.h"
#include "system/RunLoop.h"

namespace varnox {

// Key `key` held as the PC key from run tick `from` up to run tick `until`,
// counted from the start of the run.
struct KeyHold {
    int key = 0;
    long long from = 0;
    long long until = 0;
};

// The holds' presses and releases due before run tick `tick` of the run,
// handed to the input path (which keeps each press at least MinHoldTicks);
// releases first, so a hold that starts where another ends wins.
void ApplyKeyHolds(InputPath& path, std::span<const KeyHold> holds, long long tick);

// What loading a state leaves for the keys: the mouse and PC keys it held
// are held by no one now and are let go; the print switch stays where the
// state has it.
void ReleaseUnheldKeys(Machine& m);

// Loads a state file to run on from it (LoadStateFile, then
// ReleaseUnheldKeys); on failure returns the message naming the file and
// changes nothing.
std::optional<std::string> LoadStateToRun(Machine& m, const std::filesystem::path& file);

struct TicksRun {
    long long ticks = 0;   // run ticks made
    long long steps = 0;   // steps they made
    bool stopped = false;  // a stop ended the last one
};

// What watches the machine after each run tick (a clip of the display).
using AfterTickWatch = std::function<void(const Machine& m)>;

// Runs `count` run ticks back to back, holds applied at the tick
// boundaries, `hook` (when given) before every step, `afterTick` (when
// given) after every tick. Ends early when a stop ends a tick or the
// debugger holds the machine.
TicksRun RunTicks(InputPath& path, long long count, std::span<const KeyHold> holds = {}, BeforeStepHook hook = nullptr,
                  void* context = nullptr, const AfterTickWatch& afterTick = {});
// The same on a path of its own.
TicksRun RunTicks(Machine& m, long long count, std::span<const KeyHold> holds = {}, BeforeStepHook hook = nullptr,
                  void* context = nullptr);

}  // namespace varnox
