// The text side of the instruction set: a mnemonic and an operand form for
// each of the 512 opcodes, and the operand-field layout of the word.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace varnox {

constexpr int OpcodeCount = 512;
constexpr int OperandFormCount = 31;  // forms 0..30

struct OpcodeEntry {
    const char* Mnemonic;  // lower case, or a bracketed hex text for the ten without a name
    uint8_t Form;          // operand layout, 0..30
};

extern const std::array<OpcodeEntry, OpcodeCount> OpcodeTable;

// The opcode's mnemonic; opcodes are taken modulo 512.
std::string_view MnemonicOf(unsigned opcode);

// How many operand bytes (after b0) an operand form takes: 0, 1 or 2.
// Forms outside the table take none.
int FormOperandBytes(int form);

// ---- Operand fields of the instruction word --------------------------------

// Register 0..63 of the lower half: b1 bits 0-2 and 4-6.
inline int FieldA(uint8_t b1) { return (b1 & 7) | ((b1 >> 1) & 0x38); }
// Upper-half register number minus 64: b2 bits 5-7 and 0-2.
inline int FieldB(uint8_t b2) { return (b2 >> 5) | ((b2 & 7) << 3); }
// End of a lower range: b2 bits 5-7 with A's group.
inline int FieldE(uint8_t b1, uint8_t b2) { return (b2 >> 5) | ((b1 >> 1) & 0x38); }
// Start of an upper range minus 64: b1 bits 0-2 with B's group.
inline int FieldF(uint8_t b1, uint8_t b2) { return (b1 & 7) | ((b2 & 7) << 3); }
// 6-bit immediate: b2 bits 0-4, bit 5 the complement of b1 bit 3.
inline int FieldG(uint8_t b1, uint8_t b2) { return (b2 & 0x1F) | ((b1 & 8) ? 0 : 0x20); }
inline bool IndirectBit(uint8_t b2) { return (b2 & 0x10) != 0; }

// ---- Names printed by the operand forms ------------------------------------

// Opcode bits 0-1.
inline constexpr std::array<std::string_view, 4> PointerRegNames{"ix", "iy", "iz", "sp"};
// Opcode bits 0-2: the 16-bit index registers in register-file order.
inline constexpr std::array<std::string_view, 8> IndexRegNames{"ix", "iy", "iz", "v3", "v2", "v1", "v0", "sp"};
// Opcode bits 0-3; each prefix carries its comma. Index 8 never reaches the
// output: those opcodes are rtn, cani and rti.
inline constexpr std::array<std::string_view, 16> ConditionPrefixes{
    "", "k,", "lz,", "uz,", "nz,", "v,", "h,", "c,", "*,", "nk,", "nlz,", "nuz,", "z,", "nv,", "nh,", "nc,"};
// Opcode bits 0-2 of gst and pst.
inline constexpr std::array<std::string_view, 8> StatusRegNames{"ko", "if", "as", "ie", "ko", "f", "as", "ie"};

}  // namespace varnox
