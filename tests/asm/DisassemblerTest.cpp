// Operand texts of every form, listing lines and the listing walk.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <type_traits>

#include "AsmTestSupport.h"
#include "asm/Dis.h"
#include "asm/Listing.h"
#include "asm/OpcodeTable.h"
#include "core/InstructionRead.h"

namespace varnox {
namespace {

using test::Dis;

TEST(Disassembler, ImmediateAndTransferForms) {
    EXPECT_EQ(Dis(0x40, 0x12, 0xAB), "ldw ix,&H12AB");       // IndexImm16
    EXPECT_EQ(Dis(0x46, 0x92, 0x00), "ldw v0,&H9200");       // IndexImm16, high b1
    EXPECT_EQ(Dis(0x4F, 0x08), "sbw sp,&H08");               // PointerImm8
    EXPECT_EQ(Dis(0x70, 0x0C, 0x40), "jmp &H0C40");          // ConditionImm16, condition 0
    EXPECT_EQ(Dis(0x74, 0x0C, 0x40), "jmp nz,&H0C40");
    EXPECT_EQ(Dis(0x71, 0x8C, 0x40), "jmp k,&H8C40");
    EXPECT_EQ(Dis(0x6F, 0x00, 0x01), "cal nc,&H0001");
    EXPECT_EQ(Dis(0xD0, 0x20), "st (ix),&H20");              // AtPointerImm8
    EXPECT_EQ(Dis(0xDB, 0x00), "st -(sp),&H00");             // PreStepPointerImm8: sign from opcode bit 4
    EXPECT_EQ(Dis(0xC9, 0x80), "st +(iy),&H80");
    EXPECT_EQ(Dis(0x58, 0x80), "rtn");                       // NoOperands
    EXPECT_EQ(Dis(0x50, 0xC0), "off");                       // FillerByte
    EXPECT_EQ(Dis(0x35, 0xA5), "[3580] [A5]");               // BracketedByte
}

TEST(Disassembler, RegisterPairForms) {
    EXPECT_EQ(Dis(0x00, 0x05, 0xC0), "adb r70,r5");          // UpperLower
    EXPECT_EQ(Dis(0x08, 0x05, 0xC0), "adb r5,r70");          // LowerUpper
    EXPECT_EQ(Dis(0x08, 0x05, 0xD0), "adb r5,i70");
    EXPECT_EQ(Dis(0x08, 0x05, 0xC8), "adb r5,r70");          // b2 bit 3 ignored
    EXPECT_EQ(Dis(0xEA, 0x05, 0xD0), "[EA00] r5,i70");
    EXPECT_EQ(Dis(0x00, 0x86, 0x10), "adb r70,&H10");        // BankRegImm8, upper bank
    EXPECT_EQ(Dis(0x08, 0xF7, 0xFF), "adb r63,&HFF");        // BankRegImm8, lower bank
    EXPECT_EQ(Dis(0x18, 0x12, 0xA0), "adbm r10..r13,r66..r69");  // LowerRangeUpperRange
    EXPECT_EQ(Dis(0x10, 0x12, 0xB0), "adbm i66..i69,r10..r13");  // UpperRangeLowerRange, indirect
    EXPECT_EQ(Dis(0x10, 0x80, 0xE1), "adbm r64..r71,&H21");  // BankRangeImm6
    EXPECT_EQ(Dis(0x10, 0x88, 0xE1), "adbm r64..r71,&H01");  // b1 bit 3: G below 32
}

TEST(Disassembler, PointerForms) {
    EXPECT_EQ(Dis(0x87, 0x00), "st -(sp),r64");              // PreStepPointerBankReg
    EXPECT_EQ(Dis(0xE8, 0x05), "cmp r5");                    // BankReg
    EXPECT_EQ(Dis(0x80, 0x85, 0xC0), "st (ix+r5),r70");      // OffsetPointerReg
    EXPECT_EQ(Dis(0x8C, 0x85, 0x02), "st (ix-&H02),r5");
    EXPECT_EQ(Dis(0xA3, 0x00), "ld r64,(sp)+");              // BankRegPointerPostStep
    EXPECT_EQ(Dis(0xA0, 0x85, 0xC0), "ld r70,(ix+r5)");      // RegOffsetPointer
    EXPECT_EQ(Dis(0xA9, 0x85, 0x10), "ld r5,(iy+&H10)");
    EXPECT_EQ(Dis(0x97, 0x00, 0x60), "stm -(sp),r64..r67");  // PreStepPointerBankRange
    EXPECT_EQ(Dis(0x90, 0x85, 0x00), "stm (ix+r5),r69..r64");  // OffsetPointerRange
    EXPECT_EQ(Dis(0x9A, 0x88, 0x64), "stm (iz+&H04),r0..r3");
    EXPECT_EQ(Dis(0x90, 0x85, 0x10), "stm (ix+r5),?69..?64");  // ? for the indirect bit
    EXPECT_EQ(Dis(0xB0, 0x85, 0x10), "ldm ?69..?64,(ix+r5)");  // RangeOffsetPointer
    EXPECT_EQ(Dis(0xBA, 0x88, 0x64), "ldm r0..r3,(iz+&H04)");
    EXPECT_EQ(Dis(0xB3, 0x00, 0x60), "ldm r64..r67,(sp)+");  // BankRangePointerPostStep
}

TEST(Disassembler, RangeStatusAndIjmpForms) {
    EXPECT_EQ(Dis(0xE1, 0x00, 0xE0), "cmpm r64..r71");       // UpperOrLowerRange, upper
    EXPECT_EQ(Dis(0xE1, 0x00, 0xF0), "cmpm i64..i71");
    EXPECT_EQ(Dis(0xE9, 0x10, 0xE0), "cmpm r8..r15");        // UpperOrLowerRange, lower
    EXPECT_EQ(Dis(0xF4, 0x00, 0x60), "cmpbm r64..r67");      // BankRange
    EXPECT_EQ(Dis(0xCF, 0x05), "pst ie,r5");                 // StatusBankReg
    EXPECT_EQ(Dis(0xC0, 0x41), "pst ko,&H41");               // StatusImm8
    EXPECT_EQ(Dis(0xC5, 0x05), "pst f,r69");
    EXPECT_EQ(Dis(0xD4, 0x01), "gst r65,ko");                // BankRegStatus
    EXPECT_EQ(Dis(0xF9, 0x85), "gst r5,if");                 // BankRegIf
    EXPECT_EQ(Dis(0x51, 0x80), "gst r64,ki");                // BankRegKi
    EXPECT_EQ(Dis(0x50, 0x70, 0x07), "ijmp ix");             // ConditionIndexOrPair
    EXPECT_EQ(Dis(0x5C, 0x76, 0xC7), "ijmp z,v0");
    EXPECT_EQ(Dis(0x50, 0x05, 0xC0), "ijmp r70,r5");
    EXPECT_EQ(Dis(0x50, 0x70, 0x0F), "ijmp r120,r56");       // b2 bit 3 breaks the pair
    EXPECT_EQ(Dis(0x50, 0x70, 0x17), "ijmp i120,r56");
}

TEST(Disassembler, TakesOnlyTheFormsBytes) {
    auto m = std::make_unique<Machine>();
    m->DataRam[0] = 0x58;  // rtn at 0x4000; its b1 belongs to the next line
    m->DataRam[1] = 0xF5;
    const InstructionAt rtn = ReadInstructionAt(*m, 0x4000);
    EXPECT_EQ(rtn.Opcode, 0x158u);
    EXPECT_EQ(Disassemble(rtn.Opcode, rtn.Word[1], rtn.Word[2]), "");
    EXPECT_EQ(rtn.Next, 0x4001);
}

// Listing reads an instruction as the processor's fetch would, without
// fetching: on random machines, the gate shut or open, at random addresses
// and at the edges of the two fetch paths, a line and its read give the
// bytes and the next address that a live fetch on a copy leaves behind once
// it takes the form's operand bytes; and listing a pane leaves every byte
// of the machine as it was.
// Every byte of the machine's state; the decoded words are a cache of the
// ROM and are left out.
bool SameBytes(const Machine& a, const Machine& b) {
    const auto same = [](const auto& x, const auto& y) {
        static_assert(std::is_trivially_copyable_v<std::remove_cvref_t<decltype(x)>>);
        return std::memcmp(&x, &y, sizeof x) == 0;
    };
    return same(a.InstrRom, b.InstrRom) && same(a.DataRom, b.DataRom) && same(a.DataRam, b.DataRam) &&
           same(a.ReadSink, b.ReadSink) && same(a.WriteSink, b.WriteSink) && same(a.Cpu, b.Cpu) &&
           same(a.Lcd, b.Lcd) && same(a.HeldKeys, b.HeldKeys) && same(a.Clock, b.Clock) &&
           same(a.Config, b.Config);
}

TEST(Listing, ReadsWhatTheLiveFetchConsumesAndChangesNothing) {
    std::mt19937 random(20261208);
    const auto byte = [&] { return static_cast<uint8_t>(random()); };
    const uint16_t edges[] = {0x0000, 0x17FE, 0x17FF, 0x1800, 0x1801, 0x3FFF, 0x7FFF, 0xBFFF, 0xFFFD, 0xFFFE, 0xFFFF};
    for (int round = 0; round < 8; ++round) {
        auto m = std::make_unique<Machine>();
        for (uint8_t& b : m->InstrRom) b = byte();
        for (uint8_t& b : m->DataRom) b = byte();
        for (uint8_t& b : m->DataRam) b = byte();
        m->Cpu.IE = byte();
        m->Cpu.PC = static_cast<uint16_t>(random());
        m->Cpu.InstrBytes = {byte(), byte(), byte()};
        m->Cpu.StepCycles = round;
        const auto before = std::make_unique<Machine>(*m);

        for (int k = 0; k < 300; ++k) {
            const uint16_t address = k < static_cast<int>(std::size(edges)) ? edges[k] : static_cast<uint16_t>(random());
            const InstructionAt read = ReadInstructionAt(*m, address);
            const ListingLine line = ListInstruction(*m, address);
            auto live = std::make_unique<Machine>(*m);
            live->Cpu.PC = address;
            const unsigned opcode = FetchInstruction(*live);
            for (int i = FormOperandBytes(OpcodeTable[opcode].Form); i > 0; --i) NextOperandByte(*live);
            ASSERT_EQ(read.Opcode, opcode) << address;
            ASSERT_EQ(read.Word, live->Cpu.InstrBytes) << address;
            ASSERT_EQ(read.Next, live->Cpu.PC) << address;
            ASSERT_EQ(line.Next, live->Cpu.PC) << address;
            ASSERT_EQ(line.Mnemonic, MnemonicOf(opcode)) << address;
        }
        WalkListing(*m, static_cast<uint16_t>(random()), 40);
        EXPECT_TRUE(SameBytes(*before, *m));
    }
}

TEST(Listing, LineLayout) {
    EXPECT_EQ(FormatListingLine({0x1A2F, "ldw", "ix,&H12AB", 0}), "1A2F: ldw   ix,&H12AB");
    EXPECT_EQ(FormatListingLine({0x0000, "rtn", "", 0}), "0000: rtn");
    EXPECT_EQ(FormatListingLine({0x0001, "[3580]", "[A5]", 0}), "0001: [3580][A5]");
    EXPECT_EQ(FormatListingLine({0xFFFF, "bnusm", "r64..r71", 0}), "FFFF: bnusm r64..r71");
}

TEST(Listing, LengthsInInstructionRomAndDataMemory) {
    auto m = std::make_unique<Machine>();
    const uint8_t ldw[3] = {0x40, 0x12, 0xAB};
    for (int i = 0; i < 3; ++i) m->InstrRom[i] = ldw[i];
    for (int i = 0; i < 3; ++i) m->DataRam[i] = ldw[i];
    m->DataRam[3] = 0x35;  // [3580] at 0x4003 takes one byte
    m->DataRam[4] = 0xA5;
    m->DataRam[5] = 0xEA;  // [EA00] at 0x4005 lists with two
    m->Cpu.PC = 0x1234;
    m->Cpu.IE = 0x03;  // the listing reads past the memory gate

    const auto lines = WalkListing(*m, 0x4000, 3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(FormatListingLine(lines[0]), "4000: ldw   ix,&H12AB");
    EXPECT_EQ(lines[0].Next, 0x4003);
    EXPECT_EQ(FormatListingLine(lines[1]), "4003: [3580][A5]");
    EXPECT_EQ(lines[2].Address, 0x4005);
    EXPECT_EQ(lines[2].Next, 0x4008);
    EXPECT_EQ(m->Cpu.PC, 0x1234);
    EXPECT_EQ(m->Cpu.IE, 0x03);

    const auto rom = WalkListing(*m, 0x0000, 2);
    EXPECT_EQ(FormatListingLine(rom[0]), "0000: ldw   ix,&H12AB");
    EXPECT_EQ(rom[0].Next, 0x0001);
}

TEST(Listing, WalkCrossesIntoDataMemoryAndStopsAtTheWrap) {
    auto m = std::make_unique<Machine>();
    m->DataRom[0x1800] = 0x58;  // rtn at data address 0x1800
    const auto lines = WalkListing(*m, 0x17FE, 4);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].Address, 0x17FF);
    EXPECT_EQ(lines[2].Address, 0x1800);
    EXPECT_EQ(lines[2].Mnemonic, "rtn");
    EXPECT_EQ(lines[3].Address, 0x1801);

    // At 0xFFFF the word wraps to 0x0000 and 0x0001; PC lands below 0x1800,
    // so no operand byte advances it, and the walk ends there.
    m->DataRam[0x1FFF] = 0x40;
    m->DataRom[0] = 0x12;
    m->DataRom[1] = 0xAB;
    const auto last = WalkListing(*m, 0xFFFF, 16);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(FormatListingLine(last[0]), "FFFF: ldw   ix,&H12AB");
    EXPECT_EQ(last[0].Next, 0x0000);

    EXPECT_EQ(WalkListing(*m, 0xFFFD, 16).size(), 1u);  // three bytes reach 0x0000
    EXPECT_EQ(WalkListing(*m, 0x0000, 0).size(), 0u);
}

}  // namespace
}  // namespace varnox
