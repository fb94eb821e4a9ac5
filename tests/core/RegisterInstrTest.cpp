// The ALU's results and flags, and the register instruction families, run as
// single instructions from InstrRom.
#include <gtest/gtest.h>

#include "core/Cpu.h"
#include "core/Def.h"
#include "support/MachineBuilder.h"

namespace varnox {
namespace {

using test::NewMachine;
using test::PutWord;
using test::R;
using test::RunOne;

constexpr uint8_t C = FlagC, H = FlagH, V = FlagV, NZ = FlagNZ, UZ = FlagUZ, LZ = FlagLZ;

struct AluCase {
    const char* name;
    unsigned opcode;  // register-immediate form on R064
    uint8_t a;
    uint8_t b;
    uint8_t result;
    uint8_t flags;
};

TEST(Alu, OneByteResultsAndFlags) {
    const AluCase cases[] = {
        {"ad carry out", 0x102, 0xFF, 0x01, 0x00, C | H | V | UZ | LZ},
        {"sb borrow", 0x103, 0x00, 0x01, 0xFF, C | H | V | NZ},
        {"adb half carry", 0x100, 0x45, 0x38, 0x83, H | V | NZ},
        {"adb decimal carry", 0x100, 0x99, 0x01, 0x00, H | C | UZ | LZ},
        {"sbb half borrow", 0x101, 0x10, 0x01, 0x09, H | NZ | UZ},
        {"sbb decimal borrow", 0x101, 0x00, 0x01, 0x99, C | H | V | NZ},
        {"or of zeros", 0x106, 0x00, 0x00, 0x00, C | H | V | UZ | LZ},
        {"an to zero", 0x104, 0x0F, 0xF0, 0x00, UZ | LZ},
        {"xr", 0x107, 0x5A, 0x0F, 0x55, NZ},
        {"na leaves zero flags", 0x105, 0xFF, 0xFF, 0x00, C | H | V},
        {"na non-zero", 0x105, 0x0F, 0x0F, 0xF0, C | H | V},
        {"ld keeps flags", 0x156, 0x12, 0x34, 0x34, 0xA5},
    };
    for (const AluCase& c : cases) {
        auto m = NewMachine();
        R(*m, 64) = c.a;
        m->Cpu.F = 0xA5;  // cleared by every form but ld
        EXPECT_EQ(RunOne(*m, c.opcode, 0x00, c.b), 4) << c.name;
        EXPECT_EQ(R(*m, 64), c.result) << c.name;
        EXPECT_EQ(m->Cpu.F, c.flags) << c.name;
    }
}

TEST(Alu, BitTestsWhichBitsOfTheImmediateAreClear) {
    auto m = NewMachine();
    R(*m, 64) = 0xF0;
    RunOne(*m, 0x152, 0x00, 0x30);
    EXPECT_EQ(m->Cpu.F, UZ | LZ);
    EXPECT_EQ(R(*m, 64), 0xF0);  // a test stores nothing
    RunOne(*m, 0x152, 0x00, 0x38);
    EXPECT_EQ(m->Cpu.F, NZ | UZ);
}

TEST(Alu, TwoRegisterFormsAndTheirDirection) {
    auto m = NewMachine();
    R(*m, 5) = 3;
    R(*m, 70) = 4;
    EXPECT_EQ(RunOne(*m, 0x002, 0x05, 0xC0), 4);  // ad r70,r5
    EXPECT_EQ(R(*m, 70), 7);
    EXPECT_EQ(RunOne(*m, 0x00B, 0x05, 0xC0), 4);  // sb r5,r70
    EXPECT_EQ(R(*m, 5), static_cast<uint8_t>(3 - 7));
    EXPECT_TRUE(m->Cpu.F & C);
    const uint8_t before5 = R(*m, 5), before70 = R(*m, 70);
    RunOne(*m, 0x023, 0x05, 0xC0);  // tsb r70,r5: flags only
    EXPECT_EQ(R(*m, 5), before5);
    EXPECT_EQ(R(*m, 70), before70);
    RunOne(*m, 0x15C, 0x05, 0xC0);  // ld r5,r70
    EXPECT_EQ(R(*m, 5), 7);
}

TEST(Alu, IndirectUpperRegisterThroughAs) {
    auto m = NewMachine();
    R(*m, 93) = 1;
    R(*m, 69) = 2;
    R(*m, 0) = 0x10;
    m->Cpu.AS = 0x0B;  // bit 0 set: group from b2, index from AS bits 3-1
    RunOne(*m, 0x002, 0x00, 0x13);  // ad i..,r0 with upper group 3
    EXPECT_EQ(R(*m, 93), 0x11);
    m->Cpu.AS = 0x0A;  // bit 0 clear: register 64 + AS bits 6-1
    RunOne(*m, 0x002, 0x00, 0x13);
    EXPECT_EQ(R(*m, 69), 0x12);
}

TEST(MultiByte, AddsSequencesWithCarryAndCountsBytes) {
    auto m = NewMachine();
    R(*m, 0) = 0xFF;
    R(*m, 64) = 0x01;
    EXPECT_EQ(RunOne(*m, 0x012, 0x00, 0x60), 16);  // adm r64..r67,r0..r3
    EXPECT_EQ(R(*m, 64), 0x00);
    EXPECT_EQ(R(*m, 65), 0x01);
    EXPECT_EQ(R(*m, 66), 0x00);
    EXPECT_EQ(R(*m, 67), 0x00);
    EXPECT_FALSE(m->Cpu.F & C);
    EXPECT_TRUE(m->Cpu.F & NZ);
}

TEST(MultiByte, DecimalAddOverflowsToZero) {
    auto m = NewMachine();
    R(*m, 64) = 0x99;
    R(*m, 65) = 0x99;
    R(*m, 0) = 0x01;
    R(*m, 1) = 0x00;
    EXPECT_EQ(RunOne(*m, 0x010, 0x00, 0x20), 8);  // adbm r64..r65,r0..r1
    EXPECT_EQ(R(*m, 64), 0x00);
    EXPECT_EQ(R(*m, 65), 0x00);
    EXPECT_EQ(m->Cpu.F & (C | NZ | UZ | LZ), C | UZ | LZ);
}

TEST(MultiByte, ReverseFormCarriesThroughTheRestOfTheDestination) {
    auto m = NewMachine();
    // adm r0..r3,i.. with a window of one register (AS bit 0 set, start and
    // end index 0): R000 += R064, then the carry runs through R001..R003.
    R(*m, 0) = 0xFF;
    R(*m, 1) = 0xFF;
    R(*m, 2) = 0x00;
    R(*m, 3) = 0x07;
    R(*m, 64) = 0x01;
    m->Cpu.AS = 0x01;
    EXPECT_EQ(RunOne(*m, 0x01A, 0x00, 0x70), 16);
    EXPECT_EQ(R(*m, 0), 0x00);
    EXPECT_EQ(R(*m, 1), 0x00);
    EXPECT_EQ(R(*m, 2), 0x01);
    EXPECT_EQ(R(*m, 3), 0x07);
}

TEST(MultiByte, WindowThroughAsEndsEarlyButCountsEveryByte) {
    auto m = NewMachine();
    for (int i = 0; i < 6; ++i) R(*m, i) = 1;
    m->Cpu.AS = 0x21;
    EXPECT_EQ(RunOne(*m, 0x012, 0x00, 0xB1), 24);
    EXPECT_EQ(R(*m, 72), 1);
    EXPECT_EQ(R(*m, 73), 1);
    EXPECT_EQ(R(*m, 74), 1);
    EXPECT_EQ(R(*m, 75), 0);  // past the window end
}

TEST(MultiByte, SequencesWrapWithinTheirGroup) {
    auto m = NewMachine();
    // ldm r69..r66,&H07: start index 5, end index 2: six registers.
    EXPECT_EQ(RunOne(*m, 0x157, 0x0D, 0x47), 24);
    for (int r : {69, 70, 71, 64, 65, 66}) EXPECT_EQ(R(*m, r), 7) << r;
    EXPECT_EQ(R(*m, 67), 0);
    EXPECT_EQ(R(*m, 68), 0);
}

TEST(MultiByte, ImmediateAddsOnlyToTheFirstByte) {
    auto m = NewMachine();
    R(*m, 64) = 0xF0;
    R(*m, 65) = 0x01;
    // adm r64..r65 with a 6-bit immediate: b1 bit 3 clear adds 32 + 0x10.
    EXPECT_EQ(RunOne(*m, 0x112, 0x00, 0x30), 8);
    EXPECT_EQ(R(*m, 64), 0x20);
    EXPECT_EQ(R(*m, 65), 0x02);
}

TEST(MultiByte, ExchangesMoveDigits) {
    auto m = NewMachine();
    R(*m, 70) = 0x12;
    R(*m, 5) = 0x34;
    m->Cpu.F = 0x5A;
    RunOne(*m, 0x116, 0x05, 0xC0);  // xcls
    EXPECT_EQ(R(*m, 70), 0x24);
    EXPECT_EQ(R(*m, 5), 0x13);
    EXPECT_EQ(m->Cpu.F, 0x5A);
    RunOne(*m, 0x11E, 0x05, 0xC0);  // xchs
    EXPECT_EQ(R(*m, 70), 0x12);
    EXPECT_EQ(R(*m, 5), 0x34);
    RunOne(*m, 0x11C, 0x05, 0xC0);  // xc
    EXPECT_EQ(R(*m, 70), 0x34);
    EXPECT_EQ(R(*m, 5), 0x12);
    RunOne(*m, 0x114, 0x05, 0xC0);  // swp of both
    EXPECT_EQ(R(*m, 70), 0x43);
    EXPECT_EQ(R(*m, 5), 0x21);
}

TEST(OneOperand, NegateComplementsAndCostNothing) {
    auto m = NewMachine();
    R(*m, 64) = 0x01;
    EXPECT_EQ(RunOne(*m, 0x0E0, 0x00), 0);  // cmp r64
    EXPECT_EQ(R(*m, 64), 0xFF);
    EXPECT_TRUE(m->Cpu.F & C);
    R(*m, 64) = 0x01;
    RunOne(*m, 0x0E4, 0x00);  // cmpb r64
    EXPECT_EQ(R(*m, 64), 0x99);
    EXPECT_TRUE(m->Cpu.F & C);
    R(*m, 64) = 0x00;
    RunOne(*m, 0x0E0, 0x00);
    EXPECT_EQ(R(*m, 64), 0x00);
    EXPECT_EQ(m->Cpu.F & (C | NZ), 0);
    R(*m, 3) = 0x0F;
    RunOne(*m, 0x0F8, 0x03);  // inv r3 (lower bank)
    EXPECT_EQ(R(*m, 3), 0xF0);
}

TEST(OneOperand, RotateKeepsCarryShiftStartsClear) {
    auto m = NewMachine();
    R(*m, 64) = 0x01;
    RunOne(*m, 0x102, 0x00, 0xFF);  // ad r64,&HFF: sets C
    R(*m, 65) = 0x40;
    RunOne(*m, 0x0E6, 0x01);  // rou r65
    EXPECT_EQ(R(*m, 65), 0x81);
    RunOne(*m, 0x102, 0x00, 0xFF);
    R(*m, 65) = 0x40;
    RunOne(*m, 0x1E4, 0x01);  // biu r65
    EXPECT_EQ(R(*m, 65), 0x80);
    R(*m, 66) = 0x81;
    m->Cpu.F = 0;
    RunOne(*m, 0x0F6, 0x02);  // rod r66 with C clear
    EXPECT_EQ(R(*m, 66), 0x40);
    EXPECT_TRUE(m->Cpu.F & C);
}

TEST(OneOperand, DigitShiftsOverSequences) {
    auto m = NewMachine();
    R(*m, 64) = 0x12;
    R(*m, 65) = 0x34;
    R(*m, 66) = 0x56;
    EXPECT_EQ(RunOne(*m, 0x0E5, 0x00, 0x40), 12);  // dium r64..r66
    EXPECT_EQ(R(*m, 64), 0x20);
    EXPECT_EQ(R(*m, 65), 0x41);
    EXPECT_EQ(R(*m, 66), 0x63);
    R(*m, 64) = 0x12;
    R(*m, 65) = 0x34;
    R(*m, 66) = 0x56;
    EXPECT_EQ(RunOne(*m, 0x0F5, 0x02, 0x00), 12);  // didm r66..r64 downward
    EXPECT_EQ(R(*m, 64), 0x41);
    EXPECT_EQ(R(*m, 65), 0x63);
    EXPECT_EQ(R(*m, 66), 0x05);
}

TEST(OneOperand, ByteMovesAndSwapUp) {
    auto m = NewMachine();
    R(*m, 8) = 0x11;
    R(*m, 9) = 0x22;
    R(*m, 10) = 0x33;
    m->Cpu.F = 0x77;
    RunOne(*m, 0x1F8, 0x10, 0x40);  // bnusm r8..r10 (lower bank)
    EXPECT_EQ(R(*m, 8), 0x11);
    EXPECT_EQ(R(*m, 9), 0x11);
    EXPECT_EQ(R(*m, 10), 0x22);
    EXPECT_EQ(m->Cpu.F, 0x77);
    R(*m, 8) = 0x12;
    RunOne(*m, 0x0EB, 0x10, 0x40);  // byum r8..r10
    EXPECT_EQ(R(*m, 8), 0x00);
    EXPECT_EQ(R(*m, 9), 0x12);
    EXPECT_EQ(R(*m, 10), 0x11);
}

TEST(OneOperand, RangeFormDoublesDecimal) {
    auto m = NewMachine();
    R(*m, 64) = 0x50;
    R(*m, 65) = 0x49;
    EXPECT_EQ(RunOne(*m, 0x1F6, 0x00, 0x20), 8);  // mtbm r64..r65
    EXPECT_EQ(R(*m, 64), 0x00);
    EXPECT_EQ(R(*m, 65), 0x99);
}

}  // namespace
}  // namespace varnox
