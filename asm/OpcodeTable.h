// The text side of the instruction set: a mnemonic and an operand form for
// each of the 512 opcodes (taken from the one description of the set) and
// the names the operand forms print.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/InstructionSet.h"

namespace varnox {

struct OpcodeEntry {
    const char* Mnemonic;  // lower case, or a bracketed hex text for the ten without a name
    OperandForm Form;      // operand layout
};

extern const std::array<OpcodeEntry, OpcodeCount> OpcodeTable;

// The opcode's mnemonic; opcodes are taken modulo 512.
std::string_view MnemonicOf(unsigned opcode);

// ---- Names printed by the operand forms ------------------------------------

// The 16-bit index registers in register-file order (opcode bits 0-2 of ldw).
inline constexpr std::array<std::string_view, 8> IndexRegNames{"ix", "iy", "iz", "v3", "v2", "v1", "v0", "sp"};

// The pointer registers by opcode bits 0-1.
constexpr std::string_view PointerRegName(unsigned selector) { return IndexRegNames[PointerRegisters[selector & 3]]; }

// Opcode bits 0-3; each prefix carries its comma. Index 8 never reaches the
// output: those opcodes are rtn, cani and rti.
inline constexpr std::array<std::string_view, 16> ConditionPrefixes{
    "", "k,", "lz,", "uz,", "nz,", "v,", "h,", "c,", "*,", "nk,", "nlz,", "nuz,", "z,", "nv,", "nh,", "nc,"};

// Opcode bits 0-2 of gst and pst.
inline constexpr std::array<std::string_view, 8> StatusRegNames{"ko", "if", "as", "ie", "ko", "f", "as", "ie"};

}  // namespace varnox
