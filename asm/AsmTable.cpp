#include "asm/AsmTable.h"

#include <string_view>

#include "core/InstructionSet.h"

namespace varnox {
namespace {

// trp has four opcodes that differ only in bits no operand sets; a line
// writes the last, FF. Every other mnemonic writes its first opcode where
// several fit (the lower half where opcode bit 8 is a data byte's bit 7).
constexpr unsigned TrpCode = 0x1FF;

struct Built {
    std::array<AsmEntry, AsmTableSize> table{};
    std::array<int8_t, OpcodeCount> entryOf{};
    int count = 0;
};

// The mnemonics in the order of their first opcode, then db.
constexpr Built Build() {
    Built b;
    for (unsigned op = 0; op < OpcodeCount; ++op) {
        const Instruction& instruction = InstructionSet[op];
        b.entryOf[op] = -1;
        if (IsBracketed(instruction.mnemonic)) continue;
        int index = 0;
        while (index < b.count && !SameMnemonic(b.table[static_cast<size_t>(index)].Mnemonic, instruction.mnemonic)) ++index;
        AsmEntry& entry = b.table[static_cast<size_t>(index)];
        if (index == b.count) {
            if (b.count == DataEntry) return {};  // more mnemonics than the table holds
            entry = {instruction.mnemonic, static_cast<uint16_t>(op), 0};
            ++b.count;
        }
        if (op == TrpCode) entry.BaseCode = static_cast<uint16_t>(op);
        entry.Forms |= 1u << FormIndex(instruction.form);
        b.entryOf[op] = static_cast<int8_t>(index);
    }
    b.table[static_cast<size_t>(b.count++)] = {"db", 0, 0};
    return b;
}

constexpr Built Table = Build();
static_assert(Table.count == AsmTableSize, "94 mnemonics and db");
static_assert(SameMnemonic("trp", InstructionSet[TrpCode].mnemonic), "the trap a line writes is one");

}  // namespace

const std::array<AsmEntry, AsmTableSize> AsmTable = Table.table;
const std::array<int8_t, OpcodeCount> AsmEntryOfOpcode = Table.entryOf;

}  // namespace varnox
