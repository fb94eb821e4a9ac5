// Disassembling words and assembling the text back, over the whole opcode
// space, and arbitrary text thrown at the assembler.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "AsmTestSupport.h"
#include "asm/OpcodeTable.h"

namespace varnox {
namespace {

struct Word {
    uint8_t b[3];
};

// The bits of a word that its operand form reads. The disassembler ignores
// the others and the assembler writes them as 0.
Word ReadBits(unsigned opcode) {
    using enum OperandForm;
    const OperandForm form = OpcodeTable[opcode].Form;
    const bool bit3 = (opcode & 8) != 0;
    constexpr uint8_t fieldA = 0xF7;   // b1 without bit 3 (bit 7 is opcode bit 8)
    constexpr uint8_t fieldsB = 0xF7;  // b2 bits 5-7, 0-2 and the indirect bit
    constexpr uint8_t endOnly = 0xE0;  // b2 bits 5-7
    switch (form) {
    case NoOperands: return {{0xFF, 0x00, 0x00}};
    case FillerByte: return {{0xFF, 0x80, 0x00}};
    case IndexImm16: case ConditionImm16: return {{0xFF, 0xFF, 0xFF}};
    case PointerImm8: case AtPointerImm8: case PreStepPointerImm8: case StatusImm8: case BracketedByte:
        return {{0xFF, 0xFF, 0x00}};
    case UpperLower: case LowerUpper: case UpperRangeLowerRange: case LowerRangeUpperRange: case ConditionIndexOrPair:
        return {{0xFF, fieldA, fieldsB}};
    case BankRegImm8: return {{0xFF, fieldA, 0xFF}};
    case BankRangeImm6: return {{0xFF, 0xFF, 0xFF}};
    case PreStepPointerBankReg: case BankReg: case BankRegPointerPostStep: case StatusBankReg: case BankRegStatus:
    case BankRegIf: case BankRegKi:
        return {{0xFF, fieldA, 0x00}};
    case OffsetPointerReg: case RegOffsetPointer: return {{0xFF, fieldA, bit3 ? uint8_t{0xFF} : fieldsB}};
    case PreStepPointerBankRange: case BankRange: case BankRangePointerPostStep: return {{0xFF, fieldA, endOnly}};
    case OffsetPointerRange: case RangeOffsetPointer:
        return bit3 ? Word{{0xFF, 0xFF, 0xFF}} : Word{{0xFF, fieldA, fieldsB}};
    case UpperOrLowerRange: return bit3 ? Word{{0xFF, fieldA, endOnly}} : Word{{0xFF, 0x87, fieldsB}};
    }
    return {{0xFF, 0xFF, 0xFF}};
}

bool Bracketed(unsigned opcode) { return MnemonicOf(opcode)[0] == '['; }

// Every text the disassembler prints for an opcode the assembler can
// produce assembles back to the word, up to the bits the form ignores.
// Documented exceptions: ranges printed with "?" are not accepted, and trp
// always assembles as opcode 0x1FF.
TEST(RoundTrip, EveryOpcodeWithVariedOperandFields) {
    const uint8_t b2Values[] = {0x07, 0x08, 0x17, 0x3C, 0x5A, 0xA3, 0xC7, 0xF0};
    auto m = std::make_unique<Machine>();
    int checked = 0;
    for (unsigned opcode = 0; opcode < OpcodeCount; ++opcode) {
        if (Bracketed(opcode)) continue;
        const Word mask = ReadBits(opcode);
        const int count = 1 + FormOperandBytes(OpcodeTable[opcode].Form);
        for (unsigned low = 0; low < 0x80; ++low) {
            for (uint8_t b2 : b2Values) {
                const Word word{{static_cast<uint8_t>(opcode), static_cast<uint8_t>(low | ((opcode >> 1) & 0x80)), b2}};
                m->InstrRom[0] = word.b[0];
                m->InstrRom[1] = word.b[1];
                m->InstrRom[2] = word.b[2];
                const ListingLine line = ListInstruction(*m, 0);
                const std::string text = std::string(line.Mnemonic) + " " + line.Operands;
                const AsmResult result = Assemble(text);
                if (text.find('?') != std::string::npos) {
                    ASSERT_NE(result.AsmErrorPos, 0) << text;
                    continue;
                }
                ASSERT_EQ(result.AsmErrorPos, 0) << text;
                ASSERT_EQ(result.AsmCount, count) << text;
                for (int i = 0; i < count; ++i) {
                    const auto n = static_cast<size_t>(i);
                    const uint8_t expected =
                        line.Mnemonic == "trp" ? (i == 0 ? 0xFF : 0x80) : (word.b[n] & mask.b[n]);
                    ASSERT_EQ(result.AsmBytes[n], expected)
                        << text << " byte " << i << " of " << std::hex << int(word.b[0]) << " " << int(word.b[1])
                        << " " << int(word.b[2]);
                }
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 250000);
}

// Arbitrary bytes: the result is an accepted line or a position inside the
// line or just past it. Each text sits in a buffer of exactly its size, so
// a read beyond it is caught by the address sanitizer.
void CheckAnyText(const std::string& text) {
    const auto buffer = std::make_unique<char[]>(text.size() + 1);
    std::copy(text.begin(), text.end(), buffer.get());
    const AsmResult result = Assemble(std::string_view(buffer.get(), text.size()));
    ASSERT_GE(result.AsmErrorPos, 0);
    ASSERT_LE(result.AsmErrorPos, static_cast<int>(text.size()) + 1);
    ASSERT_GE(result.AsmCount, 0);
    ASSERT_LE(result.AsmCount, 3);
    if (result.AsmErrorPos != 0 || result.AsmCount < 2 || text.find("db") != std::string::npos ||
        text.find("DB") != std::string::npos || text.find("dB") != std::string::npos ||
        text.find("Db") != std::string::npos) {
        return;
    }
    // An accepted instruction lists as a text that gives the same bytes.
    auto m = std::make_unique<Machine>();
    for (size_t i = 0; i < 3; ++i) m->InstrRom[i] = result.AsmBytes[i];
    const ListingLine line = ListInstruction(*m, 0);
    const AsmResult again = Assemble(std::string(line.Mnemonic) + " " + line.Operands);
    ASSERT_EQ(again.AsmErrorPos, 0) << text;
    ASSERT_EQ(again.AsmBytes, result.AsmBytes) << text;
}

TEST(AssemblerFuzz, RandomBytesAndMutatedLines) {
    std::mt19937 random(20261207);
    const std::string alphabet = "adbmsrixyzvpkl0123456789&hH(),.+-; ?_";
    const std::vector<std::string> seeds{
        "adbm r10..r13,r66..r69", "ldm r64..r67,(ix+r5)", "stm (iz+&H04),r0..r3", "ijmp z,r70,r6",
        "ld r5,(iy-&H10)",        "st -(sp),r64",         "pst if,&H12",           "db 1,2,3",
        "ldw ix,&H12AB",          "ijmp v0",              "swp r70",               "gst r5,if"};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        switch (round % 3) {
        case 0: {  // raw bytes, any value, lengths up to 300
            text.resize(random() % 300);
            for (char& c : text) c = static_cast<char>(random() % 256);
            break;
        }
        case 1: {  // the grammar's own characters
            text.resize(random() % 40);
            for (char& c : text) c = alphabet[random() % alphabet.size()];
            break;
        }
        default: {  // a good line with a few characters changed, cut or lengthened
            text = seeds[random() % seeds.size()];
            for (int k = static_cast<int>(random() % 3); k >= 0; --k) {
                const size_t at = random() % text.size();
                const auto action = random() % 3;
                if (action == 0) text[at] = alphabet[random() % alphabet.size()];
                if (action == 1) text.resize(at + 1);
                if (action == 2) text.insert(at, 1, static_cast<char>(random() % 256));
            }
            break;
        }
        }
        CheckAnyText(text);
        if (HasFatalFailure()) return;
    }
    CheckAnyText(std::string(100000, 'r'));
    CheckAnyText("db " + std::string(5000, '9'));
}

}  // namespace
}  // namespace varnox
