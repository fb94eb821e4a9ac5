// The file assembler: placement, labels, errors and the listing, and a
// program it builds run on the machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

#include "asm/SourceAsm.h"
#include "core/Cpu.h"
#include "core/Def.h"

namespace varnox {
namespace {

std::string Errors(const SourceImages& images) {
    std::string text;
    for (const SourceError& e : images.Errors) text += FormatSourceError("t.asm", e) + "\n";
    return text;
}

TEST(SourceAsm, RunsOnTheMachine) {
    const SourceImages images = AssembleSource(
        "; read two bytes of a table and stop\n"
        "start:  ldw ix,table       ; ix points at the table\n"
        "        ld r5,(ix)+\n"
        "\tld r6,(ix)+\n"
        "        jmp done\n"
        "        db 1,2,3           ; never reached\n"
        "done:   jmp done\n"
        "        data &H1000\n"
        "table:  db &H11,&H22\n");
    ASSERT_EQ(Errors(images), "");
    auto m = std::make_unique<Machine>();
    std::copy(images.Rom0.begin(), images.Rom0.end(), m->InstrRom.begin());
    std::copy(images.Rom1.begin(), images.Rom1.end(), m->DataRom.begin());
    for (int i = 0; i < 6; ++i) CpuStep(*m);
    EXPECT_EQ(m->Cpu.MainRegisterFile[5], 0x11);
    EXPECT_EQ(m->Cpu.MainRegisterFile[6], 0x22);
    EXPECT_EQ(GetIndex(m->Cpu, RegIx), 0x1002);
    EXPECT_EQ(m->Cpu.PC, 5);
}

TEST(SourceAsm, PlacesCodeWordsAndDataBytes) {
    const SourceImages images = AssembleSource(
        "        rtn\n"
        "        org &H17FF\n"
        "        ldw ix,&H1234\n"
        "        data 16\n"
        "        db 1,2\n"
        "        db 3\n"
        "        data &HBFFF\n"
        "        db &HAA\n");
    ASSERT_EQ(Errors(images), "");
    ASSERT_EQ(images.Rom0.size(), 18432u);
    ASSERT_EQ(images.Rom1.size(), 32768u);
    EXPECT_EQ(images.Rom0[0], 0x58);
    EXPECT_EQ(images.Rom0[1], 0x00);  // the rest of a short word stays 0
    EXPECT_EQ(images.Rom0[3 * 0x17FF], 0x40);
    EXPECT_EQ(images.Rom0[3 * 0x17FF + 1], 0x12);
    EXPECT_EQ(images.Rom0[3 * 0x17FF + 2], 0x34);
    EXPECT_EQ(std::count(images.Rom0.begin(), images.Rom0.end(), 0), 18432 - 4);
    EXPECT_EQ(images.Rom1[16], 1);
    EXPECT_EQ(images.Rom1[17], 2);
    EXPECT_EQ(images.Rom1[18], 3);
    EXPECT_EQ(images.Rom1[0x7FFF], 0xAA);  // data address 0xBFFF is the last ROM byte
    EXPECT_EQ(std::count(images.Rom1.begin(), images.Rom1.end(), 0xFF), 32768 - 4);
}

TEST(SourceAsm, LabelsStandForNumbersEitherSideOfTheirDefinition) {
    const SourceImages images = AssembleSource(
        "        jmp nz,later\n"
        "back:\n"
        "        cal back\n"
        "later:  ijmp ix\n"
        "        data &H8010\n"
        "bytes:  db 7,later,back\n"
        "        org 10\n"
        "        ldw iy,bytes\n"
        "Later:  adw ix,later    ; names are case-sensitive\n"
        "        jmp Later\n");
    ASSERT_EQ(Errors(images), "");
    auto word = [&](int n) {
        char text[16];
        std::snprintf(text, sizeof text, "%02X %02X %02X", images.Rom0[3 * n], images.Rom0[3 * n + 1],
                      images.Rom0[3 * n + 2]);
        return std::string(text);
    };
    EXPECT_EQ(word(0), "74 00 02");
    EXPECT_EQ(word(1), "60 00 01");
    EXPECT_EQ(word(2), "50 70 07");
    EXPECT_EQ(word(10), "41 80 10");
    EXPECT_EQ(word(11), "48 02 00");
    EXPECT_EQ(word(12), "70 00 0B");
    EXPECT_EQ(images.Rom1[0x4010], 7);
    EXPECT_EQ(images.Rom1[0x4011], 2);
    EXPECT_EQ(images.Rom1[0x4012], 1);
}

TEST(SourceAsm, DirectivesTakeLabelsOfEarlierLines) {
    const SourceImages images = AssembleSource(
        "        org 5\n"
        "five:\n"
        "        org 0\n"
        "        jmp five\n"
        "        org five\n"
        "        rtn\n"
        "        org &h0001 ; comment\n"
        "        nop\n");
    ASSERT_EQ(Errors(images), "");
    EXPECT_EQ(images.Rom0[0], 0x70);
    EXPECT_EQ(images.Rom0[2], 0x05);
    EXPECT_EQ(images.Rom0[15], 0x58);
    EXPECT_EQ(images.Rom0[3], 0xFA);
}

TEST(SourceAsm, LabelErrors) {
    EXPECT_EQ(Errors(AssembleSource("  jmp nowhere\n")), "t.asm:1:7: error: unknown label 'nowhere'\n");
    EXPECT_EQ(Errors(AssembleSource("a: nop\n  nop\na: nop\n")),
              "t.asm:3:1: error: label 'a' is already defined on line 1\n");
    EXPECT_EQ(Errors(AssembleSource("b: b: nop\n")), "t.asm:1:4: error: label 'b' is already defined on line 1\n");
    EXPECT_EQ(Errors(AssembleSource("  ix: nop\n")),
              "t.asm:1:3: error: 'ix' is a reserved name and cannot be a label\n");
    EXPECT_EQ(Errors(AssembleSource("r5: nop\nnop: nop\nOrg: nop\n")),
              "t.asm:1:1: error: 'r5' is a reserved name and cannot be a label\n"
              "t.asm:2:1: error: 'nop' is a reserved name and cannot be a label\n"
              "t.asm:3:1: error: 'Org' is a reserved name and cannot be a label\n");
    EXPECT_EQ(Errors(AssembleSource("  org later\nlater: nop\n")),
              "t.asm:1:7: error: label 'later' must be defined on an earlier line\n");
}

// Columns of rejected lines come from the assembler's position, carried
// back through label values to the source text.
TEST(SourceAsm, RejectedLinesReportTheColumn) {
    EXPECT_EQ(Errors(AssembleSource("\tadb r5,r6\n")),
              "t.asm:1:11: error: cannot assemble the line: rejected at the end of the line\n");
    EXPECT_EQ(Errors(AssembleSource("  foo r1\n")), "t.asm:1:3: error: unknown instruction 'foo'\n");
    EXPECT_EQ(Errors(AssembleSource("x: db 1,2,3,x ; four bytes\n")),
              "t.asm:1:13: error: cannot assemble the line: rejected at label 'x'\n");
    EXPECT_EQ(Errors(AssembleSource("  org 300\nbig: adw ix,big\n")),
              "t.asm:2:13: error: the value of label 'big', 300, does not fit here\n");
    EXPECT_EQ(Errors(AssembleSource("  org 300\nbig: db 1,big,2\n")),
              "t.asm:2:11: error: the value of label 'big', 300, does not fit here\n");
    EXPECT_EQ(Errors(AssembleSource("lbl: ld r5,(ix+r6) ; no\n")),
              "t.asm:1:18: error: cannot assemble the line: rejected at ')'\n");
}

TEST(SourceAsm, AddressesOutOfRangeAndOverlaps) {
    EXPECT_EQ(Errors(AssembleSource("  org &H1800\n")),
              "t.asm:1:7: error: address out of range: org takes a word address below &H1800\n");
    EXPECT_EQ(Errors(AssembleSource("  data &H4000\n")),
              "t.asm:1:8: error: address out of range: data takes a data ROM address, &H0000-&H3FFF or "
              "&H8000-&HBFFF\n");
    EXPECT_EQ(Errors(AssembleSource("  org 99999\n")), "t.asm:1:7: error: number too large\n");
    EXPECT_EQ(Errors(AssembleSource("  org\n")), "t.asm:1:6: error: expected an address\n");
    EXPECT_EQ(Errors(AssembleSource("  org 5 6\n")), "t.asm:1:9: error: unexpected text after the address\n");
    EXPECT_EQ(Errors(AssembleSource("  org &H17FF\n  nop\n  nop\n")),
              "t.asm:3:3: error: address out of range: code runs past word &H17FF\n");
    EXPECT_EQ(Errors(AssembleSource("  data &H3FFE\n  db 1,2,3\n")),
              "t.asm:2:3: error: address out of range: data runs past the data ROM at &H4000\n");
    EXPECT_EQ(Errors(AssembleSource("  nop\n  org 0\n  rtn\n")),
              "t.asm:3:3: error: overlaps code already placed at word &H0000\n");
    EXPECT_EQ(Errors(AssembleSource("  data 0\n  db 1,2\n  data 1\n  db 3\n")),
              "t.asm:4:3: error: overlaps data already placed at &H0001\n");
}

TEST(SourceAsm, FailedSourceGivesNoImages) {
    const SourceImages images = AssembleSource("  nop\n  bad\n");
    EXPECT_EQ(images.Errors.size(), 1u);
    EXPECT_TRUE(images.Rom0.empty());
    EXPECT_TRUE(images.Rom1.empty());
}

TEST(SourceAsm, ListingShowsAddressBytesAndSource) {
    const SourceImages images = AssembleSource(
        "\xEF\xBB\xBF; demo\r\n"
        "start:  ldw ix,&H12AB\r\n"
        "        data &H8000\r\n"
        "        db 1,2,3\r\n"
        "        rtn\r\n");
    ASSERT_EQ(Errors(images), "");
    EXPECT_EQ(images.Listing,
              "                ; demo\n"
              "0000  40 12 AB  start:  ldw ix,&H12AB\n"
              "                        data &H8000\n"
              "D8000 01 02 03          db 1,2,3\n"
              "D8003 58                rtn\n");
}

// Whatever the bytes, the result is a set of images or of errors.
TEST(SourceAsm, ArbitraryBytesNeverCrash) {
    std::mt19937 random(7);
    const std::string alphabet = "abcdefghijklmnorstuvxz0123456789&H:;,.()+-\t \n_";
    for (int round = 0; round < 300; ++round) {
        std::string text(random() % 2000, ' ');
        for (char& c : text) c = round % 2 ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
        const SourceImages images = AssembleSource(text);
        if (images.Errors.empty()) {
            EXPECT_EQ(images.Rom0.size(), 18432u);
        }
        for (const SourceError& e : images.Errors) {
            EXPECT_GE(e.Line, 1);
            EXPECT_GE(e.Column, 1);
        }
    }
    EXPECT_TRUE(AssembleSource("").Errors.empty());
    EXPECT_EQ(AssembleSource(std::string(200000, 'x') + ":").Errors.size(), 0u);
}

}  // namespace
}  // namespace varnox
