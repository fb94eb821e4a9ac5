// The file assembler: placement, labels, constants and expressions, data
// directives, includes, errors and the listing, and programs it builds run
// on the machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "AsmTestSupport.h"
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

std::string Hex(const uint8_t* bytes, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        if (i) text += ' ';
        text += hex;
    }
    return text;
}

std::string Word(const SourceImages& images, int n) { return Hex(&images.Rom0[3 * static_cast<size_t>(n)], 3); }

// Bytes of rom1.bin at data ROM address &H8000 and on.
std::string HighData(const SourceImages& images, size_t count) { return Hex(&images.Rom1[0x4000], count); }

std::unique_ptr<Machine> RunSteps(const SourceImages& images, int steps) {
    auto m = std::make_unique<Machine>();
    std::copy(images.Rom0.begin(), images.Rom0.end(), m->InstrRom.begin());
    std::copy(images.Rom1.begin(), images.Rom1.end(), m->DataRom.begin());
    for (int i = 0; i < steps; ++i) CpuStep(*m);
    return m;
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
    auto m = RunSteps(images, 6);
    EXPECT_EQ(m->Cpu.MainRegisterFile[5], 0x11);
    EXPECT_EQ(m->Cpu.MainRegisterFile[6], 0x22);
    EXPECT_EQ(GetIndex(m->Cpu, RegIx), 0x1002);
    EXPECT_EQ(m->Cpu.PC, 5);
}

// A dw word copied byte for byte onto the stack is the address rtn
// returns to: dw keeps the stack's order, high byte first.
TEST(SourceAsm, WordsKeepTheStacksByteOrder) {
    const SourceImages images = AssembleSource(
        "STACK   equ &H6000\n"
        "        ldw sp,STACK\n"
        "        ldw ix,table\n"
        "        ldm r0..r1,(ix)+\n"
        "        st -(sp),r1\n"
        "        st -(sp),r0\n"
        "        rtn\n"
        "        org &H123\n"
        "target: ld r5,'*'\n"
        "        data &H1000\n"
        "table:  dw target\n");
    ASSERT_EQ(Errors(images), "");
    auto m = RunSteps(images, 7);
    EXPECT_EQ(m->Cpu.PC, 0x124);
    EXPECT_EQ(m->Cpu.MainRegisterFile[5], '*');
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
    EXPECT_EQ(Word(images, 0), "58 00 00");  // the rest of a short word stays 0
    EXPECT_EQ(Word(images, 0x17FF), "40 12 34");
    EXPECT_EQ(std::count(images.Rom0.begin(), images.Rom0.end(), 0), 18432 - 4);
    EXPECT_EQ(Hex(&images.Rom1[16], 3), "01 02 03");
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
    EXPECT_EQ(Word(images, 0), "74 00 02");
    EXPECT_EQ(Word(images, 1), "60 00 01");
    EXPECT_EQ(Word(images, 2), "50 70 07");
    EXPECT_EQ(Word(images, 10), "41 80 10");
    EXPECT_EQ(Word(images, 11), "48 02 00");
    EXPECT_EQ(Word(images, 12), "70 00 0B");
    EXPECT_EQ(Hex(&images.Rom1[0x4010], 3), "07 02 01");
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
        "        nop\n"
        "TOP     equ five*2\n"
        "        org TOP+1\n"
        "        off\n");
    ASSERT_EQ(Errors(images), "");
    EXPECT_EQ(Word(images, 0), "70 00 05");
    EXPECT_EQ(Word(images, 5), "58 00 00");
    EXPECT_EQ(Word(images, 1), "FA 00 00");
    EXPECT_EQ(Word(images, 11), "50 80 00");
}

