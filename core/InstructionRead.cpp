#include "core/InstructionRead.h"

#include "core/InstructionSet.h"

namespace varnox {

int OperandBytesOf(unsigned opcode) { return FormOperandBytes(InstructionSet[opcode % OpcodeCount].form); }

InstructionAt ReadInstructionAt(const Machine& m, uint16_t address) {
    InstructionAt at;
    at.Address = address;
    at.Word = ReadInstructionWord(m, address);
    at.Opcode = OpcodeOfWord(at.Word);
    at.OperandBytes = OperandBytesOf(at.Opcode);
    at.Next = NextInstructionAddress(address, at.OperandBytes);
    return at;
}

}  // namespace varnox
