// Loads, stores, index register instructions, block move and search, run as
// small programs on a fresh machine.
#include <gtest/gtest.h>

#include "core/Cpu.h"
#include "support/MachineBuilder.h"

namespace varnox {
namespace {

using test::NewMachine;
using test::Program;
using test::R;

using test::Ram;

uint16_t Index(const Machine& m, int n) { return GetIndex(m.Cpu, n); }

// Places raw instruction bytes in data memory.
void PutBytes(Machine& m, uint16_t address, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) Ram(m, address++) = b;
}

TEST(MemoryInstr, PushWithPreDecrementAndPopWithPostIncrementRoundTrip) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegSp, 0x6000);
    R(*m, 64) = 0xA5;
    Program(*m, {{0x087, 0x00},    // st R064, -(sp)
                 {0x0AB, 0x01}});  // ld R001, (sp)+
    EXPECT_EQ(CpuStep(*m), 12);
    EXPECT_EQ(Index(*m, RegSp), 0x5FFF);
    EXPECT_EQ(Ram(*m, 0x5FFF), 0xA5);
    EXPECT_EQ(CpuStep(*m), 12);
    EXPECT_EQ(R(*m, 1), 0xA5);
    EXPECT_EQ(Index(*m, RegSp), 0x6000);
    EXPECT_EQ(m->Cpu.PC, 2);
}

TEST(MemoryInstr, SequencePushWalksDownAndSequencePopRestoresIt) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegSp, 0x6000);
    R(*m, 64) = 0x11;
    R(*m, 65) = 0x22;
    R(*m, 66) = 0x33;
    Program(*m, {{0x097, 0x02, 0x00},    // stm R066..R064, -(sp)
                 {0x0B3, 0x00, 0x40}});  // ldm R064..R066, (sp)+
    EXPECT_EQ(CpuStep(*m), 3 * 4 + 8);
    EXPECT_EQ(Index(*m, RegSp), 0x5FFD);
    EXPECT_EQ(Ram(*m, 0x5FFF), 0x33);
    EXPECT_EQ(Ram(*m, 0x5FFE), 0x22);
    EXPECT_EQ(Ram(*m, 0x5FFD), 0x11);
    R(*m, 64) = R(*m, 65) = R(*m, 66) = 0;
    EXPECT_EQ(CpuStep(*m), 20);
    EXPECT_EQ(R(*m, 64), 0x11);
    EXPECT_EQ(R(*m, 65), 0x22);
    EXPECT_EQ(R(*m, 66), 0x33);
    EXPECT_EQ(Index(*m, RegSp), 0x6000);
}

TEST(MemoryInstr, SequenceLoadWithPostDecrementWalksRegistersDown) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x4010);
    Ram(*m, 0x4010) = 0xA1;
    Ram(*m, 0x400F) = 0xB2;
    Ram(*m, 0x400E) = 0xC3;
    Program(*m, {{0x0BC, 0x07, 0xA0}});  // ldm R007..R005, (ix)-
    EXPECT_EQ(CpuStep(*m), 20);
    EXPECT_EQ(R(*m, 7), 0xA1);
    EXPECT_EQ(R(*m, 6), 0xB2);
    EXPECT_EQ(R(*m, 5), 0xC3);
    EXPECT_EQ(R(*m, 4), 0x00);
    EXPECT_EQ(Index(*m, RegIx), 0x400D);
}

TEST(MemoryInstr, SequenceWrapsInItsGroupAndAddressesWrapAt16Bits) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIz, 0xFFFF);
    Ram(*m, 0xFFFF) = 0x5E;
    m->DataRom[0] = 0x6F;
    Program(*m, {{0x0BA, 0x17, 0x00}});  // ldm R015, R008, (iz)+
    EXPECT_EQ(CpuStep(*m), 2 * 4 + 8);
    EXPECT_EQ(R(*m, 15), 0x5E);
    EXPECT_EQ(R(*m, 8), 0x6F);
    EXPECT_EQ(Index(*m, RegIz), 0x0001);
}

