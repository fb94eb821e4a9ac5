// The run path: how the window and varnox-tool run the machine, in one
// place, so that the same inputs give the same machine in either. Both run
// whole run ticks (OnRunTimer, with the refresh cadence inside) on an
// InputPath, change held keys only between two ticks, with the same
// minimum hold, and load states the same way.
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

// At Unlimited and fast-forward, the window and the page run run ticks
// back to back while another, as long as the last one (`last` to `now`),
// still ends before `until`, when the front end must be back. Any clock:
// the window's time points, the page's milliseconds.
template <class Time>
constexpr bool AnotherTickFits(Time now, Time last, Time until) {
    return now + (now - last) < until;
}

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
