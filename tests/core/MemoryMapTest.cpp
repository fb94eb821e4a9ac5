// The data address map, the memory gate and the two instruction fetch paths.
#include <gtest/gtest.h>

#include "core/Cpu.h"
#include "core/Def.h"
#include "support/MachineBuilder.h"

namespace varnox {
namespace {

using test::NewMachine;
using test::PutWord;

TEST(MemoryMap, ReadsReachRomHalvesAndRamMirrors) {
    auto m = NewMachine();
    m->DataRom[0x2000] = 0x11;
    m->DataRom[0x5000] = 0x22;
    m->DataRam[0x0123] = 0x33;
    EXPECT_EQ(MemReadPtr(*m, 0x2000), 0x11);
    EXPECT_EQ(MemReadPtr(*m, 0x9000), 0x22);
    for (const uint16_t a : {uint16_t{0x4123}, uint16_t{0x6123}, uint16_t{0xC123}, uint16_t{0xE123}}) EXPECT_EQ(MemReadPtr(*m, a), 0x33) << std::hex << a;
}

TEST(MemoryMap, WritesLandInRamOrAreLost) {
    auto m = NewMachine();
    MemWritePtr(*m, 0xE123) = 0x55;
    EXPECT_EQ(MemReadPtr(*m, 0x4123), 0x55);
    const auto romBefore = m->DataRom;
    const auto ramBefore = m->DataRam;
    MemWritePtr(*m, 0x1234) = 0x99;
    MemWritePtr(*m, 0xA000) = 0x99;
    EXPECT_EQ(m->DataRom, romBefore);
    EXPECT_EQ(m->DataRam, ramBefore);
}

TEST(MemoryMap, GateHidesMemoryButNotTheFetch) {
    for (const uint8_t ie : {uint8_t{0x01}, uint8_t{0x02}, uint8_t{0x03}}) {
        auto m = NewMachine();
        m->DataRam[0] = 0x58;  // rtn
        m->Cpu.IE = ie;
        EXPECT_EQ(MemReadPtr(*m, 0x4000), 0xFF);
        MemWritePtr(*m, 0x4000) = 0x12;
        EXPECT_EQ(m->DataRam[0], 0x58);
        m->Cpu.PC = 0x4000;
        EXPECT_EQ(FetchInstruction(*m), 0x058u);
        EXPECT_EQ(m->Cpu.IE, ie);
        EXPECT_EQ(m->ReadSink, 0xFF);
    }
}

TEST(MemoryMap, AnyAddressAndGateValueStaysInsideTheStores) {
    auto m = NewMachine();
    for (unsigned ie = 0; ie < 4; ++ie) {
        m->Cpu.IE = static_cast<uint8_t>(ie);
        for (unsigned a = 0; a < 0x10000; a += 0x3F) {
            const uint8_t* read = &MemReadPtr(*m, static_cast<uint16_t>(a));
            uint8_t* write = &MemWritePtr(*m, static_cast<uint16_t>(a));
            const bool readInside = read == &m->ReadSink || (read >= m->DataRom.data() && read < m->DataRom.data() + DataRomBytes) ||
                                    (read >= m->DataRam.data() && read < m->DataRam.data() + DataRamBytes);
            const bool writeInside = write == &m->WriteSink || (write >= m->DataRam.data() && write < m->DataRam.data() + DataRamBytes);
            EXPECT_TRUE(readInside && writeInside) << std::hex << a;
        }
    }
}

TEST(Fetch, LastRomWordThenDataMemory) {
    auto m = NewMachine();
    PutWord(*m, 0x17FF, 0x100, 0x05, 0x42);  // adb r69,&H42: two operand bytes
    m->Cpu.PC = 0x17FF;
    EXPECT_EQ(CpuStep(*m), 4);
    EXPECT_EQ(m->Cpu.PC, 0x1800);
    // 0x1800 is in the low ROM window: with no image it reads zeros, so the
    // next step fetches adb r64,r0 from data memory: 3 bytes, 2+2+2 fetch cycles.
    EXPECT_EQ(CpuStep(*m), 4 + 6);
    EXPECT_EQ(m->Cpu.PC, 0x1803);
}

TEST(Fetch, DataMemoryInstructionLengthFollowsOperandBytes) {
    auto m = NewMachine();
    // adb r70,r5 at 0x5000 takes two operand bytes.
    m->DataRam[0x1000] = 0x00;
    m->DataRam[0x1001] = 0x05;
    m->DataRam[0x1002] = 0xC0;
    // nop at 0x5003 takes none.
    m->DataRam[0x1003] = 0xFA;
    m->Cpu.PC = 0x5000;
    EXPECT_EQ(CpuStep(*m), 4 + 2 + 2 + 2);
    EXPECT_EQ(m->Cpu.PC, 0x5003);
    EXPECT_EQ(CpuStep(*m), 4 + 2);
    EXPECT_EQ(m->Cpu.PC, 0x5004);
}

TEST(Fetch, WrapsFromTopOfMemoryIntoInstructionRom) {
    auto m = NewMachine();
    m->DataRam[0x1FFF] = 0x00;  // adb at 0xFFFF; operands from DataRom 0x0000, 0x0001
    m->DataRom[0x0000] = 0x05;
    m->DataRom[0x0001] = 0xC0;
    m->Cpu.PC = 0xFFFF;
    m->Cpu.MainRegisterFile[5] = 3;
    m->Cpu.MainRegisterFile[70] = 4;
    // PC wraps to 0 (below 0x1800), so the operand bytes do not advance it.
    EXPECT_EQ(CpuStep(*m), 4 + 2);
    EXPECT_EQ(m->Cpu.PC, 0x0000);
    EXPECT_EQ(m->Cpu.MainRegisterFile[70], 7);
}

}  // namespace
}  // namespace varnox
