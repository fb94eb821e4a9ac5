// The opcode table against itself, the assembler's table and the processor.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "AsmTestSupport.h"
#include "asm/Asem.h"
#include "asm/OpcodeTable.h"
#include "core/Decode.h"
#include "support/MachineBuilder.h"

namespace varnox {
namespace {

using enum OperandForm;

bool Bracketed(std::string_view mnemonic) { return !mnemonic.empty() && mnemonic[0] == '['; }

TEST(OpcodeTable, NamesAndFormsOfTheSpecialOpcodes) {
    EXPECT_EQ(MnemonicOf(0x058), "rtn");
    EXPECT_EQ(MnemonicOf(0x158), "rtn");
    EXPECT_EQ(OpcodeTable[0x158].Form, NoOperands);
    EXPECT_EQ(MnemonicOf(0x150), "off");
    EXPECT_EQ(OpcodeTable[0x150].Form, FillerByte);
    EXPECT_EQ(MnemonicOf(0x1FF), "trp");
    EXPECT_EQ(OpcodeTable[0x1FF].Form, FillerByte);
    EXPECT_EQ(MnemonicOf(0x0EA), "[EA00]");
    EXPECT_EQ(OpcodeTable[0x0EA].Form, LowerUpper);
    EXPECT_EQ(MnemonicOf(0x135), "[3580]");
    EXPECT_EQ(OpcodeTable[0x135].Form, BracketedByte);
    EXPECT_EQ(MnemonicOf(0x068 + 0x100), "cani");
    EXPECT_EQ(MnemonicOf(0x1D0), "st");
    EXPECT_EQ(MnemonicOf(512 + 0x058), "rtn");  // taken modulo 512
}

TEST(OpcodeTable, MnemonicTextsAreTheAssemblersPlusTenBracketedOnes) {
    std::set<std::string> named, bracketed;
    for (unsigned op = 0; op < OpcodeCount; ++op) {
        const std::string mnemonic(MnemonicOf(op));
        ASSERT_LE(mnemonic.size(), 6u);
        if (Bracketed(mnemonic)) {
            char expected[8];
            std::snprintf(expected, sizeof expected, "[%02X%s]", op & 0xFF, op & 0x100 ? "80" : "00");
            EXPECT_EQ(mnemonic, expected);
            bracketed.insert(mnemonic);
        } else {
            named.insert(mnemonic);
        }
    }
    EXPECT_EQ(bracketed.size(), 10u);
    EXPECT_EQ(named.size(), 94u);

    std::set<std::string> assembled;
    for (const AsmEntry& entry : AsmTable) {
        if (std::string_view(entry.Mnemonic) != "db") assembled.insert(entry.Mnemonic);
    }
    EXPECT_EQ(named, assembled);
}

TEST(OpcodeTable, AssemblerBaseCodesNameTheirOwnMnemonic) {
    const std::set<std::string> noBase{"ld", "st", "ldm", "stm", "db"};
    for (const AsmEntry& entry : AsmTable) {
        if (noBase.count(entry.Mnemonic)) continue;
        EXPECT_EQ(MnemonicOf(entry.BaseCode), entry.Mnemonic) << entry.Mnemonic;
    }
}

// Where b1 is a data byte its bit 7 is opcode bit 8, so both halves must
// read the same.
TEST(OpcodeTable, DataByteFormsRepeatInBothHalves) {
    const std::set<OperandForm> dataByteForms{NoOperands,    IndexImm16,         PointerImm8, ConditionImm16,
                                              AtPointerImm8, PreStepPointerImm8, StatusImm8};
    for (unsigned op = 0; op < 0x100; ++op) {
        if (!dataByteForms.count(OpcodeTable[op].Form)) continue;
        EXPECT_EQ(MnemonicOf(op), MnemonicOf(op + 0x100)) << op;
        EXPECT_EQ(OpcodeTable[op].Form, OpcodeTable[op + 0x100].Form) << op;
    }
}

// Condition 8 ("*,") sits where rtn, cani and rti are; every other
// condition reaches the listing.
TEST(OpcodeTable, ConditionEightNeverPrints) {
    std::set<unsigned> printed;
    for (unsigned op = 0x050; op < 0x080; ++op) {
        const OperandForm form = OpcodeTable[op].Form;
        if (form == ConditionImm16 || form == ConditionIndexOrPair) printed.insert(op & 15);
    }
    EXPECT_EQ(printed.size(), 15u);
    EXPECT_EQ(printed.count(8), 0u);
    EXPECT_EQ(test::Dis(0x78), "rti");
}

TEST(OpcodeTable, StatusRegisterNamesOfPst) {
    EXPECT_EQ(StatusRegNames[0x0C0 & 7], "ko");
    EXPECT_EQ(StatusRegNames[0x0C1 & 7], "if");
    EXPECT_EQ(StatusRegNames[0x0C4 & 7], "ko");
    EXPECT_EQ(StatusRegNames[0x0C5 & 7], "f");
}

// The processor takes as many operand bytes as the listing shows, except
// for the four nameless opcodes that it runs as nop, and off, which never
// continues after itself (it restarts at 0).
TEST(OpcodeTable, ListingLengthsMatchTheProcessor) {
    const std::set<unsigned> runAsNop{0x0EA, 0x1EA, 0x1E1, 0x1E9, 0x150};
    for (unsigned op = 0; op < OpcodeCount; ++op) {
        auto m = test::NewMachine();
        test::PutWord(*m, 0x100, op, 0x00, 0x00);
        m->Cpu.PC = 0x100;
        DecodeAndDispatch(*m);
        const int taken = m->Cpu.OperandIndex - 1;
        if (runAsNop.count(op)) {
            EXPECT_EQ(taken, 0) << std::hex << op;
        } else {
            EXPECT_EQ(taken, FormOperandBytes(OpcodeTable[op].Form)) << std::hex << op << " " << MnemonicOf(op);
        }
    }
}

}  // namespace
}  // namespace varnox
