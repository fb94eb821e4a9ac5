// Stepping over, out of and to a point in code that waits for the timer
// interrupt: the debugger's steps move the machine's time as a run does,
// so the wait ends inside the debugger and leaves the machine a run with a
// breakpoint there would have left.
#include <gtest/gtest.h>

#include <memory>
#include <string_view>

#include "asm/SourceAsm.h"
#include "debugger/DebugSession.h"
#include "debugger/Stepping.h"
#include "support/AsmProgram.h"
#include "system/RunLoop.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

// wait spins until the level-1 interrupt, driven by the run loop's timer
// line, sets r7.
constexpr std::string_view Program =
    "main:   ldw sp,&HE000\n"
    "        ldw v1,tick\n"
    "        pst if,&H01\n"
    "        pst ie,&H20\n"
    "loop:   cal wait\n"
    "after:  ad r5,&H01\n"
    "        jmp loop\n"
    "wait:   ld r7,&H00\n"
    "spin:   tsb r7,&H00\n"
    "        jmp z,spin\n"
    "        rtn\n"
    "tick:   ld r7,&H01\n"
    "        rti\n";

struct Stepped {
    Machine m;
    RunControl run;
    DebugSession session;
    DebugState state;
    uint16_t At(std::string_view name) { return session.Symbols.Find(name)->Address; }
};

// Loads the program and runs it to loop in its second round: the first
// timer edge comes at once after power-on, later waits last a half period.
void Load(Stepped& s) {
    ASSERT_EQ(test::LoadSource(s.m, Program), "");
    for (const Symbol& symbol : AssembleSource(Program).Labels) s.session.Symbols.Add(symbol);
    StartMachine(s.m);
    s.run = RunControl::Started(s.m.Config.OscFreq);
    s.run.Stops.BreakAddress = s.At("loop");
    for (int stops = 0, tick = 0; stops < 2 && tick < 200; ++tick) {
        if (OnRunTimer(s.m, s.run) != RunStopKind::None) ++stops, s.run.DebugActive = 0;
    }
    s.run.Stops.BreakAddress = -1;
}

// Runs from the same start with a breakpoint at the address until it stops.
void RunToBreakpoint(Stepped& s, uint16_t address) {
    s.session.Breakpoints.Add(address);
    ContinueRun(s.m, s.run, s.session);
    for (int tick = 0; tick < 200 && OnRunTimer(s.m, s.run) == RunStopKind::None; ++tick) {
    }
}

// Steps with StepInto (as the tools window's Into does) up to the label.
void StepTo(Stepped& s, std::string_view name) {
    while (s.m.Cpu.PC != s.At(name)) StepInto(s.m, s.session, s.state);
}

StepOutcome Over(Stepped& s) { return StepOver(s.m, s.run, s.session, s.state); }
StepOutcome Out(Stepped& s) { return StepOut(s.m, s.run, s.session, s.state); }
StepOutcome ToAfter(Stepped& s) { return RunTo(s.m, s.run, s.session, s.state, s.At("after")); }

TEST(TimedStepping, AWaitForTheTimerEndsInsideTheDebuggerAsARunWouldEndIt) {
    struct Case {
        std::string_view from;
        StepOutcome (*step)(Stepped&);
    };
    const Case cases[] = {{"loop", Over}, {"spin", Out}, {"loop", ToAfter}, {"wait", ToAfter}};
    for (const Case& c : cases) {
        auto stepped = std::make_unique<Stepped>();
        auto run = std::make_unique<Stepped>();
        Load(*stepped);
        Load(*run);
        StepTo(*stepped, c.from);
        StepTo(*run, c.from);
        stepped->session.Resumed(stepped->m);
        EXPECT_EQ(c.step(*stepped), StepOutcome::Done) << c.from;
        EXPECT_GT(stepped->session.CyclesSinceStop(stepped->m), 9100u) << c.from;  // more than a run tick of waiting
        RunToBreakpoint(*run, run->At("after"));
        EXPECT_EQ(stepped->m.Cpu.PC, stepped->At("after")) << c.from;
        EXPECT_EQ(stepped->m.Cpu.MainRegisterFile[7], 1) << c.from;  // the interrupt came
        EXPECT_EQ(EncodeState(stepped->m), EncodeState(run->m)) << c.from;
        EXPECT_EQ(stepped->run.Stops.Conditions, nullptr) << c.from;
    }
}

}  // namespace
}  // namespace varnox
