// Cases the other assembly tests leave open: status register names by
// opcode, the opcodes that share a name with trp, listing lengths of the
// nameless opcodes in data memory, ranges moved to their offset register,
// and where the half and indirect checks of the class rules fail.
#include <gtest/gtest.h>

#include <memory>

#include "AsmTestSupport.h"
#include "asm/Listing.h"

namespace varnox {
namespace {

using test::Asm;
using test::Dis;

// pst with an immediate names ko, if, as, ie; pst from a register names
// ko, f, as, ie. A data byte with bit 7 set moves the opcode to 0x1C0-0x1C3
// and must read the same.
TEST(OpcodeNames, PstNamesItsStatusRegisterByOpcode) {
    EXPECT_EQ(Dis(0xC0, 0x41), "pst ko,&H41");
    EXPECT_EQ(Dis(0xC1, 0x01), "pst if,&H01");
    EXPECT_EQ(Dis(0xC2, 0x05), "pst as,&H05");
    EXPECT_EQ(Dis(0xC3, 0x80), "pst ie,&H80");
    EXPECT_EQ(Dis(0xC4, 0x05), "pst ko,r69");
    EXPECT_EQ(Dis(0xC5, 0x05), "pst f,r69");
    EXPECT_EQ(Dis(0xC6, 0x05), "pst as,r69");
    EXPECT_EQ(Dis(0xC7, 0x05), "pst ie,r69");
    EXPECT_EQ(Dis(0xCC, 0x05), "pst ko,r5");

    EXPECT_EQ(Asm("pst as,&H05"), "C2 05");
    EXPECT_EQ(Asm("pst as,r5"), "CE 05");
    EXPECT_EQ(Asm("pst ko,r5"), "CC 05");
    EXPECT_EQ(Asm("pst ie,r70"), "C7 06");
}

// Four opcodes list as trp; the assembler always picks 0x1FF.
TEST(OpcodeNames, TrpHasFourOpcodesAndAssemblesToOne) {
    EXPECT_EQ(Dis(0xE7, 0x80), "trp");
    EXPECT_EQ(Dis(0xEF, 0x80), "trp");
    EXPECT_EQ(Dis(0xF7, 0x80), "trp");
    EXPECT_EQ(Dis(0xFF, 0x80), "trp");
    EXPECT_EQ(Asm("trp"), "FF 80");
    EXPECT_EQ(Asm("off"), "50 80");
}

// In data memory the listing gives 0x1EA its two operand bytes and 0x1E1
// and 0x1E9 their one, even though the processor runs them without any;
// rtn takes one byte whatever bit 7 of the next byte is.
TEST(NamelessOpcodes, NamelessOpcodesInDataMemoryTakeTheirFormsBytes) {
    auto m = std::make_unique<Machine>();
    const uint8_t bytes[] = {0xEA, 0x80, 0xC0,  // [EA80] at 0x4000
                             0xE1, 0x80,        // [E180] at 0x4003
                             0xE9, 0xA5,        // [E980] at 0x4005
                             0x58,              // rtn at 0x4007 (next byte bit 7 clear)
                             0x58, 0xF5};       // rtn at 0x4008 (next byte bit 7 set)
    for (size_t i = 0; i < sizeof bytes; ++i) m->DataRam[i] = bytes[i];

    const auto lines = WalkListing(*m, 0x4000, 5);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(FormatListingLine(lines[0]), "4000: [EA80]r0,r70");
    EXPECT_EQ(FormatListingLine(lines[1]), "4003: [E180][80]");
    EXPECT_EQ(FormatListingLine(lines[2]), "4005: [E980][A5]");
    EXPECT_EQ(FormatListingLine(lines[3]), "4007: rtn");
    EXPECT_EQ(FormatListingLine(lines[4]), "4008: rtn");
    EXPECT_EQ(lines[4].Next, 0x4009);
}

// With a register offset the word holds one set of low bits for the
// offset and the first data register: the range keeps its length and
// group and starts at the offset register's bits 0-2. The moved text
// assembles back to the same word.
TEST(ClassRuleDetails, RegisterOffsetRangesMoveToTheOffsetRegister) {
    EXPECT_EQ(Asm("stm (iy-r3),r72..r73"), "95 83 81");
    EXPECT_EQ(Dis(0x95, 0x83, 0x81), "stm (iy-r3),r75..r76");
    EXPECT_EQ(Asm("stm (iy-r3),r75..r76"), "95 83 81");

    // Eight registers from r64 moved to r69 wrap round inside the group.
    EXPECT_EQ(Asm("ldm r64..r71,(ix+r5)"), "B0 85 80");
    EXPECT_EQ(Dis(0xB0, 0x85, 0x80), "ldm r69..r68,(ix+r5)");
    EXPECT_EQ(Asm("ldm r69..r68,(ix+r5)"), "B0 85 80");

    // Byte offsets leave the range where it was typed.
    EXPECT_EQ(Asm("ldm r0..r7,(sp-&H3F)"), "BF 80 FF");
    EXPECT_EQ(Asm("stm (sp-&H20),r8..r9"), "9F 90 20");
    EXPECT_EQ(Asm("stm (ix+&H40),r0..r1"), "error at 13");  // offset limit 63
}

// A check made right after a register or range fails just after it; one
// made later fails where the scan stands then.
TEST(ClassRuleDetails, HalfAndIndirectChecksFailWhereTheRuleMakesThem) {
    EXPECT_EQ(Asm("adbm i64..i71,&H01"), "error at 15");  // after the comma and a failed second range
    EXPECT_EQ(Asm("stlem i64..i67,&H01"), "error at 15");  // just after the range
    EXPECT_EQ(Asm("ldm i64..i67,(ix)+"), "error at 14");   // before trying a pointer
    EXPECT_EQ(Asm("stm (ix+r5),i64..i67"), "error at 16");  // just after the first register
    EXPECT_EQ(Asm("ld i70,&H05"), "error at 8");
    EXPECT_EQ(Asm("st -(ix),i70"), "error at 13");
    EXPECT_EQ(Asm("pst ie,i70"), "error at 11");
    EXPECT_EQ(Asm("swp i70"), "error at 8");
    EXPECT_EQ(Asm("adb i70,r"), "error at 10");  // the failed second register took the r
    EXPECT_EQ(Asm("ijmp r120,i56"), "error at 14");
}

}  // namespace
}  // namespace varnox
