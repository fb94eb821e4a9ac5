// What the debugger knows beyond the machine: symbols, breakpoints,
// watchpoints, the trace, and where a step over, a step out or a run to
// the cursor is bound. It is the run loop's stop check while a run it
// started goes on, and says why the last run stopped.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "asm/Symbols.h"
#include "core/DebugHooks.h"
#include "core/Def.h"
#include "debugger/Breakpoints.h"
#include "debugger/SourceLines.h"
#include "debugger/TraceRing.h"
#include "debugger/WatchExpressions.h"
#include "debugger/Watchpoints.h"
#include "system/RunControl.h"

namespace varnox {

// Where a step over, a step out or a run to the cursor ends: PC at the
// address with the stack at least as high as MinSp (back from the call).
struct StepTarget {
    uint16_t Pc = 0;
    bool CheckSp = false;
    uint16_t MinSp = 0;
};

enum class StopKind { None, Breakpoint, Watchpoint, Target };

struct StopReason {
    StopKind Kind = StopKind::None;
    size_t Breakpoint = 0;  // its index, for a breakpoint
    WatchHit Access;        // for a watchpoint
    uint8_t Now = 0;        // the byte after the step, for a watchpoint
};

class DebugSession final : public StopCheck {
public:
    DebugSession();
    ~DebugSession();
    DebugSession(const DebugSession&) = delete;
    DebugSession& operator=(const DebugSession&) = delete;

    SymbolTable Symbols;
    SourceMap Lines;  // the source line of each code word, from rom.sym's line rows
    BreakpointList Breakpoints;
    WatchpointList Watchpoints;
    TraceRing Trace;
    WatchExpressionList Expressions;  // shown at every stop, changed ones marked

    const SymbolTable* Names() const { return Symbols.Empty() ? nullptr : &Symbols; }

    // Hangs the stop check among the run's stops and the watch on the
    // machine for a run that the run loop makes; Disarm takes both off (the
    // window is up again).
    void Arm(Machine& m, RunStops& stops, std::optional<StepTarget> target = std::nullopt);
    void Disarm(Machine& m);

    // Processor cycles of the steps made from Resumed (the debugger let the
    // machine go, or stepped it) up to Halted (the window stood still
    // again), read from the machine's clock; the steps of a run the
    // debugger did not start are not its own and do not count.
    void Resumed(const Machine& m);
    void Halted(const Machine& m);
    uint64_t CyclesSinceStop(const Machine& m) const;

    // Before a step the debugger makes itself: the watch set, its last hit
    // forgotten.
    void PrepareStep(Machine& m);
    // After any step, the run loop's or the debugger's: records the trace
    // and tells whether a breakpoint, a watchpoint or the target stops.
    bool AfterStep(Machine& m, int32_t cycles);

    bool ShouldStop(Machine& m) override;

    // At a stop (the window up again after a run or a step): the watch
    // expressions read, those that moved marked.
    void NoteStop(const Machine& m) { Expressions.Update(m); }

    const StopReason& LastStop() const { return stop_; }
    void ForgetStop() { stop_ = {}; }
    // "Breakpoint 1 at 012C calc_enter", "Watch: write ...", or "".
    std::string StopText() const;

private:
    std::unique_ptr<AccessWatch> watch_;  // 64 KB, so not inline
    std::optional<uint64_t> watchFilled_;  // the Watchpoints version it holds
    std::optional<StepTarget> target_;
    RunStops* armed_ = nullptr;  // where Arm hung the stop check
    StopReason stop_;
    uint64_t cycles_ = 0;                  // counted up to Halted
    std::optional<uint64_t> cyclesFrom_;   // the clock's cycles at Resumed, while counting
};

}  // namespace varnox
