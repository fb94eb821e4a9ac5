// The debugger's session without a window: breakpoints with conditions and
// hit counts, watchpoints, stepping over, out and to an address, the call
// stack, the trace ring and the symbol file beside the ROM, on programs
// written as assembly text and run by the run loop as the window runs it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "asm/SourceAsm.h"
#include "core/Crc32.h"
#include "debugger/CallStack.h"
#include "debugger/DebugSession.h"
#include "debugger/Stepping.h"
#include "debugger/SymbolFile.h"
#include "debugger/WatchExpressions.h"
#include "support/AsmProgram.h"
#include "support/ScratchDir.h"
#include "system/RunLoop.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

// main calls outer, which calls inner twice; inner counts in RAM at C010
// through ix; main then loops for ever, and `spin` never returns.
constexpr std::string_view Program =
    "main:   ldw sp,&HE000\n"
    "        ldw ix,&HC010\n"
    "        ld r5,&H00\n"
    "again:  cal outer\n"
    "after:  ad r5,&H01\n"
    "        jmp again\n"
    "outer:  cal inner\n"
    "        cal inner\n"
    "back:   rtn\n"
    "inner:  ld r6,(ix+&H00)\n"
    "        ad r6,&H01\n"
    "        st (ix+&H00),r6\n"
    "        rtn\n"
    "spin:   jmp spin\n"
    "        ram &HC010\n"
    "count:  ds 1\n";

class Session : public ::testing::Test {
protected:
    void SetUp() override {
        session.Disarm(m);
        m = Machine{};
        ASSERT_EQ(test::LoadSource(m, Program), "");
        for (const Symbol& symbol : AssembleSource(Program).Labels) session.Symbols.Add(symbol);
        StartMachine(m);
        run = RunControl::Started(m.Config.OscFreq);
    }
    uint16_t At(std::string_view name) { return session.Symbols.Find(name)->Address; }
    // Run ticks until the run loop stops; the ticks taken, or -1.
    int RunUntilStopped(int limit = 200) {
        for (int tick = 1; tick <= limit; ++tick) {
            if (OnRunTimer(m, run) != RunStopKind::None) return tick;
        }
        return -1;
    }
    void StepTo(std::string_view name) {
        while (m.Cpu.PC != At(name)) StepInto(m, session, state);
    }

    Machine m;
    RunControl run;
    DebugSession session;
    DebugState state;
};

TEST_F(Session, ConditionsParseAndRead) {
    struct Case {
        std::string_view text;
        std::string_view shown;  // "" when refused
    };
    const Case cases[] = {
        {"r5 == 3", "r5 == 3"},        {"ix>=c000", "ix >= C000"},  {"[count] != 0", "[count] != 0"},
        {"[C011] < 2", "[C011] < 2"},  {"f & 80", "f & 80"},        {"sp <= after", "sp <= 4"},
        {"r128 == 1", ""},             {"r5", ""},                  {"q == 1", ""},
        {"[nowhere] == 1", ""},        {"r5 == zz", ""},
        {"r5 == #10", "r5 == A"},      {"r5 == #65536", ""},        {"r5 == #", ""},
        {"r5==1&&[count]>#2||sp<D000", "r5 == 1 && [count] > 2 || sp < D000"},
        {"r5 == 1 &&", ""},            {"|| r5 == 1", ""},
    };
    for (const Case& c : cases) {
        const ConditionValue parsed = ParseCondition(c.text, &session.Symbols);
        EXPECT_EQ(parsed.Condition.has_value(), !c.shown.empty()) << c.text;
        const std::string shown = parsed.Condition ? ConditionText(*parsed.Condition, &session.Symbols) : "";
        EXPECT_EQ(shown, c.shown) << c.text;
        EXPECT_EQ(parsed.Problem.empty(), !c.shown.empty()) << c.text;
    }
}

TEST_F(Session, BreakpointsStopWithConditionsAndHitCounts) {
    struct Case {
        std::string_view condition;
        uint32_t hitCount;
        int expectedR5;  // r5 counts the rounds of main
    };
    const Case cases[] = {{"", 0, 0}, {"", 3, 2}, {"r5 == 4", 0, 4}, {"[count] >= 6", 0, 2}, {"r5 >= 4", 2, 5},
                          {"r5 >= 1 && [count] >= 8", 0, 3}, {"r5 == #4 || [count] == #6", 0, 2}};
    for (const Case& c : cases) {
        SetUp();
        session.Breakpoints.Clear();
        const size_t index = session.Breakpoints.Add(At("after"));
        session.Breakpoints.SetCondition(index, ParseCondition(c.condition, &session.Symbols).Condition);
        session.Breakpoints.SetHitCount(index, c.hitCount);
        ContinueRun(m, run, session);
        ASSERT_GT(RunUntilStopped(), 0) << c.condition;
        EXPECT_EQ(m.Cpu.PC, At("after"));
        EXPECT_EQ(m.Cpu.MainRegisterFile[5], c.expectedR5) << c.condition << " from hit " << c.hitCount;
        EXPECT_EQ(session.LastStop().Kind, StopKind::Breakpoint);
    }
    // Disabled, it lets the run go on.
    session.Breakpoints.SetEnabled(0, false);
    session.Disarm(m);
    run.DebugActive = 0;
    ContinueRun(m, run, session);
    EXPECT_EQ(RunUntilStopped(5), -1);
}

