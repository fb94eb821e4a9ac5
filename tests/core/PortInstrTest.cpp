// pst and gst: the port write rules and reading the ports into registers.
#include <gtest/gtest.h>

#include "core/Cpu.h"
#include "core/Exec.h"
#include "support/MachineBuilder.h"

namespace varnox {
namespace {

using test::NewMachine;
using test::Program;
using test::R;

TEST(PortInstr, DisablingALevelEndsItsServiceAndDropsItsRequest) {
    auto m = NewMachine();
    m->Cpu.IE = 0x70;
    m->Cpu.IF = 0xE0;
    m->Cpu.IrqPending = {-5, 5, 3};
    Program(*m, {{0x0C3, 0x20},    // pst IE, 0x20: only level 1 stays enabled
                 {0x0C3, 0x00}});  // pst IE, 0x00
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.IE, 0x20);
    EXPECT_EQ(m->Cpu.IF, 0x40);
    EXPECT_EQ(m->Cpu.IrqPending, (std::array<int32_t, 3>{0, 5, 0}));
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.IF, 0x00);
    EXPECT_EQ(m->Cpu.IrqPending[1], 0);
}

TEST(PortInstr, InterruptFlagWriteTakesOnlyPowerAndLevelZeroLine) {
    auto m = NewMachine();
    m->Cpu.IF = 0xE6;  // in service bits, timer line and edge memory set
    m->Cpu.IE = 0x10;
    Program(*m, {{0x1C1, 0xFF},    // pst IF, 0xFF
                 {0x0C1, 0x00}});  // pst IF, 0x00
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.IF, 0xF7);
    EXPECT_EQ(m->Cpu.IrqPending[0], 0);  // the line was already remembered high
    EXPECT_TRUE(m->Lcd.LcdControl & LcdPowered);
    EXPECT_EQ(CpuStep(*m), 4);
    // Power off also drops the timer line; the edge memory follows bit 4.
    EXPECT_EQ(m->Cpu.IF, 0xE0);
    EXPECT_FALSE(m->Lcd.LcdControl & LcdPowered);
}

TEST(PortInstr, RaisingTheLevelZeroLineRequestsOnce) {
    auto m = NewMachine();
    m->Cpu.IE = 0x10;
    Program(*m, {{0x0C1, 0x10}, {0x0C1, 0x10}});
    CpuStep(*m);
    EXPECT_EQ(m->Cpu.IrqPending[0], -7);  // requested and aged by the step
    m->Cpu.IrqPending[0] = 0;
    CpuStep(*m);
    EXPECT_EQ(m->Cpu.IrqPending[0], 0);
}

TEST(PortInstr, KeyOutputWriteScansTheKeys) {
    auto m = NewMachine();
    m->HeldKeys[HeldMouseSlot] = 2;  // seen on KI bit 1 while KO drives 0x42
    Program(*m, {{0x0C0, 0x42},        // pst KO, 0x42
                 {0x071, 0x00, 0x20},  // jmp k, 0x0020
                 {0x0C0, 0x44}});      // pst KO, 0x44
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.KI, 0x02);
    CpuStep(*m);
    EXPECT_EQ(m->Cpu.PC, 0x0020);
    m->Cpu.PC = 2;
    CpuStep(*m);
    EXPECT_EQ(m->Cpu.KI, 0x00);
}

TEST(PortInstr, RegisterPortsRoundTripThroughRegisters) {
    auto m = NewMachine();
    R(*m, 64) = 0x5C;  // pst from the upper bank
    R(*m, 9) = 0xA4;   // pst from the lower bank
    Program(*m, {{0x0C6, 0x00},    // pst AS, R064
                 {0x0CD, 0x11},    // pst F, R009
                 {0x0D6, 0x01},    // gst AS into R065
                 {0x0DD, 0x02},    // gst F into R002
                 {0x0C2, 0x33},    // pst AS, 0x33
                 {0x0D4, 0x03}});  // gst KO into R067
    m->Cpu.KO = 0x21;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(R(*m, 65), 0x5C);
    EXPECT_EQ(R(*m, 2), 0xA4);
    EXPECT_EQ(m->Cpu.F, 0xA4);
    EXPECT_EQ(m->Cpu.AS, 0x33);
    EXPECT_EQ(R(*m, 67), 0x21);
}

TEST(PortInstr, KeyInputAndInterruptFlagsAreReadable) {
    auto m = NewMachine();
    m->Cpu.KI = 0x81;
    m->Cpu.IF = 0x41;
    Program(*m, {{0x151, 0x00},    // gst KI into R064
                 {0x159, 0x07},    // gst KI into R007
                 {0x1F9, 0x10}});  // gst IF into R008
    for (int i = 0; i < 3; ++i) EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(R(*m, 64), 0x81);
    EXPECT_EQ(R(*m, 7), 0x81);
    EXPECT_EQ(R(*m, 8), 0x41);
}

}  // namespace
}  // namespace varnox
