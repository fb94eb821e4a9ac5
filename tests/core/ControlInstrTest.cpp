// Jumps, calls, returns, the trap, interrupt cancel and return, and off.
#include <gtest/gtest.h>

#include "core/Cpu.h"
#include "support/MachineBuilder.h"

namespace varnox {
namespace {

using test::NewMachine;
using test::Program;
using test::PutWord;
using test::R;

using test::Ram;

// Runs one conditional jmp (opcode 0x070 + condition) to 0x0123 from word 0;
// tells whether it was taken.
bool JumpTaken(Machine& m, unsigned condition) {
    m.Cpu.PC = 0;
    PutWord(m, 0, 0x070 + condition, 0x01, 0x23);
    EXPECT_EQ(CpuStep(m), 4);
    return m.Cpu.PC == 0x0123;
}

TEST(ControlInstr, JumpTakenAndNotTaken) {
    auto m = NewMachine();
    Program(*m, {{0x070, 0x12, 0x34}});  // jmp 0x1234
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.PC, 0x1234);

    Program(*m, {{0x077, 0x12, 0x34}});  // jmp c, with C clear
    m->Cpu.PC = 0;
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.PC, 1);

    Program(*m, {{0x170, 0x92, 0x34}});  // jmp 0x9234: the target's bit 15 rides in the opcode
    m->Cpu.PC = 0;
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.PC, 0x9234);
}

TEST(ControlInstr, EachConditionTestsItsOwnFlag) {
    auto m = NewMachine();
    const uint8_t flags[8] = {0, 0, FlagLZ, FlagUZ, FlagNZ, FlagV, FlagH, FlagC};
    for (unsigned condition = 2; condition < 8; ++condition) {
        SCOPED_TRACE(condition);
        m->Cpu.F = flags[condition];
        EXPECT_TRUE(JumpTaken(*m, condition));
        EXPECT_FALSE(JumpTaken(*m, condition + 8));
        m->Cpu.F = static_cast<uint8_t>(~flags[condition]);
        EXPECT_FALSE(JumpTaken(*m, condition));
        EXPECT_TRUE(JumpTaken(*m, condition + 8));
    }
    m->Cpu.F = 0xFF;
    EXPECT_TRUE(JumpTaken(*m, 0));  // always
    m->Cpu.KI = 0;
    EXPECT_FALSE(JumpTaken(*m, 1));  // k
    EXPECT_TRUE(JumpTaken(*m, 9));   // nk
    m->Cpu.KI = 0x20;
    EXPECT_TRUE(JumpTaken(*m, 1));
    EXPECT_FALSE(JumpTaken(*m, 9));
}

TEST(ControlInstr, CallPushesTheNextWordAndReturnPopsIt) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegSp, 0x6000);
    PutWord(*m, 0x0100, 0x060, 0x02, 0x00);  // cal 0x0200
    PutWord(*m, 0x0200, 0x058);              // rtn
    m->Cpu.PC = 0x0100;
    EXPECT_EQ(CpuStep(*m), 4 + 6);
    EXPECT_EQ(m->Cpu.PC, 0x0200);
    EXPECT_EQ(GetIndex(m->Cpu, RegSp), 0x5FFE);
    EXPECT_EQ(Ram(*m, 0x5FFE), 0x01);
    EXPECT_EQ(Ram(*m, 0x5FFF), 0x01);
    EXPECT_EQ(CpuStep(*m), 10);
    EXPECT_EQ(m->Cpu.PC, 0x0101);
    EXPECT_EQ(GetIndex(m->Cpu, RegSp), 0x6000);
}

TEST(ControlInstr, UntakenCallTouchesNoStack) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegSp, 0x6000);
    Program(*m, {{0x067, 0x02, 0x00}});  // cal c, with C clear
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.PC, 1);
    EXPECT_EQ(GetIndex(m->Cpu, RegSp), 0x6000);
}

TEST(ControlInstr, IndirectJumpThroughIx) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x0123);
    Program(*m, {{0x050, 0x70, 0x07},    // ijmp R120:R056, that is ix
                 {0x057, 0x70, 0x07}});  // ijmp c, with C clear
    EXPECT_EQ(CpuStep(*m), 4 + 2);
    EXPECT_EQ(m->Cpu.PC, 0x0123);
    m->Cpu.PC = 1;
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.PC, 2);
}