TEST_F(Session, WatchpointsStopAfterTheAccessAndSayWhatItWas) {
    struct Case {
        std::string_view watch;
        uint8_t kind;
        uint16_t address;
    };
    const Case cases[] = {
        {"count:w", AccessWrite, 0xC010},
        {"count:r", AccessRead, 0xC010},
        {"4010", AccessRead, 0xC010},   // RAM seen at another address is the same byte
        {"DFF0-DFFF:w", AccessWrite, 0xDFFF},  // the stack of the first call
    };
    for (const Case& c : cases) {
        SetUp();
        session.Watchpoints.Clear();
        session.Watchpoints.Add(*ParseWatchText(c.watch, &session.Symbols).Range);
        ContinueRun(m, run, session);
        ASSERT_GT(RunUntilStopped(), 0) << c.watch;
        const StopReason& stop = session.LastStop();
        ASSERT_EQ(stop.Kind, StopKind::Watchpoint) << c.watch;
        EXPECT_EQ(stop.Access.Kind, c.kind) << c.watch;
        EXPECT_EQ(stop.Access.Address, c.address) << c.watch;
        session.Disarm(m);
        EXPECT_EQ(m.Watch, nullptr);
    }
    SetUp();
    session.Watchpoints.Clear();
    session.Watchpoints.Add(*ParseWatchText("count:w", &session.Symbols).Range);
    ContinueRun(m, run, session);
    RunUntilStopped();
    EXPECT_EQ(session.StopText(), "Watch: write C010 00 -> 01 at 000B (inner+2), count");
}

TEST_F(Session, StepOverOutAndToAnAddress) {
    StepTo("again");
    EXPECT_EQ(StepOver(m, run, session, state), StepOutcome::Done);  // the whole call of outer
    EXPECT_EQ(m.Cpu.PC, At("after"));
    EXPECT_EQ(m.DataRam[0x10], 2);
    EXPECT_EQ(state.ListTop, m.Cpu.PC);

    StepTo("inner");
    const std::vector<CallFrame> frames = ReadCallStack(m);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(CallFrameText(frames[0], &session.Symbols), "0007 outer+1 <- cal inner");
    EXPECT_EQ(CallFrameText(frames[1], &session.Symbols), "0004 after <- cal outer");
    EXPECT_EQ(StepOut(m, run, session, state), StepOutcome::Done);
    EXPECT_EQ(m.Cpu.PC, At("outer") + 1);
    EXPECT_EQ(StepOut(m, run, session, state), StepOutcome::Done);
    EXPECT_EQ(m.Cpu.PC, At("after"));
    EXPECT_EQ(StepOut(m, run, session, state), StepOutcome::NoCaller);

    EXPECT_EQ(RunTo(m, run, session, state, At("back")), StepOutcome::Done);
    EXPECT_EQ(m.Cpu.PC, At("back"));

    // A breakpoint inside the call stops the step over there.
    StepTo("again");
    session.Breakpoints.Add(At("inner"));
    EXPECT_EQ(StepOver(m, run, session, state), StepOutcome::Stopped);
    EXPECT_EQ(m.Cpu.PC, At("inner"));
    EXPECT_EQ(run.Stops.Conditions, nullptr);
}

TEST_F(Session, WatchExpressionsMarkWhatChangedAtEachStop) {
    struct Case {
        std::string_view text;
        std::string_view problem;  // the start of it; "" when taken
    };
    const Case cases[] = {{"r5", ""}, {"[count]", ""}, {"word [C00F]", ""}, {"IX", ""}, {"pc", ""},
                          {"q", "'q' is neither"}, {"word r5", "word takes"}, {"[nowhere]", "no symbol"}};
    for (const Case& c : cases) {
        EXPECT_EQ(session.Expressions.Add(c.text, &session.Symbols).substr(0, c.problem.size()), c.problem) << c.text;
    }
    ASSERT_EQ(session.Expressions.Size(), 5u);
    const auto shown = [this] {
        std::string text;
        for (const WatchExpression& e : session.Expressions.All()) text += WatchValueText(e) + (e.Changed ? "* " : " ");
        return text;
    };
    StepTo("again");
    EXPECT_EQ(shown(), "00 (0) 00 (0) 0000 (0) C010 (49168) 0003 (3)* ");  // stepped from 0002
    StepOver(m, run, session, state);
    EXPECT_EQ(shown(), "00 (0) 02 (2)* 0200 (512)* C010 (49168) 0004 (4)* ");
    StepInto(m, session, state);
    EXPECT_EQ(shown(), "01 (1)* 02 (2) 0200 (512) C010 (49168) 0005 (5)* ");
}

