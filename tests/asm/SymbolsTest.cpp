// Symbols: the labels a source writes, the symbol file they travel in, and
// the listing and line assembler that use them.
#include <gtest/gtest.h>

#include <string>

#include "asm/NamedListing.h"
#include "asm/SourceAsm.h"
#include "asm/Symbols.h"
#include "support/AsmProgram.h"

namespace varnox {
namespace {

constexpr std::string_view Program =
    "        org 0\n"
    "start:  ldw sp,&HE000\n"
    "        ldw ix,counter\n"
    "        ldw v1,tick\n"
    ".again: cal work\n"
    "        jmp start.again\n"
    "work:   st (ix),&H05\n"
    "tick:   rtn\n"
    "        ram &HC010\n"
    "counter: ds 1\n"
    "        data &H8000\n"
    "table:  db 1,2\n";

TEST(Symbols, LabelsRoundTripThroughTheSymbolFile) {
    const SourceImages images = AssembleSource(Program);
    ASSERT_TRUE(images.Errors.empty());
    const std::string text = SymbolFileText(images.Labels, 0x1234ABCDu);
    EXPECT_EQ(text,
              "; rom0.bin CRC-32 1234ABCD\n"
              "code 0000 start\ncode 0003 start.again\ncode 0005 work\ncode 0006 tick\n"
              "data 8000 table\ndata C010 counter\n");
    const ParsedSymbols parsed = ParseSymbolText(text, "rom.sym");
    EXPECT_TRUE(parsed.Messages.empty());
    EXPECT_EQ(parsed.Rom0Crc, 0x1234ABCDu);
    EXPECT_EQ(SymbolFileText(parsed.Table.All(), 0x1234ABCDu), text);
}

TEST(Symbols, MalformedLinesAreNamedAndSkipped) {
    // "proc" is a kind of row this reader does not know: skipped unnamed.
    const ParsedSymbols parsed = ParseSymbolText(
        "code 0010 good\n\n; a comment\ncode 12345 long\nproc 0010 kind\ndata 00G0 digit\ncode 0011 9name\n"
        "code 0012\ncode 0013 good\ndata C000 ok.local\r\nline 0002 main.asm\nline 0003 my file.asm:12\n",
        "my.sym");
    const std::vector<std::string> expected{
        "my.sym:4: the address is 1 to 4 hex digits, not '12345'",
        "my.sym:6: the address is 1 to 4 hex digits, not '00G0'",
        "my.sym:7: '9name' is not a name",
        "my.sym:8: expected \"code HHHH name\" or \"data HHHH name\", not 'code 0012'",
        "my.sym:9: 'good' is named twice; the first is kept",
        "my.sym:11: expected \"line HHHH FILE:LINE\", not 'line 0002 main.asm'",
    };
    EXPECT_EQ(parsed.Messages, expected);
    ASSERT_EQ(parsed.Table.All().size(), 2u);
    EXPECT_EQ(parsed.Table.Find("good")->Address, 0x10);
    EXPECT_EQ(parsed.Table.Find("ok.local")->Space, SymbolSpace::Data);
    EXPECT_EQ(parsed.Table.Find("Good"), nullptr);  // spelled as the assembler spells it
    EXPECT_EQ(parsed.Lines, (std::vector<SourceLineRow>{{3, "my file.asm", 12}}));
}

class NamedListingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(test::LoadSource(m, Program), "");
        const SourceImages images = AssembleSource(Program);
        for (const Symbol& symbol : images.Labels) symbols.Add(symbol);
    }
    Machine m;
    SymbolTable symbols;
};

TEST_F(NamedListingTest, LabelsAndNamesShowWhereTheyStand) {
    std::string text;
    for (const ListingRow& row : WalkNamedListing(m, 0, 10, &symbols)) text += FormatListingRow(row) + "\n";
    EXPECT_EQ(text,
              "start:\n"
              "0000: ldw   sp,&HE000\n"
              "0001: ldw   ix,counter\n"
              "0002: ldw   v1,tick\n"
              "start.again:\n"
              "0003: cal   work\n"
              "0004: jmp   start.again\n"
              "work:\n"
              "0005: st    (ix),&H05\n"
              "tick:\n");
    // Without symbols: the plain listing, line for line.
    const std::vector<ListingRow> plain = WalkNamedListing(m, 0, 3, nullptr);
    ASSERT_EQ(plain.size(), 3u);
    EXPECT_EQ(FormatListingRow(plain[1]), "0001: ldw   ix,&HC010");
}

TEST_F(NamedListingTest, TypedLinesTakeNamesAndReportPositionsAsTyped) {
    struct Case {
        std::string_view line;
        int errorPos;
        std::string_view sameAs;  // assembles to the bytes of this line
    };
    const Case cases[] = {
        {"cal work", 0, "cal &H0005"},
        {"jmp nz,start.again", 0, "jmp nz,&H0003"},
        {"ldw iy,counter", 0, "ldw iy,&HC010"},
        {"ldw iy,nowhere", 8, ""},     // an unknown name is where the line fails
        {"st (ix),counter", 9, ""},    // a 16-bit name in a byte's place: at the name
        {"ad r5,&H01 ; work", 0, "ad r5,&H01"},
    };
    for (const Case& c : cases) {
        const AsmResult result = AssembleNamed(c.line, &symbols);
        EXPECT_EQ(result.AsmErrorPos, c.errorPos) << c.line;
        if (!c.sameAs.empty()) {
            const AsmResult expected = Assemble(c.sameAs);
            EXPECT_EQ(result.AsmCount, expected.AsmCount) << c.line;
            EXPECT_EQ(result.AsmBytes, expected.AsmBytes) << c.line;
        }
    }
    // Without symbols, and in quotes, names are left as typed.
    for (std::string_view line : {"cal work", "db \"work\""}) {
        EXPECT_EQ(AssembleNamed(line, line[0] == 'c' ? nullptr : &symbols).AsmErrorPos, Assemble(line).AsmErrorPos);
    }
}

}  // namespace
}  // namespace varnox
