// The 512-entry dispatch table, taken from the instruction set's
// description, and the decode of one instruction.
#include "core/Decode.h"

#include "core/InstructionSet.h"

namespace varnox {
namespace {

constexpr std::array<DispatchEntry, OpcodeCount> BuildTable() {
    std::array<DispatchEntry, OpcodeCount> table{};
    for (unsigned opcode = 0; opcode < OpcodeCount; ++opcode) {
        table[opcode] = DispatchEntry{InstructionSet[opcode].handler, InstructionSet[opcode].arg};
    }
    return table;
}

}  // namespace

const std::array<DispatchEntry, 512> DispatchTable = BuildTable();

void DecodeAndDispatch(Machine& m) {
    const unsigned opcode = FetchInstruction(m);
    m.Cpu.RegBank = RegBankOf(m.Cpu.InstrBytes[0]);
    m.Cpu.RegStep = 1;
    const DispatchEntry& entry = DispatchTable[opcode];
    entry.handler(m, entry.arg);
}

}  // namespace varnox
