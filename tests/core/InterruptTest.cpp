// Step accounting, interrupt requests, their delay and priorities, reset.
#include <gtest/gtest.h>

#include "core/Cpu.h"
#include "core/Def.h"
#include "support/MachineBuilder.h"

namespace varnox {
namespace {

using test::NewMachine;
using test::Program;
using test::R;

constexpr unsigned Nop = 0x0FA;

void FillNops(Machine& m, int words) {
    for (int i = 0; i < words; ++i) test::PutWord(m, static_cast<uint16_t>(i), Nop);
}

TEST(Interrupts, HaltedStepsIdleAndAgeCounters) {
    auto m = NewMachine();
    m->Cpu.Halted = true;
    m->Cpu.IE = 0x10;
    IrqRequest(*m, 0);
    EXPECT_EQ(m->Cpu.IrqPending[0], -8);
    EXPECT_EQ(CpuStep(*m), 6);
    EXPECT_EQ(m->Cpu.IrqPending[0], -7);
    EXPECT_EQ(CpuStep(*m), 6);
    EXPECT_EQ(m->Cpu.IrqPending[0], -1);
    EXPECT_EQ(CpuStep(*m), 6);
    EXPECT_EQ(m->Cpu.IrqPending[0], 5);
    // Due but halted: waits, unchanged.
    EXPECT_EQ(CpuStep(*m), 6);
    EXPECT_EQ(m->Cpu.IrqPending[0], 5);
    EXPECT_EQ(m->Cpu.PC, 0);
}

TEST(Interrupts, LevelOneEntersAfterEightCycles) {
    auto m = NewMachine();
    FillNops(*m, 16);
    m->Cpu.IE = 0x30;
    SetIndex(m->Cpu, RegV1, 0x0123);
    SetIndex(m->Cpu, RegSp, 0x6000);
    IrqRequest(*m, 1);
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.IrqPending[1], -7);
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.IrqPending[1], 1);
    EXPECT_EQ(m->Cpu.PC, 3);
    EXPECT_EQ(CpuStep(*m), 22);
    EXPECT_EQ(m->Cpu.PC, 0x0123);
    EXPECT_TRUE(m->Cpu.IF & 0x40);
    EXPECT_EQ(GetIndex(m->Cpu, RegSp), 0x5FFE);
    EXPECT_EQ(m->DataRam[0x1FFE], 0x00);  // high byte of the pushed PC
    EXPECT_EQ(m->DataRam[0x1FFF], 0x03);
    // In service: not entered again while its bit is set.
    EXPECT_EQ(CpuStep(*m), 4);
}

TEST(Interrupts, RequestsAreDroppedWhenDisabledBusyOrInService) {
    auto m = NewMachine();
    IrqRequest(*m, 0);
    EXPECT_EQ(m->Cpu.IrqPending[0], 0);
    m->Cpu.IE = 0x10;
    IrqRequest(*m, 0);
    m->Cpu.IrqPending[0] = -3;
    IrqRequest(*m, 0);
    EXPECT_EQ(m->Cpu.IrqPending[0], -3);
    m->Cpu.IrqPending[0] = 9;
    IrqRequest(*m, 0);
    EXPECT_EQ(m->Cpu.IrqPending[0], 9);
    IrqRequest(*m, 3);  // no such level: ignored
    IrqRequest(*m, -1);
}

TEST(Interrupts, HigherLevelPreemptsLowerWaits) {
    auto m = NewMachine();
    FillNops(*m, 4);
    SetIndex(m->Cpu, RegSp, 0x6000);
    SetIndex(m->Cpu, RegV0, 0x0200);
    SetIndex(m->Cpu, RegV2, 0x0300);
    test::PutWord(*m, 0x200, Nop);
    m->Cpu.IE = 0x70;
    m->Cpu.IF = 0x40;  // level 1 in service
    m->Cpu.IrqPending = {5, 7, 3};
    EXPECT_EQ(CpuStep(*m), 22);
    EXPECT_EQ(m->Cpu.PC, 0x0200);
    EXPECT_EQ(m->Cpu.IF, 0x60);
    // Level 0 now in service too; level 2 still waits behind both.
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.IrqPending[2], 3);
    EXPECT_EQ(m->Cpu.PC, 0x0201);
}