// Each line with expressions gives the bytes of the plain line beside it.
TEST(SourceAsm, ExpressionsGiveTheBytesOfTheirValues) {
    const std::string names =
        "SIZE    equ 4\n"
        "ACC     equ 64\n"
        "LATER   equ after-1      ; a constant may use later labels\n"
        "        data &H8123\n"
        "table:\n"
        "start:  db 0\n"
        ".loop:  db 0\n"
        "after:\n"
        "        org 7\n";
    const std::pair<const char*, const char*> cases[] = {
        {"ldw ix,table+1", "ldw ix,&H8124"},
        {"ld r5,hi(table)", "ld r5,&H81"},
        {"ld r5,lo(table) ; low byte", "ld r5,&H23"},
        {"ld r5,LO( -1 )", "ld r5,255"},
        {"ld r5,'A'", "ld r5,65"},
        {"ld r5,'\\n'", "ld r5,10"},
        {"ld r5,';'", "ld r5,59"},
        {"ld r5,','", "ld r5,44"},
        {"ld r5,'\\x7F'", "ld r5,127"},
        {"ld r5,(1+2)*3", "ld r5,9"},
        {"ld r5,7-2-1", "ld r5,4"},
        {"ld r5,2+3*4", "ld r5,14"},
        {"ld r5,1|2^3&6", "ld r5,1"},
        {"ld r5,1<<2+1", "ld r5,8"},
        {"ld r5,&H100>>4", "ld r5,16"},
        {"ld r5,&HFF & ~&H0F", "ld r5,&HF0"},
        {"ld r5,17%5+17/5", "ld r5,5"},
        {"ld r5,-7/2+4", "ld r5,1"},
        {"ld r5,&B1010", "ld r5,10"},
        {"ld r5,--3", "ld r5,3"},
        {"jmp nz,$", "jmp nz,7"},
        {"jmp $+2", "jmp 9"},
        {"cal LATER", "cal &H8124"},
        {"ldw iy,start.loop", "ldw iy,&H8124"},
        {"ld r5,(iy+SIZE-1)", "ld r5,(iy+3)"},
        {"ld r5,(iy-SIZE+1)", "ld r5,(iy-3)"},
        {"ld r5,(iy+1-SIZE)", "ld r5,(iy-3)"},
        {"ld r5,(iy-0)", "ld r5,(iy-0)"},
        {"st (ix+SIZE),r5", "st (ix+4),r5"},
        {"stm (iz+SIZE),r0..r3", "stm (iz+4),r0..r3"},
        {"adb r(ACC),r5", "adb r64,r5"},
        {"adb r5,i(ACC+6)", "adb r5,i70"},
        {"adbm r(ACC)..r(ACC+3),SIZE", "adbm r64..r67,4"},
        {"ldm r(ACC)..r(ACC+3),(ix+r(SIZE+1))", "ldm r64..r67,(ix+r5)"},
        {"pst if,SIZE*4", "pst if,16"},
        {"adw sp,SIZE", "adw sp,4"},
    };
    for (const auto& [source, plain] : cases) {
        const SourceImages images = AssembleSource(names + "        " + source + "\n");
        ASSERT_EQ(Errors(images), "") << source;
        const AsmResult expected = Assemble(plain);
        ASSERT_EQ(expected.AsmErrorPos, 0) << plain;
        EXPECT_EQ(Word(images, 7), Hex(expected.AsmBytes.data(), 3)) << source;
    }
}

