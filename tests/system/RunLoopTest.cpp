// The run tick: budget and overshoot, stops on step count and breakpoint, the
// resume delay, the clock factor and the emulated timer line.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "core/Def.h"
#include "support/MachineBuilder.h"
#include "system/RunLoop.h"

namespace varnox {
namespace {

constexpr unsigned Nop = 0x0FA;  // 4 cycles

// A machine of nops, started, with the run control the window starts with.
struct NopRun {
    std::unique_ptr<Machine> m = test::NewMachine();
    RunControl run;
    NopRun() {
        for (int w = 0; w < InstrRomWords; ++w) test::PutWord(*m, static_cast<uint16_t>(w), Nop);
        StartMachine(*m);
        run = RunControl::Started(m->Config.OscFreq);
    }
    Machine* operator->() { return m.get(); }
    Machine& operator*() { return *m; }
};

// Runs one tick and returns how many steps it made.
long long TickSteps(NopRun& n, bool* stopped = nullptr) {
    long long steps = 0;
    const RunStopKind stop = OnRunTimer(*n, n.run, [](Machine&, void* c) { ++*static_cast<long long*>(c); }, &steps);
    if (stopped) *stopped = stop != RunStopKind::None;
    return steps;
}

TEST(RunLoop, DefaultTickGrantsOscillatorTicksAndCarriesOvershoot) {
    NopRun m;
    EXPECT_EQ(m.run.CyclesPerTick, 9100);
    EXPECT_EQ(TickSteps(m), 9100 / 4);
    EXPECT_EQ(m->Cpu.CycleBudget, 0);

    m.run.CyclesPerTick = 10;
    m->Cpu.CycleBudget = 0;
    EXPECT_EQ(TickSteps(m), 3);  // 10 -> 6 -> 2 -> -2
    EXPECT_EQ(m->Cpu.CycleBudget, -2);
    EXPECT_EQ(TickSteps(m), 2);  // 8 -> 4 -> 0
    EXPECT_EQ(m->Cpu.CycleBudget, 0);
}

TEST(RunLoop, StepCountStopsAfterExactlyThatManySteps) {
    NopRun m;
    m.run.Stops.StepCount = 5000;  // more than one tick's worth
    bool stopped = false;
    long long steps = 0;
    int ticks = 0;
    while (!stopped && ticks < 10) {
        steps += TickSteps(m, &stopped);
        ++ticks;
    }
    EXPECT_TRUE(stopped);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(steps, 5000);
    EXPECT_EQ(m.run.DebugActive, 1);
    EXPECT_EQ(m->Cpu.CycleBudget, 0);
    // Stopped: the next ticks execute nothing.
    EXPECT_EQ(TickSteps(m), 0);
}

TEST(RunLoop, BreakpointStopsBeforeTheInstructionRuns) {
    NopRun m;
    m.run.Stops.BreakAddress = 0x0123;
    bool stopped = false;
    EXPECT_EQ(TickSteps(m, &stopped), 0x123);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(m->Cpu.PC, 0x0123);

    // The step count is tested first within the same step.
    NopRun n;
    n.run.Stops.BreakAddress = 2;
    n.run.Stops.StepCount = 2;
    EXPECT_EQ(TickSteps(n, &stopped), 2);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(n.run.Stops.StepCount, 0);
}

TEST(RunLoop, ResumeDelayHoldsTheBudgetAtZero) {
    NopRun m;
    m.run.ResumeDelay = 30;
    m->Cpu.CycleBudget = 500;
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(TickSteps(m), 0);
        EXPECT_EQ(m->Cpu.CycleBudget, 0);
    }
    EXPECT_EQ(TickSteps(m), 9100 / 4);
}

TEST(RunLoop, ClockFactorFromIe) {
    NopRun m;
    m->Cpu.IE = 0x80;  // half speed
    EXPECT_EQ(TickSteps(m), 9100 / 8 + 1);
    m->Cpu.CycleBudget = 0;
    m->Cpu.IE = 0x84;  // slow mode: 4 x TimerPeriod ticks per cycle
    m->Lcd.TimerPeriod = 8192;
    EXPECT_EQ(TickSteps(m), 1);
    EXPECT_EQ(m->Cpu.CycleBudget, 9100 - 4 * 4 * 8192);
    // The debt is paid off over the following ticks.
    EXPECT_EQ(TickSteps(m), 0);
}

TEST(RunLoop, TimerLineTogglesAndRequestsLevelOneOnRisingEdges) {
    NopRun m;
    m->Lcd.LcdControl = LcdPowered;
    m->Lcd.TimerPeriod = 4;  // toggles every 8 ticks: every second nop
    m->Cpu.IE = 0x20;
    m.run.CyclesPerTick = 4;
    std::vector<int> line;
    for (int i = 0; i < 6; ++i) {
        m->Cpu.CycleBudget = 0;
        TickSteps(m);
        line.push_back((m->Cpu.IF >> 2) & 1);
        if (i == 0) {
            EXPECT_NE(m->Cpu.IrqPending[1], 0);
        }
    }
    EXPECT_EQ(line, (std::vector<int>{1, 1, 0, 0, 1, 1}));
}

TEST(RunLoop, TimerLineToggledOnlyOncePerLongStep) {
    NopRun m;
    m->Lcd.LcdControl = LcdPowered;
    m->Lcd.TimerPeriod = 1;  // half period 2, a nop costs 4
    m.run.CyclesPerTick = 4;
    TickSteps(m);
    EXPECT_EQ(m->Cpu.IF & 0x04, 0x04);
    EXPECT_EQ(m->Clock.TimerCountdown, 2);
}

TEST(RunLoop, TimerLineHeldClearWhenUnpoweredOrSlow) {
    NopRun m;
    m->Cpu.IE = 0x20;
    m->Lcd.LcdControl = 0;
    m->Cpu.IF = 0x04;
    TickSteps(m);
    EXPECT_EQ(m->Cpu.IF & 0x04, 0);
    EXPECT_EQ(m->Cpu.IrqPending[1], 0);
    m->Lcd.LcdControl = LcdPowered;
    m->Cpu.IE = 0xA4;
    m->Cpu.IF = 0x04;
    m->Cpu.CycleBudget = 0;
    TickSteps(m);
    EXPECT_EQ(m->Cpu.IF & 0x04, 0);
    EXPECT_EQ(m->Cpu.IrqPending[1], 0);
    EXPECT_EQ(m->Clock.TimerCountdown, 2 * m->Lcd.TimerPeriod);
}

TEST(RunLoop, NonPositiveOrHugeOscillatorSettingsNeverRunAndNeverOverflow) {
    for (int32_t osc : {0, -5, INT32_MAX, INT32_MIN}) {
        NopRun m;
        m->Config.OscFreq = osc;
        m.run = RunControl::Started(osc);
        EXPECT_EQ(m.run.CyclesPerTick, static_cast<int32_t>(10u * static_cast<uint32_t>(osc)));
        if (m.run.CyclesPerTick <= 0) {
            EXPECT_EQ(TickSteps(m), 0) << osc;
        }
    }
}

TEST(RunLoop, PowerOnResetStartsTheSelfTestAndLeavesTheLcdUnpowered) {
    auto m = test::NewMachine();
    m->Config.SelfTest = 3;
    m->Lcd.LcdControl = 0xFF;
    m->Cpu.PC = 0x1234;
    StartMachine(*m);
    EXPECT_EQ(m->Clock.SelfTestCounter, 3);
    EXPECT_EQ(m->Lcd.LcdControl & LcdPowered, 0);
    EXPECT_EQ(m->Cpu.PC, 0);
    const RunControl run = RunControl::Started(m->Config.OscFreq);
    EXPECT_EQ(run.Stops.StepCount, -1);
    EXPECT_EQ(run.Stops.BreakAddress, -1);
}

// The machine's refresh work runs after every third run tick, whatever the
// tick did, counted from the power-on reset: the self-test request lasts
// SelfTest x 3 run ticks.
TEST(RunLoop, RefreshWorkFollowsEveryThirdRunTick) {
    const struct {
        const char* name;
        void (*before)(RunControl&);  // what each tick finds
    } cases[] = {
        {"running", [](RunControl&) {}},
        {"resume delay", [](RunControl& run) { run.ResumeDelay = 5; }},
        {"debugger up", [](RunControl& run) { run.DebugActive = 1; }},
        {"stopping", [](RunControl& run) { run.Stops.StepCount = 1; run.DebugActive = 0; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NopRun m;
        m->Config.SelfTest = 2;
        OnRunTimer(*m, m.run);  // the cadence starts again at the reset
        PowerOnReset(*m);
        m->Lcd.DisplayOn = true;
        m->Lcd.DisplayRam[5] = 9;
        std::vector<int> counter;
        for (int tick = 0; tick < 7; ++tick) {
            c.before(m.run);
            OnRunTimer(*m, m.run);
            counter.push_back(m->Clock.SelfTestCounter);
        }
        EXPECT_EQ(counter, (std::vector<int>{2, 2, 1, 1, 1, 0, 0}));
        EXPECT_EQ(m->Clock.RefreshPhase, 1);
        EXPECT_EQ(m->Lcd.FrameBuffer[5], 9);  // the frame buffer refreshed too
    }
}

}  // namespace
}  // namespace varnox
