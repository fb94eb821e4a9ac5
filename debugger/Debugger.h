// What the debugger's two windows share, without a window: the machine,
// the debug session, the profiler, the listing's cursor, the registers
// before the last step or run, the status line, and every step, run and
// change the windows' keys and buttons make. The windows draw it and say
// when it changed; everything they do goes through here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/Def.h"
#include "debugger/DebugSession.h"
#include "debugger/DebugState.h"
#include "debugger/Profiler.h"
#include "debugger/Stepping.h"
#include "debugger/SymbolFile.h"
#include "system/RunControl.h"

namespace varnox {

// The tools' status line: why the machine stands still, which nothing but
// the next stop replaces, and under it what the user's last action came
// to (a breakpoint set, a field refused, a file saved).
struct StatusLine {
    std::string Stop;
    std::string Said;
    std::string Text() const;
};

class Debugger {
public:
    // `state` is the Debug Window's pane state: the steps put its listing
    // at the new PC. `run` is the run control of the run ticks that run
    // the machine: the debugger's stops hang there.
    Debugger(Machine& machine, RunControl& run, DebugState& state);
    ~Debugger();
    Debugger(const Debugger&) = delete;
    Debugger& operator=(const Debugger&) = delete;

    Machine& GetMachine() const { return machine_; }
    RunControl& Control() const { return run_; }
    DebugSession& Session() { return session_; }
    const DebugSession& Session() const { return session_; }
    const DebugState& State() const { return state_; }
    Profiler& GetProfiler() { return profiler_; }

    // The listing line the user chose last; kept across steps and stops, so
    // that run to the cursor goes where the user pointed, not to PC.
    std::optional<uint16_t> Cursor() const { return cursor_; }
    void SetCursor(std::optional<uint16_t> address) { cursor_ = address; }
    uint16_t CursorAddress() const { return cursor_.value_or(static_cast<uint16_t>(state_.ListTop)); }

    // The registers as the last step or run found them, for the changed marks.
    const CpuState& RegistersBefore() const { return before_; }
    // Processor cycles since the window last stood still.
    uint64_t CyclesSinceStop() const { return session_.CyclesSinceStop(machine_); }

    const StatusLine& Status() const { return status_; }
    // What an action of the user came to, under the stop's reason.
    void Say(std::string text);
    // Called whenever the status line changes.
    std::function<void()> StatusChanged;

    // ---- The machine stopped or goes on ----
    // The window is up again: the stops and the profiler come off the
    // machine, the watch expressions are read, and the stop is said in
    // place of all before: its reason, or where PC stands ("Stopped at 0187
    // put_bcd+6").
    void Halted();
    // Before a run the run loop makes or a step: the changed marks' base,
    // the stop forgotten.
    void Resume();
    // The machine moved while the window stood still (a reset, a state
    // loaded, the firmware reloaded): the stop's place says where PC stands
    // now; what was said stays under it.
    void Moved();

    // ---- Steps and runs (the keys and buttons of both windows) ----
    // Continue, the profiler's run and the Run buttons hand the machine to
    // the run loop with breakpoints and watchpoints armed (the window then
    // hides); a step count of 0 or less starts nothing (false).
    void Continue();
    void ProfileRun();
    bool RunSteps(int32_t count);
    void RunToAddress(int32_t address);
    // Steps the debugger makes itself, the status said; HandedOver means
    // the run loop goes on with it (the window hides).
    StepOutcome StepInto();
    StepOutcome StepOver();
    StepOutcome StepOut();
    StepOutcome RunToCursor();
    StepOutcome StepLine(bool over);

    // ---- Changes ----
    void ToggleBreakpointAt(uint16_t address);
    void ToggleBreakpointAtCursor() { ToggleBreakpointAt(CursorAddress()); }
    // The listing from the address, with the cursor on it.
    void ShowInListing(uint16_t address);
    // Reads a symbol file chosen by hand; what came of it is said.
    SymbolLoad LoadSymbols(const std::filesystem::path& file, SymbolTrust trust);
    // Reads rom.sym beside rom0.bin in `dir`, at the start; its messages
    // are said, and returned for the terminal.
    std::vector<std::string> LoadSymbolsBeside(const std::filesystem::path& dir);

private:
    StepOutcome Finish(StepOutcome outcome);
    void SayStop();
    void SetStop(std::string text);

    Machine& machine_;
    RunControl& run_;
    DebugState& state_;
    DebugSession session_;
    Profiler profiler_;
    CpuState before_{};
    std::optional<uint16_t> cursor_;
    StatusLine status_;
};

}  // namespace varnox
