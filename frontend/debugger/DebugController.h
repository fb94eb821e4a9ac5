// What the debugger's two windows share: the machine, the debug session,
// the listing's cursor, the status line, and the steps and runs both start.
// The tools window talks to this object only; the Debug Window listens to
// it, and hides or redraws when it says so.
#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <optional>

#include "core/Def.h"
#include "debugger/DebugSession.h"
#include "debugger/DebugState.h"
#include "debugger/Profiler.h"
#include "debugger/Stepping.h"
#include "debugger/SymbolFile.h"

namespace varnox {

class TDebugController : public QObject {
    Q_OBJECT
public:
    // `state` is the Debug Window's pane state: the steps put its listing
    // at the new PC. `run` is the run control of the run ticks that run
    // the machine.
    TDebugController(Machine& machine, RunControl& run, DebugState& state, QObject* parent = nullptr);
    ~TDebugController() override;

    Machine& GetMachine() const { return machine_; }
    RunControl& Control() const { return run_; }
    // Processor cycles since the window last stood still.
    uint64_t CyclesSinceStop() const { return session_.CyclesSinceStop(machine_); }
    DebugSession& Session() { return session_; }
    const DebugSession& Session() const { return session_; }
    const DebugState& State() const { return state_; }

    // The listing line the user chose last; kept across steps and stops, so
    // that run to the cursor goes where the user pointed, not to PC.
    std::optional<uint16_t> Cursor() const { return cursor_; }
    void SetCursor(std::optional<uint16_t> address) { cursor_ = address; }
    uint16_t CursorAddress() const { return cursor_.value_or(static_cast<uint16_t>(state_.ListTop)); }

    // The registers as the last step or run found them, for the changed marks.
    const CpuState& RegistersBefore() const { return before_; }

    QString Status() const { return status_; }
    void SetStatus(const QString& text);
    // What stopped the processor, or where it stands.
    void ShowStop();

    // ---- Steps and runs (the keys and buttons of both windows) ----
    void Continue();
    void StepInto();
    void StepOver();
    void StepOut();
    void RunToCursor();
    // Steps (over calls, with `over`) until PC is on another source line;
    // without source lines, one step.
    void StepLine(bool over);
    // Continue with the profiler counting, until the run stops.
    void ProfileRun();
    Profiler& GetProfiler() { return profiler_; }
    // The window is up again: the stops and the profiler come off the
    // machine, and the watch expressions are read.
    void Halted();
    // Before a run the run loop makes: the changed marks' base, the stop
    // forgotten.
    void Resume();

    void ToggleBreakpointAt(uint16_t address);
    void ToggleBreakpointAtCursor() { ToggleBreakpointAt(CursorAddress()); }
    // The listing from the address, with the cursor on it.
    void ShowInListing(uint16_t address);
    SymbolLoad LoadSymbols(const std::filesystem::path& file, SymbolTrust trust);
    // The machine or the session changed: both windows redraw.
    void Changed();

    // Requests that the window owning them carries out.
    void AskForTools() { emit ToolsWanted(); }
    void AskGoTo() { emit GoToWanted(); }
    void AskFind() { emit FindWanted(); }

signals:
    void StatusChanged(const QString& text);
    void Refreshed();
    // A step the debugger made itself ended this way.
    void Finished(StepOutcome outcome);
    // The run loop has the machine now: the windows hide.
    void Resumed();
    void ToolsWanted();
    void GoToWanted();
    void FindWanted();

private:
    void Step(StepOutcome outcome);

    Machine& machine_;
    RunControl& run_;
    DebugState& state_;
    DebugSession session_;
    Profiler profiler_;
    CpuState before_{};
    std::optional<uint16_t> cursor_;
    QString status_;
};

}  // namespace varnox
