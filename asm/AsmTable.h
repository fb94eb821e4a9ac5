// The assembler's table: every mnemonic of the instruction set, with the
// operand forms it has there, and the pseudo-instruction db. Built from the
// description of the instruction set (core/InstructionSet.h), so a line
// assembles to exactly the opcodes the listing prints.
#pragma once

#include <array>
#include <cstdint>

namespace varnox {

struct AsmEntry {
    const char* Mnemonic;  // lower case
    uint16_t BaseCode;     // the opcode a line writes where its text fits several
    uint32_t Forms;        // bit n: the mnemonic has operand form n
};

constexpr int AsmTableSize = 95;
constexpr int DataEntry = AsmTableSize - 1;  // db: data bytes, no opcode

extern const std::array<AsmEntry, AsmTableSize> AsmTable;

// The AsmTable index of each opcode's mnemonic; -1 for the ten without one.
extern const std::array<int8_t, 512> AsmEntryOfOpcode;

}  // namespace varnox