// db, dw, ds and align in data from &H8000; in code, bytes fill words.
TEST(SourceAsm, DataDirectives) {
    const std::pair<const char*, const char*> cases[] = {
        {"db 1,2,3,4,5", "01 02 03 04 05 FF"},
        {"db \"Hi\",0", "48 69 00 FF"},
        {"db \"a;b\" ; comment", "61 3B 62 FF"},
        {"db \"\\\"\\\\\\t\\0\\xA5\"", "22 5C 09 00 A5 FF"},
        {"db \"\", 'x', -1, -128", "78 FF 80 FF"},
        {"db 1,   ; a comma may end the list", "01 FF"},
        {"db", "FF"},
        {"dw &H1234, -2, 'A'", "12 34 FF FE 00 41 FF"},
        {"dw $, $", "80 00 80 00 FF"},
        {"db 1\n ds 2\n db 2", "01 FF FF 02 FF"},
        {"ds 3, &HEE", "EE EE EE FF"},
        {"ds 0", "FF"},
        {"db 1\n align 4\nx: db x-&H8000", "01 FF FF FF 04 FF"},
        {"db 1\n align 1\n db 2", "01 02 FF"},
    };
    for (const auto& [source, bytes] : cases) {
        const SourceImages images = AssembleSource(std::string("  data &H8000\n ") + source + "\n");
        ASSERT_EQ(Errors(images), "") << source;
        EXPECT_EQ(HighData(images, (std::string(bytes).size() + 1) / 3), bytes) << source;
    }
    const SourceImages code = AssembleSource(" db \"abcd\"\n dw &H1234\n ds 1,7\n nop\n");
    ASSERT_EQ(Errors(code), "");
    EXPECT_EQ(Hex(code.Rom0.data(), 15), "61 62 63 64 00 00 12 34 00 07 07 07 FA 00 00");
}

