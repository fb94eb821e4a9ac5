// The operand fields of an instruction word: how b1 and b2 (b0 for the
// bank) name registers, ranges and immediates. The processor reads them,
// the disassembler prints them and the assembler writes them, all from
// here, so the three cannot disagree.
#pragma once

#include <cstdint>

namespace varnox {

// Register values of the assembler: 0..63 lower half, 64..127 upper half,
// 128..191 the indirect form of 64..127 (reached through AS).
constexpr int UpperHalf = 64;
constexpr int IndirectBase = 128;

// Opcode bit 3: clear gives the forms with a bank their upper bank (0x40);
// in the two-operand forms it says which operand comes first.
constexpr unsigned BankBit = 0x008;
constexpr uint8_t RegBankOf(unsigned opcode) { return (opcode & BankBit) ? 0 : 0x40; }

// ---- Decoding --------------------------------------------------------------

// Field A: lower register 0..63 (group b1 bits 6-4, start index b1 bits 2-0).
constexpr int FieldA(uint8_t b1) { return (b1 & 7) | ((b1 >> 1) & 0x38); }
// Field B: upper register minus 64 (group b2 bits 2-0, end index b2 bits 7-5).
constexpr int FieldB(uint8_t b2) { return (b2 >> 5) | ((b2 & 7) << 3); }
// Field E: last register of a lower range, in A's group.
constexpr int FieldE(uint8_t b1, uint8_t b2) { return (b2 >> 5) | ((b1 >> 1) & 0x38); }
// Field F: first register of an upper range minus 64, in B's group.
constexpr int FieldF(uint8_t b1, uint8_t b2) { return (b1 & 7) | ((b2 & 7) << 3); }
// Field G: 6-bit immediate, b2 bits 4-0 with bit 5 the complement of b1 bit 3.
constexpr uint8_t FieldG(uint8_t b1, uint8_t b2) { return static_cast<uint8_t>((b2 & 0x1F) | ((b1 & 8) ? 0 : 0x20)); }
// The upper register (or range) is reached through AS.
constexpr bool IndirectBit(uint8_t b2) { return (b2 & 0x10) != 0; }

constexpr int StartIndex(uint8_t b1) { return b1 & 7; }
constexpr int EndIndex(uint8_t b2) { return b2 >> 5; }
constexpr int UpperGroup(uint8_t b2) { return b2 & 7; }

// ---- Encoding --------------------------------------------------------------

// Lower register r into field A (bits above 5 are dropped).
constexpr uint8_t EncodeA(int r) { return static_cast<uint8_t>((r & 7) | ((r & 0x38) << 1)); }

// Upper register value r (64..191) into field B with its indirect mark.
constexpr uint8_t EncodeB(int r) {
    return static_cast<uint8_t>(((r & 7) << 5) | ((r >> 3) & 7) | ((r & IndirectBase) ? 0x10 : 0));
}

// The ends of two ranges: the lower range's end index and the upper
// range's group and indirect mark.
constexpr uint8_t EncodeRange(int lowerEnd, int upperEnd) {
    return static_cast<uint8_t>(((lowerEnd & 7) << 5) | ((upperEnd >> 3) & 7) | ((upperEnd & IndirectBase) ? 0x10 : 0));
}

// The end index alone in b2 bits 7-5 (ranges of one half).
constexpr uint8_t EncodeEndIndex(int end) { return static_cast<uint8_t>((end & 7) << 5); }

// A range end and a 6-bit immediate w: b2 takes the end index and w's low
// five bits; b1 bit 3 is set when w is below 32.
struct EncodedG {
    uint8_t b1Bits;
    uint8_t b2;
};
constexpr EncodedG EncodeG(int end, unsigned w) {
    return {static_cast<uint8_t>((w & 0x20) ? 0 : 0x08), static_cast<uint8_t>(EncodeEndIndex(end) | (w & 0x1F))};
}

}  // namespace varnox