TEST(MemoryInstr, StoreImmediateWithEachStep) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x4000);
    SetIndex(m->Cpu, RegIy, 0x4010);
    Program(*m, {{0x1C8, 0xC3},    // st 0xC3, +(ix): the value's bit 7 rides in the opcode
                 {0x0D0, 0x5A},    // st 0x5A, (ix)
                 {0x0D9, 0x66}});  // st 0x66, -(iy)
    EXPECT_EQ(CpuStep(*m), 6);
    EXPECT_EQ(Index(*m, RegIx), 0x4001);
    EXPECT_EQ(Ram(*m, 0x4001), 0xC3);
    EXPECT_EQ(CpuStep(*m), 6);
    EXPECT_EQ(Index(*m, RegIx), 0x4001);
    EXPECT_EQ(Ram(*m, 0x4001), 0x5A);
    EXPECT_EQ(CpuStep(*m), 6);
    EXPECT_EQ(Index(*m, RegIy), 0x400F);
    EXPECT_EQ(Ram(*m, 0x400F), 0x66);
}

TEST(MemoryInstr, WordLoadAndIndexArithmeticWrap) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0xFFF8);
    SetIndex(m->Cpu, RegIy, 0x0010);
    Program(*m, {{0x147, 0x9A, 0xBC},  // ldw sp, 0x9ABC
                 {0x043, 0x12, 0x34},  // ldw v3, 0x1234
                 {0x048, 0x10},        // adw ix, 0x10
                 {0x14D, 0x80}});      // sbw iy, 0x80
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(Index(*m, RegSp), 0x9ABC);
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(R(*m, 123), 0x12);
    EXPECT_EQ(R(*m, 59), 0x34);
    EXPECT_EQ(CpuStep(*m), 6);
    EXPECT_EQ(Index(*m, RegIx), 0x0008);
    EXPECT_EQ(CpuStep(*m), 6);
    EXPECT_EQ(Index(*m, RegIy), 0xFF90);
}

TEST(MemoryInstr, ByteDisplacementsLeaveTheIndexAlone) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x4000);
    SetIndex(m->Cpu, RegIy, 0x0002);
    R(*m, 11) = 0x77;
    Ram(*m, 0xFFF2) = 0x99;
    Program(*m, {{0x188, 0x13, 0x05},    // st R011, (ix+0x05)
                 {0x1AD, 0x20, 0x10}});  // ld R016, (iy-0x10), wrapping below zero
    EXPECT_EQ(CpuStep(*m), 12);
    EXPECT_EQ(Ram(*m, 0x4005), 0x77);
    EXPECT_EQ(Index(*m, RegIx), 0x4000);
    EXPECT_EQ(CpuStep(*m), 12);
    EXPECT_EQ(R(*m, 16), 0x99);
    EXPECT_EQ(Index(*m, RegIy), 0x0002);
}

TEST(MemoryInstr, RegisterDisplacementsWithDirectAndIndirectRegisters) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x4000);
    SetIndex(m->Cpu, RegIz, 0x4030);
    R(*m, 5) = 0x20;
    R(*m, 75) = 0x3C;
    Ram(*m, 0x4010) = 0xE1;
    m->Cpu.AS = 0x0A;  // indirect register R069
    Program(*m, {{0x180, 0x05, 0x61},    // st R075, (ix+R005)
                 {0x1A6, 0x05, 0x10}});  // ld R069 through AS, (iz-R005)
    EXPECT_EQ(CpuStep(*m), 12);
    EXPECT_EQ(Ram(*m, 0x4020), 0x3C);
    EXPECT_EQ(CpuStep(*m), 12);
    EXPECT_EQ(R(*m, 69), 0xE1);
    EXPECT_EQ(Index(*m, RegIx), 0x4000);
    EXPECT_EQ(Index(*m, RegIz), 0x4030);
}

TEST(MemoryInstr, ImmediateDisplacementSequencesBothWays) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x4010);
    R(*m, 0) = 1;
    R(*m, 1) = 2;
    R(*m, 2) = 3;
    Ram(*m, 0x4031) = 0xD1;
    Ram(*m, 0x4032) = 0xD2;
    Ram(*m, 0x4033) = 0xD3;
    Program(*m, {{0x19C, 0x0A, 0x03},    // stm R002..R000, (ix-3) walking down
                 {0x1B8, 0x30, 0x41}});  // ldm R024..R026, (ix+33): b1 bit 3 clear adds 32
    EXPECT_EQ(CpuStep(*m), 20);
    EXPECT_EQ(Ram(*m, 0x400D), 3);
    EXPECT_EQ(Ram(*m, 0x400C), 2);
    EXPECT_EQ(Ram(*m, 0x400B), 1);
    EXPECT_EQ(Ram(*m, 0x400E), 0);
    EXPECT_EQ(CpuStep(*m), 20);
    EXPECT_EQ(R(*m, 24), 0xD1);
    EXPECT_EQ(R(*m, 25), 0xD2);
    EXPECT_EQ(R(*m, 26), 0xD3);
    EXPECT_EQ(Index(*m, RegIx), 0x4010);
}