// Every error names the line and column of its cause.
TEST(SourceAsm, ErrorsPointAtTheirCause) {
    const std::pair<std::string, const char*> cases[] = {
        // Names.
        {"  jmp nowhere\n", "1:7: unknown name 'nowhere'"},
        {"a: nop\n  nop\na: nop\n", "3:1: 'a' is already defined on line 1"},
        {"b: b: nop\n", "1:4: 'b' is already defined on line 1"},
        {"X equ 1\nX equ 2\n", "2:1: 'X' is already defined on line 1"},
        {"  ix: nop\n", "1:3: 'ix' is a reserved name and cannot be a label"},
        {"r5: nop\nnop: nop\nOrg: nop\nhi equ 1\n",
         "1:1: 'r5' is a reserved name and cannot be a label\n"
         "2:1: 'nop' is a reserved name and cannot be a label\n"
         "3:1: 'Org' is a reserved name and cannot be a label\n"
         "4:1: 'hi' is a reserved name and cannot be a constant"},
        {"a.b: nop\n", "1:1: a label is a name, or .name for a local one, not 'a.b'"},
        {"X: equ 1\n", "1:1: a constant is written NAME equ VALUE, without a colon"},
        {" equ 1\n", "1:2: equ needs a name before it: NAME equ VALUE"},
        {"x equ y\ny equ x\n", "1:7: 'x' is defined in terms of itself\n2:7: 'y' is defined in terms of itself"},
        {"lbl: jmp .up\nother: .up: nop\n", "1:10: unknown name 'lbl.up'"},
        // Placement.
        {"  org later\nlater: nop\n", "1:7: 'later' must be defined before this line: it decides where code and data go"},
        {"A equ b\n  org A\nb: nop\n", "2:7: 'A' depends on names defined after it, but it decides where code and data go"},
        {"  org &H1800\n", "1:7: address out of range: org takes a word address below &H1800"},
        {"  org 99999\n", "1:7: address out of range: org takes a word address below &H1800"},
        {"  data &H4000\n",
         "1:8: address out of range: data takes a data ROM address, &H0000-&H3FFF or &H8000-&HBFFF"},
        {"  ram &H8000\n", "1:7: address out of range: ram takes a RAM address, &H4000-&H7FFF or &HC000-&HFFFF"},
        {"  org\n", "1:6: expected a value"},
        {"  org 5 6\n", "1:9: unexpected text after the value"},
        {"  org &H17FF\n  nop\n  nop\n", "3:3: address out of range: code runs past word &H17FF"},
        {"  data &H3FFE\n  db 1,2,3\n", "2:3: address out of range: data runs past the data ROM at &H4000"},
        {"  nop\n  org 0\n  rtn\n", "3:3: overlaps code already placed at word &H0000"},
        {"  data 0\n  db 1,2\n  data 1\n  db 3\n", "4:3: overlaps data already placed at &H0001"},
        {"  ram &H7FFE\n  ds 3\n", "2:3: address out of range: RAM space runs out at &H8000"},
        {"  ram &H4000\n  nop\n", "2:3: RAM takes no bytes from the source: place code with org or data"},
        {"  ram &H4000\n  db 1\n", "2:3: RAM takes no bytes from the source: reserve space there with ds"},
        {"  ds -1\n", "1:6: ds takes a count of 0..65536"},
        {"  align 0\n", "1:9: align takes a value of 1..65536"},
        // Values.
        {"  org 300\nbig: adw ix,big\n", "2:13: 'big' (300) is out of range 0..255 for operand 2 of adw"},
        {"  ldw ix,70000\n", "1:10: 70000 is out of range 0..65535 for operand 2 of ldw"},
        {"  ld r5,-1\n", "1:9: -1 is out of range 0..255 for operand 2 of ld"},
        {"  ld r5,(iy+300)\n", "1:12: the offset 300 is out of range -255..255 for operand 2 of ld"},
        {"  ldm r0..r3,(iz-8*8)\n", "1:17: the offset '-8*8' (-64) is out of range -63..63 for operand 2 of ldm"},
        {"  adbm r64..r71,64\n", "1:17: 64 is out of range 0..63 for operand 2 of adbm"},
        {"  org 300\nbig: db 1,big,2\n", "2:11: 'big' (300) is out of range -128..255 for a byte"},
        {"  dw 65536\n", "1:6: 65536 is out of range -32768..65535 for a word"},
        {"  ld r5,1/(2-2)\n", "1:10: division by zero"},
        {"  ld r5,1<<64\n", "1:10: shift count 64 out of range 0..63"},
        {"  ld r5,99999999999999999999\n", "1:9: number too large"},
        {"  ld r5,12ab\n", "1:9: bad number '12ab'"},
        {"  ld r5,(1+2\n", "1:13: expected ')'"},
        {"  ld r5,'ab'\n", "1:9: a character literal holds one character, as in 'A'"},
        {"  ld r5,'\\q'\n", "1:10: unknown escape: use \\n \\r \\t \\0 \\\\ \\' \\\" or \\xHH"},
        {"  db \"abc\n", "1:6: the string has no closing '\"'"},
        {"  dw \"ab\"\n", "1:6: strings are for db; dw takes 16-bit values"},
        {"  db 1 2\n", "1:8: expected ',' or the end of the line"},
        {"  ld r5,hi 5\n", "1:9: hi takes a value in parentheses: hi(VALUE)"},
        {"  ld r5," + std::string(100, '(') + "1\n", "1:73: expression nested too deeply"},
        // Registers and the line's own grammar.
        {"\tadb r5,r6\n", "1:9: r6 does not fit operand 2 of adb here: it takes r64..r127 or i64..i127"},
        {"  sup r5\n", "1:7: r5 does not fit operand 1 of sup here: it takes r64..r127"},
        {"  ld r70,(ix+r70)\n", "1:14: r70 does not fit operand 2 of ld here: it takes r0..r63"},
        {"  ld r(200),r70\n", "1:6: 'r(200)' is register 200, out of range 0..127"},
        {"  adb r5,i5\n", "1:10: there is no register i5: registers are r0..r127, and i64..i127 for the indirect ones"},
        {"  pst if,r5\n", "1:12: cannot assemble the line: rejected at the end of the line"},
        {"lbl: ld r5,(ix+r6) ; no\n", "1:18: cannot assemble the line: rejected at ')'"},
        {"  jmp nz loop\n", "1:10: cannot assemble the line: rejected at 'l'"},
        {"  foo r1\n", "1:3: unknown instruction 'foo'"},
        {"  address\n", "1:3: unknown instruction 'address'"},
        {std::string("  \x01\x02x\0y r1\n", 10), "1:3: unknown instruction '\\x01\\x02x\\x00y'"},
        {"  include \"x.asm\"\n", "1:11: cannot include 'x.asm': this source is not read from a file"},
        // Nothing follows a value without an operator.
        {"  jmp (5)1\n", "1:10: '1' right after a value: an operator or a comma goes between them"},
        {"  cmp r(5)1\n", "1:11: '1' right after a value: an operator or a comma goes between them"},
        {"  adw ix,(2)3\n", "1:13: '3' right after a value: an operator or a comma goes between them"},
        {"  jmp hi(300)1\n", "1:14: '1' right after a value: an operator or a comma goes between them"},
        {"X equ 1000\n  jmp (X)1\n", "2:10: '1' right after a value: an operator or a comma goes between them"},
        {"  jmp $1\n", "1:8: '1' right after a value: an operator or a comma goes between them"},
        {"  jmp (5)x\n", "1:10: 'x' right after a value: an operator or a comma goes between them"},
    };
    for (const auto& [source, expected] : cases) {
        std::string text;
        for (const SourceError& e : AssembleSource(source).Errors) {
            if (!text.empty()) text += '\n';
            text.append(std::to_string(e.Line)).append(":").append(std::to_string(e.Column)).append(": ").append(e.Message);
        }
        EXPECT_EQ(text, expected) << source;
    }
}