TEST(ControlInstr, TrapCallsThroughV3) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegSp, 0x6000);
    SetIndex(m->Cpu, RegV3, 0x0345);
    PutWord(*m, 5, 0x1E7, 0x7F);  // trp; its operand byte is ignored
    m->Cpu.PC = 5;
    EXPECT_EQ(CpuStep(*m), 12);
    EXPECT_EQ(m->Cpu.PC, 0x0345);
    EXPECT_EQ(Ram(*m, 0x5FFE), 0x00);
    EXPECT_EQ(Ram(*m, 0x5FFF), 0x06);
}

TEST(ControlInstr, InterruptEntryAndReturnFromInterrupt) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegSp, 0x6000);
    SetIndex(m->Cpu, RegV1, 0x0010);
    PutWord(*m, 0x0010, 0x078);  // rti
    m->Cpu.PC = 3;
    m->Cpu.IE = 0x20;
    m->Cpu.IrqPending[1] = 1;
    EXPECT_EQ(CpuStep(*m), 22);
    EXPECT_EQ(m->Cpu.IF, 0x40);
    EXPECT_EQ(CpuStep(*m), 10);  // rti costs the return only
    EXPECT_EQ(m->Cpu.PC, 3);
    EXPECT_EQ(m->Cpu.IF, 0x00);
    EXPECT_EQ(m->Cpu.IrqPending[1], 0);
    EXPECT_EQ(GetIndex(m->Cpu, RegSp), 0x6000);
}

TEST(ControlInstr, CancelEndsOnlyTheFirstLevelWithARequest) {
    auto m = NewMachine();
    m->Cpu.IF = 0xC0;
    m->Cpu.IrqPending = {0, 3, 7};
    Program(*m, {{0x168}, {0x068}});  // cani, cani
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.IF, 0x80);
    EXPECT_EQ(m->Cpu.IrqPending[1], 0);
    EXPECT_EQ(m->Cpu.IrqPending[2], 7);
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.IF, 0x00);
    EXPECT_EQ(m->Cpu.IrqPending[2], 0);
}

TEST(ControlInstr, OffHaltsAndClearsTheInterruptState) {
    auto m = NewMachine();
    Program(*m, {{0x150}});  // off
    m->Cpu.PC = 0;
    m->Cpu.IE = 0x30;
    m->Cpu.IF = 0x71;  // level 0 in service, so no entry before the off
    m->Cpu.IrqPending = {1, -3, 0};
    m->Lcd.LcdControl = 0xC1;
    EXPECT_EQ(CpuStep(*m), 0);
    EXPECT_TRUE(m->Cpu.Halted);
    EXPECT_EQ(m->Cpu.PC, 0);
    EXPECT_EQ(m->Cpu.KO, 0x41);
    EXPECT_EQ(m->Cpu.IE, 0);
    EXPECT_EQ(m->Cpu.IF, 0);
    EXPECT_EQ(m->Cpu.IrqPending, (std::array<int32_t, 3>{0, 0, 0}));
    EXPECT_EQ(m->Lcd.LcdControl, 0);
    EXPECT_EQ(CpuStep(*m), 6);
    EXPECT_EQ(m->Cpu.PC, 0);
}

TEST(ControlInstr, OffWithTheWakeKeyHeldRunsOnFromZero) {
    auto m = NewMachine();
    m->HeldKeys[HeldPcKeySlot] = 35;  // the one key on the lines off drives
    Program(*m, {{0x0FA}});           // nop
    PutWord(*m, 3, 0x150);            // off
    m->Cpu.PC = 3;
    EXPECT_EQ(CpuStep(*m), 0);
    EXPECT_FALSE(m->Cpu.Halted);
    EXPECT_EQ(m->Cpu.KI, 0x01);
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.PC, 1);
}

TEST(ControlInstr, TransfersFromDataMemoryTakeBothOperandBytes) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegSp, 0x6000);
    const uint8_t program[] = {0x77, 0x00, 0x00,   // jmp c, not taken
                               0x60, 0x02, 0x00};  // cal 0x0200
    for (int i = 0; i < 6; ++i) Ram(*m, static_cast<uint16_t>(0x5000 + i)) = program[i];
    m->Cpu.PC = 0x5000;
    EXPECT_EQ(CpuStep(*m), 4 + 2 + 4);
    EXPECT_EQ(m->Cpu.PC, 0x5003);
    EXPECT_EQ(CpuStep(*m), 4 + 6 + 2 + 4);
    EXPECT_EQ(m->Cpu.PC, 0x0200);
    EXPECT_EQ(Ram(*m, 0x5FFE), 0x50);
    EXPECT_EQ(Ram(*m, 0x5FFF), 0x06);
}

}  // namespace
}  // namespace varnox
