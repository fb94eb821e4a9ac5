// The disassembler: the operand text of an instruction from its bytes.
#pragma once

#include <cstdint>
#include <string>

#include "core/Def.h"

namespace varnox {

// The operands of the opcode (taken modulo 512) with operand bytes b1 and
// b2, by its operand form: only the forms that take two bytes read b2, and
// only those that take one or two read b1. The text has no spaces; it is
// empty for instructions without operands.
std::string Disassemble(unsigned opcode, uint8_t b1, uint8_t b2);

// The mnemonic and the operands of the word joined by one space, as the
// line is typed.
std::string InstructionText(const InstructionWord& word);

}  // namespace varnox
