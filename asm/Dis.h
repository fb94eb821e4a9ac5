// The disassembler: the operand text of the instruction just fetched.
#pragma once

#include <string>

#include "core/Def.h"

namespace varnox {

// Takes the opcode's operand bytes with NextOperandByte (so PC ends at the
// next instruction, as in execution) and renders them. The text has no
// spaces; it is empty for instructions without operands.
std::string Disassemble(Machine& m, unsigned opcode);

}  // namespace varnox