TEST(SourceAsm, IncludesAreReadRelativeToTheIncludingFile) {
    std::map<std::string, std::string> files{
        {"fw/lib/defs.asm", "LCD equ &H20\n        include \"more.asm\"\n"},
        {"fw/lib/more.asm", "KEY equ LCD+1\n"},
        {"fw/lib/bad.asm", "  nop\n  jmp nowhere\n"},
        {"fw/lib/loop.asm", "  include \"../main.asm\"\n"},
        {"fw/n.inc", " nop\n"},
    };
    SourceOptions options;
    options.FileName = "fw/main.asm";
    options.ReadFile = [&](const std::string& path, std::string& text, std::string& problem) {
        const auto found = files.find(path);
        if (found == files.end()) problem = "does not exist";
        if (found != files.end()) text = found->second;
        return found != files.end();
    };
    const SourceImages images = AssembleSource(" include \"lib/defs.asm\"\n ld r5,KEY\n", options);
    ASSERT_EQ(Errors(images), "");
    EXPECT_EQ(Word(images, 0), "5E 85 21");

    EXPECT_EQ(Errors(AssembleSource(" nop\n include \"lib/bad.asm\"\n include \"none.asm\"\n", options)),
              "fw/lib/bad.asm:2:7: error: unknown name 'nowhere'\n"
              "t.asm:3:10: error: cannot include 'fw/none.asm': does not exist\n");
    EXPECT_EQ(Errors(AssembleSource(" include \"lib/loop.asm\"\n", options)),
              "fw/lib/loop.asm:1:11: error: include cycle: fw/main.asm -> fw/lib/loop.asm -> fw/main.asm\n");
    // The system would take the name only up to the NUL: n.inc, another file.
    EXPECT_EQ(Errors(AssembleSource(std::string(" include \"n.inc") + '\0' + "garbage\"\n", options)),
              "t.asm:1:10: error: cannot include 'n.inc\\x00garbage': a file name holds no NUL byte\n");

    // Thirty files that each include the next one twice would be read 2^30
    // times; the expansion stops at its bound instead.
    for (int i = 0; i < 30; ++i) {
        const std::string next = " include \"d" + std::to_string(i + 1) + ".asm\"\n";
        files["fw/d" + std::to_string(i) + ".asm"] = next + next;
    }
    files["fw/d30.asm"] = " nop\n";
    const SourceImages doubled = AssembleSource(" include \"d0.asm\"\n", options);
    ASSERT_FALSE(doubled.Errors.empty());
    EXPECT_NE(doubled.Errors.front().Message.find("more than 4096 files"), std::string::npos) << Errors(doubled);
}

