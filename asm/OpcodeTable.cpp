#include "asm/OpcodeTable.h"

namespace varnox {
namespace {

constexpr std::array<OpcodeEntry, OpcodeCount> BuildTable() {
    std::array<OpcodeEntry, OpcodeCount> table{};
    for (unsigned op = 0; op < OpcodeCount; ++op) table[op] = {InstructionSet[op].mnemonic, InstructionSet[op].form};
    return table;
}

}  // namespace

const std::array<OpcodeEntry, OpcodeCount> OpcodeTable = BuildTable();

std::string_view MnemonicOf(unsigned opcode) { return OpcodeTable[opcode % OpcodeCount].Mnemonic; }

}  // namespace varnox
