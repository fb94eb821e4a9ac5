// What the debugger's windows do, without the windows: steps by source
// line and by call, the status line with a stop's reason first, the
// breakpoint of the cursor, and a run handed to the run loop, on a program
// assembled with its source lines.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

#include "asm/SourceAsm.h"
#include "debugger/Debugger.h"
#include "support/AsmProgram.h"
#include "support/DebugProgram.h"
#include "system/RunLoop.h"

namespace varnox {
namespace {

constexpr std::string_view Program = test::DebugProgram;

class Desk : public ::testing::Test {
protected:
    void Load(std::string_view program, bool lines = true) {
        ASSERT_EQ(test::LoadSource(m, program), "");
        SourceOptions options;
        options.FileName = "main.asm";
        const SourceImages images = AssembleSource(program, options);
        for (const Symbol& symbol : images.Labels) debugger.Session().Symbols.Add(symbol);
        if (lines) {
            for (const SourceLineRow& row : images.Lines) debugger.Session().Lines.Add(row);
        }
        StartMachine(m);
        run = RunControl::Started(m.Config.OscFreq);
        run.DebugActive = 1;  // the window is up
        debugger.Halted();
    }
    // The window hides, the run loop runs until it stops, the window shows.
    void RunUntilShown() {
        run.DebugActive = 0;
        for (int tick = 0; tick < 100 && OnRunTimer(m, run) == RunStopKind::None; ++tick) {
        }
        ASSERT_EQ(run.DebugActive, 1);
        debugger.Halted();
    }
    Machine m;
    RunControl run;
    DebugState state;
    Debugger debugger{m, run, state};
};

TEST_F(Desk, StepsByLineAndByCallSayWhereTheyStop) {
    Load(Program);
    using Action = std::function<StepOutcome(Debugger&)>;
    const Action lineInto = [](Debugger& d) { return d.StepLine(false); };
    const Action lineOver = [](Debugger& d) { return d.StepLine(true); };
    const Action out = [](Debugger& d) { return d.StepOut(); };
    const Action toCursor = [](Debugger& d) { return d.RunToCursor(); };
    const struct {
        Action action;
        StepOutcome outcome;
        int pc;
        std::string_view status;
    } steps[] = {
        {lineInto, StepOutcome::Done, 1, "Stopped at 0001 main+1"},
        {lineInto, StepOutcome::Done, 2, "Stopped at 0002 again"},
        {lineOver, StepOutcome::Done, 3, "Stopped at 0003 after"},  // the whole call
        {lineInto, StepOutcome::Done, 2, "Stopped at 0002 again"},
        {lineInto, StepOutcome::Done, 4, "Stopped at 0004 outer"},
        {lineInto, StepOutcome::Done, 6, "Stopped at 0006 inner"},
        {out, StepOutcome::Done, 5, "Stopped at 0005 outer+1"},
        {out, StepOutcome::Done, 3, "Stopped at 0003 after"},
        {out, StepOutcome::NoCaller, 3, "Stopped at 0003 after\nNo call on the stack to step out of"},
        {toCursor, StepOutcome::Done, 8, "Stopped at 0008 inner+2"},  // the cursor set below
    };
    for (const auto& step : steps) {
        if (step.pc == 8) debugger.SetCursor(8);
        EXPECT_EQ(step.action(debugger), step.outcome) << step.status;
        EXPECT_EQ(m.Cpu.PC, step.pc) << step.status;
        EXPECT_EQ(state.ListTop, m.Cpu.PC) << step.status;
        EXPECT_EQ(debugger.Status().Text(), step.status);
    }
    EXPECT_EQ(m.DataRam[0x10], 2);  // the first step out ran the rest of inner
}

// A stop's reason stays first until the next stop; what an action says
// comes under it, and the next stop replaces both.
TEST_F(Desk, AStopsReasonStaysFirst) {
    Load(Program);
    int told = 0;
    debugger.StatusChanged = [&told] { ++told; };
    debugger.ToggleBreakpointAt(6);
    EXPECT_EQ(debugger.Status().Text(), "Stopped at 0000 main\nBreakpoint set at 0006 inner");
    debugger.Continue();
    RunUntilShown();
    EXPECT_EQ(debugger.Status().Text(), "Breakpoint 1 at 0006 inner (hit 1)");
    debugger.Say("Found at C010");
    EXPECT_EQ(debugger.Status().Text(), "Breakpoint 1 at 0006 inner (hit 1)\nFound at C010");
    EXPECT_TRUE(debugger.RunSteps(2));
    RunUntilShown();
    EXPECT_EQ(debugger.Status().Text(), "Stopped at 0008 inner+2");
    EXPECT_FALSE(debugger.RunSteps(0));
    // A reset while the window is up: the place changes, what was said stays.
    debugger.Say("Found at C010");
    PowerOnReset(m);
    debugger.Moved();
    EXPECT_EQ(debugger.Status().Text(), "Stopped at 0000 main\nFound at C010");
    EXPECT_EQ(told, 6);
}

// A line that never ends ends the step at its bound; without source lines
// a line step is one step.
TEST_F(Desk, ALineStepIsBounded) {
    const struct {
        std::string_view program;
        bool lines;
        int pc;
        uint64_t steps;
    } cases[] = {
        {"main:   jmp main\n", true, 0, LineStepLimit},
        {Program, false, 1, 1},
    };
    for (const auto& c : cases) {
        m = Machine{};
        debugger.Session().Lines.Clear();
        Load(c.program, c.lines);
        const TraceRing& trace = debugger.Session().Trace;
        debugger.Session().Trace.Clear();
        EXPECT_EQ(debugger.StepLine(false), StepOutcome::Done);
        EXPECT_EQ(m.Cpu.PC, c.pc);
        // Steps of one instruction cost alike: the steps made from the cycles.
        ASSERT_GT(trace.Size(), 0u);
        EXPECT_EQ(trace.At(trace.Size() - 1).Total / static_cast<uint64_t>(trace.At(0).Cycles), c.steps);
    }
}

}  // namespace
}  // namespace varnox
