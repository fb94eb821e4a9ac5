// An instruction read where the processor would fetch it, without fetching:
// the listing, the trace and the debugger look at code through this and
// leave the machine as it was.
#pragma once

#include <cstdint>

#include "core/Def.h"

namespace varnox {

struct InstructionAt {
    uint16_t Address = 0;
    InstructionWord Word{};  // b0, b1, b2 as the fetch reads them
    unsigned Opcode = 0;
    int OperandBytes = 0;  // as many as its operand form takes
    uint16_t Next = 0;     // where PC stands once they are taken
};

InstructionAt ReadInstructionAt(const Machine& m, uint16_t address);

// The operand bytes that the opcode's operand form takes (opcodes modulo
// 512).
int OperandBytesOf(unsigned opcode);

}  // namespace varnox
