// The debugger's two windows over one Debugger (debugger/Debugger.h, where
// the steps, runs, status and changes are made): this object says to the
// windows what came of them. The tools window talks to this object only;
// the Debug Window listens to it, and hides or redraws when it says so.
#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <optional>

#include "core/Def.h"
#include "debugger/Debugger.h"

namespace varnox {

class TDebugController : public QObject {
    Q_OBJECT
public:
    // `state` is the Debug Window's pane state: the steps put its listing
    // at the new PC. `run` is the run control of the run ticks that run
    // the machine.
    TDebugController(Machine& machine, RunControl& run, DebugState& state, QObject* parent = nullptr);

    Debugger& Core() { return debugger_; }
    // What the tabs read and change in place (then they call Changed).
    Machine& GetMachine() const { return debugger_.GetMachine(); }
    RunControl& Control() const { return debugger_.Control(); }
    uint64_t CyclesSinceStop() const { return debugger_.CyclesSinceStop(); }
    DebugSession& Session() { return debugger_.Session(); }
    const DebugSession& Session() const { return debugger_.Session(); }
    Profiler& GetProfiler() { return debugger_.GetProfiler(); }
    const CpuState& RegistersBefore() const { return debugger_.RegistersBefore(); }
    std::optional<uint16_t> Cursor() const { return debugger_.Cursor(); }
    void SetCursor(std::optional<uint16_t> address) { debugger_.SetCursor(address); }
    uint16_t CursorAddress() const { return debugger_.CursorAddress(); }

    // The status line: the stop's reason, then what the last action said.
    QString Status() const { return QString::fromStdString(debugger_.Status().Text()); }
    void SetStatus(const QString& text) { debugger_.Say(text.toStdString()); }

    // ---- Steps and runs (the keys and buttons of both windows) ----
    void Continue();
    void StepInto();
    void StepOver();
    void StepOut();
    void RunToCursor();
    void StepLine(bool over);
    void ProfileRun();
    // The Debug Window's Run buttons; false when the count starts nothing.
    bool RunSteps(int32_t count);
    void RunToAddress(int32_t address);

    void ToggleBreakpointAt(uint16_t address);
    void ToggleBreakpointAtCursor() { ToggleBreakpointAt(CursorAddress()); }
    // The listing from the address, with the cursor on it.
    void ShowInListing(uint16_t address);
    SymbolLoad LoadSymbols(const std::filesystem::path& file, SymbolTrust trust);
    // The machine or the session changed: both windows redraw.
    void Changed() { emit Refreshed(); }

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
    void Stepped(StepOutcome outcome);

    Debugger debugger_;
};

}  // namespace varnox