TEST(Interrupts, CallAndReturnThroughTheStackIgnoreTheGate) {
    auto m = NewMachine();
    // cal &H0010 at word 0; rtn at word 0x10.
    Program(*m, {{0x060, 0x00, 0x10}});
    test::PutWord(*m, 0x10, 0x058);
    SetIndex(m->Cpu, RegSp, 0x6000);
    m->Cpu.IE = 0x03;
    EXPECT_EQ(CpuStep(*m), 10);
    EXPECT_EQ(m->Cpu.PC, 0x0010);
    EXPECT_EQ(GetIndex(m->Cpu, RegSp), 0x5FFE);
    EXPECT_EQ(m->DataRam[0x1FFF], 0x01);
    EXPECT_EQ(m->Cpu.IE, 0x03);
    EXPECT_EQ(CpuStep(*m), 10);
    EXPECT_EQ(m->Cpu.PC, 0x0001);
    EXPECT_EQ(GetIndex(m->Cpu, RegSp), 0x6000);
}

TEST(Interrupts, ResetKeepsStoresAndClearsState) {
    auto m = NewMachine();
    R(*m, 10) = 0x77;
    m->DataRam[5] = 0x66;
    m->Cpu.PC = 0x1234;
    m->Cpu.IE = 0x70;
    m->Cpu.IF = 0xE0;
    m->Cpu.IrqPending = {1, 2, 3};
    m->Cpu.Halted = true;
    m->Cpu.CycleBudget = 99;
    CpuReset(*m);
    EXPECT_EQ(m->Cpu.PC, 0);
    EXPECT_EQ(m->Cpu.IE | m->Cpu.IF | m->Cpu.KO | m->Cpu.KI | m->Cpu.AS | m->Cpu.F, 0);
    EXPECT_EQ(m->Cpu.IrqPending[0] | m->Cpu.IrqPending[1] | m->Cpu.IrqPending[2], 0);
    EXPECT_FALSE(m->Cpu.Halted);
    EXPECT_EQ(m->Cpu.CycleBudget, 0);
    EXPECT_EQ(R(*m, 10), 0x77);
    EXPECT_EQ(m->DataRam[5], 0x66);
}

TEST(Interrupts, RisingIfBitFourRequestsLevelZeroOnce) {
    auto m = NewMachine();
    m->Cpu.IE = 0x10;
    m->Cpu.IF = 0x10;
    UpdateIf(*m);
    EXPECT_EQ(m->Cpu.IrqPending[0], -8);
    m->Cpu.IrqPending[0] = 0;
    UpdateIf(*m);  // still high: no new edge
    EXPECT_EQ(m->Cpu.IrqPending[0], 0);
    m->Cpu.IF = 0x00;
    UpdateIf(*m);
    m->Cpu.IF = 0x10;
    UpdateIf(*m);
    EXPECT_EQ(m->Cpu.IrqPending[0], -8);
}

TEST(Interrupts, StepOnArbitraryStateNeverLeavesTheMachine) {
    // Random register files, ports and images: every opcode at every kind of
    // address must run without touching memory outside the machine.
    auto m = NewMachine();
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<uint8_t>(seed >> 24);
    };
    for (auto& b : m->InstrRom) b = next();
    for (auto& b : m->DataRam) b = next();
    for (auto& b : m->DataRom) b = next();
    for (int round = 0; round < 200; ++round) {
        for (auto& r : m->Cpu.MainRegisterFile) r = next();
        m->Cpu.AS = next();
        m->Cpu.PC = static_cast<uint16_t>(next() << 8 | next());
        m->Cpu.IE = next();
        m->Cpu.Halted = false;
        for (int step = 0; step < 500; ++step) {
            const int32_t cycles = CpuStep(*m);
            ASSERT_GE(cycles, 0);
        }
    }
}

}  // namespace
}  // namespace varnox