TEST(MemoryInstr, RegisterDisplacementSequencesCountByTheLowerOperand) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x4100);
    R(*m, 5) = 0x20;
    R(*m, 1) = 0x10;
    R(*m, 85) = 0x0A;
    R(*m, 86) = 0x0B;
    R(*m, 87) = 0x0C;
    Ram(*m, 0x40F0) = 0xF0;
    Ram(*m, 0x40EF) = 0xEF;
    Ram(*m, 0x40EE) = 0xEE;
    Program(*m, {{0x190, 0x05, 0xE2},    // stm R085..R087, (ix+R005): counter 5..7
                 {0x1B4, 0x01, 0xE0}});  // ldm R065, R064, R071, (ix-R001): counter 1, 0, 7
    EXPECT_EQ(CpuStep(*m), 20);
    EXPECT_EQ(Ram(*m, 0x4120), 0x0A);
    EXPECT_EQ(Ram(*m, 0x4121), 0x0B);
    EXPECT_EQ(Ram(*m, 0x4122), 0x0C);
    EXPECT_EQ(Ram(*m, 0x4123), 0x00);
    EXPECT_EQ(CpuStep(*m), 20);
    EXPECT_EQ(R(*m, 65), 0xF0);
    EXPECT_EQ(R(*m, 64), 0xEF);
    EXPECT_EQ(R(*m, 71), 0xEE);
    EXPECT_EQ(Index(*m, RegIx), 0x4100);
}

TEST(MemoryInstr, BlockMoveCopiesOneBytePerStep) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x4000);
    SetIndex(m->Cpu, RegIy, 0x4002);
    SetIndex(m->Cpu, RegIz, 0x5000);
    Ram(*m, 0x4001) = 0x11;
    Ram(*m, 0x4002) = 0x22;
    Ram(*m, 0x5003) = 0xEE;
    Program(*m, {{0x0E2}});  // bup
    EXPECT_EQ(CpuStep(*m), 14);
    EXPECT_EQ(m->Cpu.PC, 0);
    EXPECT_EQ(CpuStep(*m), 14);
    EXPECT_EQ(m->Cpu.PC, 1);
    EXPECT_EQ(Ram(*m, 0x5000), 0x00);
    EXPECT_EQ(Ram(*m, 0x5001), 0x11);
    EXPECT_EQ(Ram(*m, 0x5002), 0x22);
    EXPECT_EQ(Ram(*m, 0x5003), 0xEE);
    EXPECT_EQ(Index(*m, RegIz), 0x5002);
}

TEST(MemoryInstr, BlockMoveDownResumesAfterAnInterruptBetweenBytes) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x4003);
    SetIndex(m->Cpu, RegIy, 0x4001);
    SetIndex(m->Cpu, RegIz, 0x5003);
    SetIndex(m->Cpu, RegSp, 0x6000);
    SetIndex(m->Cpu, RegV1, 0x0010);
    Ram(*m, 0x4002) = 0x22;
    Ram(*m, 0x4001) = 0x11;
    Program(*m, {{0x1F2}});                // bdn
    Program(*m, {{0x078}}, 0x0010);        // rti
    EXPECT_EQ(CpuStep(*m), 14);
    m->Cpu.IE = 0x20;
    m->Cpu.IrqPending[1] = 1;  // due
    EXPECT_EQ(CpuStep(*m), 22);
    EXPECT_EQ(m->Cpu.PC, 0x0010);
    EXPECT_EQ(CpuStep(*m), 10);
    EXPECT_EQ(m->Cpu.PC, 0);
    EXPECT_EQ(CpuStep(*m), 14);
    EXPECT_EQ(m->Cpu.PC, 1);
    EXPECT_EQ(Ram(*m, 0x5002), 0x22);
    EXPECT_EQ(Ram(*m, 0x5001), 0x11);
    EXPECT_EQ(Ram(*m, 0x5003), 0x00);
}

