// A run tick ends after at most as many steps as it has clock ticks to spend:
// loops of steps that cost nothing end every tick, and programs that spend
// their budget within that many steps run exactly as they always did.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "peripherals/Keyboard.h"
#include "support/AsmProgram.h"
#include "support/MachineBuilder.h"
#include "system/RunLoop.h"

namespace varnox {
namespace {

long long TickSteps(Machine& m, RunControl& run) {
    long long steps = 0;
    OnRunTimer(m, run, [](Machine&, void* c) { ++*static_cast<long long*>(c); }, &steps);
    return steps;
}

std::unique_ptr<Machine> MachineFromSource(const std::string& source) {
    auto m = test::NewMachine();
    EXPECT_EQ(test::LoadSource(*m, source), "");
    return m;
}

std::string Repeat(const std::string& line, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += line + "\n";
    return text;
}

TEST(RunTickBound, ZeroCostLoopsEndEveryTick) {
    struct Case {
        const char* name;
        std::string source;
        int heldKey;
        int32_t cyclesPerTick;
        int pcStepPerTick;  // how far PC moves each tick
    };
    const Case cases[] = {
        {"off woken at once by the wake key", " org 0\n off\n", KeyEscape, 9100, 0},
        {"free one-operand instructions", " org 0\n" + Repeat(" cmp r0", 1000), 0, 100, 100},
        {"free instructions, the smallest grant", " org 0\n" + Repeat(" inv r3", 10), 0, 1, 1},
    };
    for (const Case& c : cases) {
        auto m = MachineFromSource(c.source);
        StartMachine(*m);
        RunControl run;
        run.CyclesPerTick = c.cyclesPerTick;
        m->HeldKeys[HeldPcKeySlot] = c.heldKey;
        for (int tick = 1; tick <= 3; ++tick) {
            EXPECT_EQ(TickSteps(*m, run), c.cyclesPerTick) << c.name;
            EXPECT_EQ(m->Cpu.CycleBudget, 0) << c.name;  // what was left is dropped, not hoarded
            EXPECT_EQ(m->Cpu.PC, tick * c.pcStepPerTick) << c.name;
        }
    }
}

// Steps, PC, budget carry, timer countdown and two registers after the ticks.
std::string RunFigures(const std::string& source, int ticks) {
    auto m = MachineFromSource(source);
    StartMachine(*m);
    RunControl run = RunControl::Started(m->Config.OscFreq);
    long long steps = 0;
    for (int i = 0; i < ticks; ++i) steps += TickSteps(*m, run);
    char text[128];
    std::snprintf(text, sizeof text, "steps=%lld PC=%04X budget=%d timer=%d r64=%02X r66=%02X", steps, m->Cpu.PC,
                  m->Cpu.CycleBudget, m->Clock.TimerCountdown, m->Cpu.MainRegisterFile[64],
                  m->Cpu.MainRegisterFile[66]);
    return text;
}

// The figures were taken from the run loop before the bound existed.
TEST(RunTickBound, ProgramsThatSpendTheirBudgetRunAsBefore) {
    struct Case {
        const char* name;
        std::string source;
        int ticks;
        const char* figures;
    };
    const std::string timerIrq =
        " org 0\n ldw sp,&H6000\n ldw v1,tick\n pst if,&H01\n pst ie,&H20\n"
        "loop: adb r64,&H01\n cmp r65\n jmp loop\n"
        "tick: adb r66,&H01\n rti\n";
    const Case cases[] = {
        {"nop loop", "loop: nop\n jmp loop\n", 7, "steps=15925 PC=0001 budget=0 timer=16384 r64=00 r66=00"},
        {"timer interrupts over a loop with free steps", timerIrq, 20, "steps=68185 PC=0004 budget=0 timer=14616 r64=21 r66=06"},
        {"slow clock", " pst ie,&H84\nloop: nop\n jmp loop\n", 40, "steps=4 PC=0002 budget=-29220 timer=16384 r64=00 r66=00"},
        {"halted", " off\n", 4, "steps=6068 PC=0000 budget=-2 timer=16384 r64=00 r66=00"},
        {"three free steps per costed one: exactly the bound", "loop: cmp r0\n cmp r1\n cmp r2\n jmp loop\n", 6, "steps=54600 PC=0000 budget=0 timer=16384 r64=00 r66=00"},
    };
    for (const Case& c : cases) EXPECT_EQ(RunFigures(c.source, c.ticks), c.figures) << c.name;
}

}  // namespace
}  // namespace varnox