// Any line the line assembler takes, the file assembler takes too and
// gives the same bytes: listed instructions of every opcode, and accepted
// lines among random and mutated ones.
TEST(SourceAsm, PlainLinesAssembleAsTheLineAssemblerDoes) {
    std::vector<std::string> lines;
    for (unsigned opcode = 0; opcode < 512; ++opcode) {
        for (const uint8_t b2 : {uint8_t{0x07}, uint8_t{0xA3}}) {
            const std::string text = test::Dis(static_cast<uint8_t>(opcode), static_cast<uint8_t>(0x35 | ((opcode >> 1) & 0x80)), b2);
            if (Assemble(text).AsmErrorPos == 0) lines.push_back(text);
        }
    }
    std::mt19937 random(2026);
    const std::string alphabet = "adbmsrixyzvpkl0123456789&hH(),.+-; ";
    const std::vector<std::string> seeds{"adbm r10..r13,r66..r69", "ldm r64..r67,(ix+r5)", "ld r5,(iy-&H10)",
                                         "st -(sp),r64", "db 1,2,3", "ijmp v0", "ldr5 , r70", "jmp nz,&h0C40"};
    while (lines.size() < 3000) {
        std::string text = seeds[random() % seeds.size()];
        for (int k = static_cast<int>(random() % 3); k >= 0; --k) {
            const size_t at = random() % text.size();
            if (random() % 2) text[at] = alphabet[random() % alphabet.size()];
            else text.insert(at, 1, alphabet[random() % alphabet.size()]);
        }
        if (Assemble(text).AsmErrorPos == 0) lines.push_back(text);
    }
    std::string source;
    for (size_t i = 0; i < lines.size(); ++i) source += " org " + std::to_string(i) + "\n" + lines[i] + "\n";
    const SourceImages images = AssembleSource(source);
    ASSERT_EQ(Errors(images), "");
    for (size_t i = 0; i < lines.size(); ++i) {
        const AsmResult expected = Assemble(lines[i]);
        ASSERT_EQ(Word(images, static_cast<int>(i)), Hex(expected.AsmBytes.data(), 3)) << lines[i];
    }
}

TEST(SourceAsm, FailedSourceGivesNoImages) {
    const SourceImages images = AssembleSource("  nop\n  bad\n");
    EXPECT_EQ(images.Errors.size(), 1u);
    EXPECT_TRUE(images.Rom0.empty());
    EXPECT_TRUE(images.Rom1.empty());
    EXPECT_TRUE(images.Listing.empty());
    // Errors beyond those kept are still counted.
    std::string bad;
    for (int i = 0; i < 500; ++i) bad += " x\n";
    const SourceImages many = AssembleSource(bad);
    EXPECT_EQ(many.Errors.size(), MaxSourceErrors);
    EXPECT_EQ(many.ErrorCount, 500u);
}

TEST(SourceAsm, ListingShowsAddressBytesAndSource) {
    const SourceImages images = AssembleSource(
        "\xEF\xBB\xBF; demo\r\n"
        "start:  ldw ix,&H12AB\r\n"
        "        data &H8000\r\n"
        "        db 1,2,3\r\n"
        "        rtn\r\n"
        "        db \"abcd\"\n"
        "        ram &H4000\n"
        "buffer: ds 16\n");
    ASSERT_EQ(Errors(images), "");
    EXPECT_EQ(images.Listing,
              "                ; demo\n"
              "0000  40 12 AB  start:  ldw ix,&H12AB\n"
              "                        data &H8000\n"
              "D8000 01 02 03          db 1,2,3\n"
              "D8003 58                rtn\n"
              "D8004 61 62 63          db \"abcd\"\n"
              "D8007 64\n"
              "                        ram &H4000\n"
              "R4000           buffer: ds 16\n");
}

// Whatever the bytes, the result is a set of images or of errors.
TEST(SourceAsm, ArbitraryBytesNeverCrash) {
    std::mt19937 random(7);
    const std::string alphabet = "abcdefghijklmnorstuvxz0123456789&H:;,.()+-\t \n_'\"$*/%|^~<>equ";
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