TEST(MemoryInstr, SearchUpStopsOnTheMatchingByte) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x4000);
    SetIndex(m->Cpu, RegIy, 0x4010);
    Ram(*m, 0x4001) = 0x11;
    Ram(*m, 0x4002) = 0x77;
    R(*m, 64) = 0x77;
    Program(*m, {{0x134, 0x00}});  // sup R064
    EXPECT_EQ(CpuStep(*m), 16);
    EXPECT_EQ(m->Cpu.PC, 0);
    EXPECT_EQ(CpuStep(*m), 16);
    EXPECT_EQ(m->Cpu.PC, 1);
    EXPECT_EQ(Index(*m, RegIx), 0x4002);
}

TEST(MemoryInstr, SearchDownStopsOnIyWhenNothingMatches) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x4003);
    SetIndex(m->Cpu, RegIy, 0x4001);
    R(*m, 3) = 0x55;
    Program(*m, {{0x13C, 0x03}});  // sdn R003
    EXPECT_EQ(CpuStep(*m), 16);
    EXPECT_EQ(m->Cpu.PC, 0);
    EXPECT_EQ(CpuStep(*m), 16);
    EXPECT_EQ(m->Cpu.PC, 1);
    EXPECT_EQ(Index(*m, RegIx), 0x4001);
}

TEST(MemoryInstr, InstructionsInDataMemoryOccupyOneBytePerOperand) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x4000);
    PutBytes(*m, 0x5000,
             {0xD0, 0x3C,          // st 0x3C, (ix)
              0x40, 0x12, 0x34,    // ldw ix, 0x1234
              0xFA,                // nop
              0x34, 0x80});        // sup R064 (b1 bit 7 is opcode bit 8)
    m->Cpu.PC = 0x5000;
    EXPECT_EQ(CpuStep(*m), 6 + 2 + 2);
    EXPECT_EQ(Ram(*m, 0x4000), 0x3C);
    EXPECT_EQ(m->Cpu.PC, 0x5002);
    EXPECT_EQ(CpuStep(*m), 4 + 2 + 4);
    EXPECT_EQ(Index(*m, RegIx), 0x1234);
    EXPECT_EQ(m->Cpu.PC, 0x5005);
    EXPECT_EQ(CpuStep(*m), 4 + 2);
    EXPECT_EQ(m->Cpu.PC, 0x5006);

    // The search repeats from its first byte until it finds R064.
    SetIndex(m->Cpu, RegIx, 0x4100);
    SetIndex(m->Cpu, RegIy, 0x4110);
    Ram(*m, 0x4102) = 0x9D;
    R(*m, 64) = 0x9D;
    EXPECT_EQ(CpuStep(*m), 16 + 2 + 2);
    EXPECT_EQ(m->Cpu.PC, 0x5006);
    EXPECT_EQ(CpuStep(*m), 20);
    EXPECT_EQ(m->Cpu.PC, 0x5008);
    EXPECT_EQ(Index(*m, RegIx), 0x4102);
}

// Every opcode with extreme operands, registers and AS must stay inside the
// machine's arrays (checked under the sanitizer build) and never report
// negative cycles.
TEST(MemoryInstr, EveryOpcodeSurvivesExtremeOperands) {
    auto m = NewMachine();
    constexpr uint8_t operandValues[] = {0x00, 0x7F, 0xFF, 0x35};
    constexpr uint8_t registerFills[] = {0x00, 0xFF, 0x5A};
    for (unsigned opcode = 0; opcode < 512; ++opcode) {
        for (uint8_t b1 : operandValues) {
            for (uint8_t b2 : operandValues) {
                for (uint8_t fill : registerFills) {
                    m->Cpu.MainRegisterFile.fill(fill);
                    m->Cpu.AS = fill;
                    m->Cpu.Halted = false;
                    m->Cpu.IE = 0;
                    m->Cpu.IF = 0;
                    m->Cpu.IrqPending = {0, 0, 0};
                    m->Cpu.PC = 0;
                    test::PutWord(*m, 0, opcode, b1, b2);
                    ASSERT_GE(CpuStep(*m), 0) << "opcode " << opcode;
                }
            }
        }
    }
}

}  // namespace
}  // namespace varnox