TEST_F(Session, AWayLongerThanASecondIsHandedToTheRunLoop) {
    EXPECT_EQ(RunTo(m, run, session, state, At("spin")), StepOutcome::HandedOver);
    EXPECT_EQ(run.Stops.Conditions, &session);
    // It never gets there: main never calls spin. F3 ends it as any run.
    EXPECT_EQ(RunUntilStopped(3), -1);
    session.Disarm(m);
    EXPECT_EQ(run.Stops.Conditions, nullptr);
}

TEST_F(Session, TheTraceKeepsTheLastStepsWithoutGrowing) {
    for (int i = 0; i < 5; ++i) StepInto(m, session, state);
    EXPECT_EQ(session.Trace.Size(), 5u);
    EXPECT_EQ(session.Trace.At(0).Pc, 0);
    EXPECT_EQ(TraceEntryText(session.Trace.At(3), &session.Symbols).substr(0, 22), "0003: cal   outer     ");
    EXPECT_NE(TraceEntryText(session.Trace.At(0), nullptr).find("sp=E000 CYC=4 T=4"), std::string::npos);
    ContinueRun(m, run, session);
    run.Stops.StepCount = static_cast<int32_t>(TraceCapacity) + 100;
    RunUntilStopped(2000);
    EXPECT_EQ(session.Trace.Size(), TraceCapacity);
    const std::string text = session.Trace.Text(nullptr);
    EXPECT_EQ(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')), TraceCapacity);
}

TEST_F(Session, SymbolFileBesideTheRomIsCheckedBeforeUse) {
    test::ScratchDir dir;
    const std::string good = SymbolFileText(session.Symbols.All(), Crc32(m.InstrRom));
    struct Case {
        std::string_view name;
        std::string text;
        size_t symbols;
        std::string_view message;  // the start of the first message, or ""
    };
    const Case cases[] = {
        {"matching", good, session.Symbols.All().size(), ""},
        {"older build", SymbolFileText(session.Symbols.All(), 0), 0, "written for another rom0.bin"},
        {"malformed line", "code 0001 one\nbad line\n", 1, ":2: expected"},
        {"code off the ROM", "code 1800 high\n", 0, ": code symbol 'high' at 1800"},
    };
    for (const Case& c : cases) {
        dir.WriteText("rom.sym", c.text);
        const SymbolLoad load = LoadSymbolsBeside(dir.path(), m);
        EXPECT_EQ(load.Table.All().size(), c.symbols) << c.name;
        if (c.message.empty()) {
            EXPECT_TRUE(load.Messages.empty()) << c.name;
        } else {
            ASSERT_FALSE(load.Messages.empty()) << c.name;
            EXPECT_NE(load.Messages[0].find(c.message), std::string::npos) << load.Messages[0];
            EXPECT_NE(load.Messages[0].find("rom.sym"), std::string::npos) << load.Messages[0];
        }
    }
    // Chosen by hand, an older build's names are used, with the warning.
    dir.WriteText("old.sym", SymbolFileText(session.Symbols.All(), 0));
    EXPECT_EQ(LoadSymbolFile(dir.path() / "old.sym", m, SymbolTrust::Anyway).Table.All().size(), session.Symbols.All().size());
    // Missing: nothing said. A pipe or a directory: said, without waiting on it.
    std::filesystem::remove(dir.path() / "rom.sym");
    EXPECT_TRUE(LoadSymbolsBeside(dir.path(), m).Messages.empty());
    ASSERT_EQ(::mkfifo((dir.path() / "rom.sym").c_str(), 0600), 0);
    EXPECT_NE(LoadSymbolsBeside(dir.path(), m).Messages.at(0).find("not a regular file"), std::string::npos);
    std::filesystem::remove(dir.path() / "rom.sym");
    std::filesystem::create_directory(dir.path() / "rom.sym");
    EXPECT_EQ(LoadSymbolsBeside(dir.path(), m).Table.All().size(), 0u);
}

// The Cycles row: the processor cycles from the debugger letting the
// machine go (or stepping it) to the window standing still again, read
// from the machine's clock; a run the debugger did not start adds nothing.
TEST_F(Session, CyclesSinceTheStopAreTheClocksWhileTheDebuggerHasTheRun) {
    session.Resumed(m);
    const int64_t from = m.Clock.Cycles;
    for (int i = 0; i < 3; ++i) StepInto(m, session, state);
    EXPECT_EQ(session.CyclesSinceStop(m), static_cast<uint64_t>(m.Clock.Cycles - from));
    EXPECT_GT(session.CyclesSinceStop(m), 0u);
    StepTo("again");
    EXPECT_EQ(StepOver(m, run, session, state), StepOutcome::Done);
    const uint64_t stepped = static_cast<uint64_t>(m.Clock.Cycles - from);
    EXPECT_EQ(session.CyclesSinceStop(m), stepped);
    session.Halted(m);
    for (int tick = 0; tick < 5; ++tick) OnRunTimer(m, run);  // the window closed: a free run
    EXPECT_EQ(session.CyclesSinceStop(m), stepped);
    session.Resumed(m);
    EXPECT_EQ(session.CyclesSinceStop(m), 0u);
}

}  // namespace
}  // namespace varnox
