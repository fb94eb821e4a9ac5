// Register walks that only some operand forms take: one-operand sequences
// through an AS window (up and down), the range forms that ignore AS, rotate
// sequences that take the previous carry, and the search's compared byte.
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

constexpr uint8_t C = FlagC, NZ = FlagNZ, UZ = FlagUZ, LZ = FlagLZ;

TEST(OneOperandWindow, UpwardSequenceStopsAtTheWindowEndAndCountsTheRest) {
    auto m = NewMachine();
    R(*m, 72) = 0x12;
    R(*m, 73) = 0x34;
    R(*m, 74) = 0x56;
    R(*m, 75) = 0x78;
    // AS bit 0 set: start index 0 (bits 3-1), window end index 2 (bits 6-4).
    m->Cpu.AS = 0x21;
    // dium, counted from index 0 to 5 of upper group 1 through AS.
    EXPECT_EQ(RunOne(*m, 0x0E5, 0x00, 0xB1), 6 * 4);
    EXPECT_EQ(R(*m, 72), 0x20);
    EXPECT_EQ(R(*m, 73), 0x41);
    EXPECT_EQ(R(*m, 74), 0x63);
    EXPECT_EQ(R(*m, 75), 0x78);  // beyond the window
    // The discarded tail bytes (0x05, 0x00, 0x00) still set the zero flags.
    EXPECT_EQ(m->Cpu.F, NZ | UZ | LZ);
}

TEST(OneOperandWindow, DownwardSequenceStopsAtTheFirstRegisterOfTheWindowGroup) {
    auto m = NewMachine();
    R(*m, 72) = 0x56;
    R(*m, 73) = 0x34;
    R(*m, 74) = 0x12;
    R(*m, 79) = 0x9A;
    R(*m, 71) = 0xBC;
    // AS bit 0 clear: the window starts at R(64 + AS bits 6-1) = R074 and
    // spans its group R072..R079.
    m->Cpu.AS = 0x14;
    // didm from index 7 down to index 2: six bytes, three of them in the
    // window before it runs out at R072.
    EXPECT_EQ(RunOne(*m, 0x0F5, 0x07, 0x50), 6 * 4);
    EXPECT_EQ(R(*m, 74), 0x01);
    EXPECT_EQ(R(*m, 73), 0x23);
    EXPECT_EQ(R(*m, 72), 0x45);
    EXPECT_EQ(R(*m, 79), 0x9A);  // no wrap within the group
    EXPECT_EQ(R(*m, 71), 0xBC);
    EXPECT_EQ(m->Cpu.F, NZ | UZ | LZ);
}

TEST(OneOperandWindow, RangeFormTakesItsGroupFromTheLowerOperandAndIgnoresAs) {
    auto m = NewMachine();
    R(*m, 72) = 0x01;
    R(*m, 73) = 0x00;
    R(*m, 64) = 0x01;
    R(*m, 69) = 0x01;
    m->Cpu.AS = 0x0B;  // would name R093 or R069 if AS were used
    // cmpbm over R072..R073: b2 has the indirect bit set, which this form
    // does not read.
    EXPECT_EQ(RunOne(*m, 0x0F4, 0x10, 0x30), 2 * 4);
    EXPECT_EQ(R(*m, 72), 0x99);  // 0 - 01
    EXPECT_EQ(R(*m, 73), 0x99);  // 0 - 00 - borrow
    EXPECT_TRUE(m->Cpu.F & C);
    EXPECT_EQ(R(*m, 64), 0x01);
    EXPECT_EQ(R(*m, 69), 0x01);
}

TEST(OneOperandWindow, RotateSequenceTakesTheCarryShiftSequenceDoesNot) {
    auto m = NewMachine();
    R(*m, 64) = 0x80;
    R(*m, 65) = 0x00;
    m->Cpu.F = C | UZ | LZ;  // all but C is dropped
    EXPECT_EQ(RunOne(*m, 0x0E7, 0x00, 0x20), 2 * 4);  // roum R064..R065
    EXPECT_EQ(R(*m, 64), 0x01);
    EXPECT_EQ(R(*m, 65), 0x01);
    EXPECT_EQ(m->Cpu.F, NZ | UZ);

    R(*m, 64) = 0x80;
    R(*m, 65) = 0x00;
    m->Cpu.F = C;
    EXPECT_EQ(RunOne(*m, 0x1F4, 0x00, 0x20), 2 * 4);  // bium R064..R065
    EXPECT_EQ(R(*m, 64), 0x00);
    EXPECT_EQ(R(*m, 65), 0x01);
    EXPECT_EQ(m->Cpu.F, NZ | UZ);
}

TEST(SearchCompare, ReadsTheByteAWriteWouldReach) {
    auto m = NewMachine();
    SetIndex(m->Cpu, RegIx, 0x1000);  // a ROM window: writes land in WriteSink
    SetIndex(m->Cpu, RegIy, 0x1003);
    m->DataRom[0x1001] = 0x00;
    m->WriteSink = 0x5A;  // the last lost write
    R(*m, 64) = 0x5A;
    EXPECT_EQ(RunOne(*m, 0x134, 0x00), 16);  // sup R064
    EXPECT_EQ(GetIndex(m->Cpu, RegIx), 0x1001);
    EXPECT_EQ(m->Cpu.PC, 1);  // found at once: no repeat
}

}  // namespace
}  // namespace varnox
