#include "asm/Listing.h"

#include <cstdio>

#include "asm/Dis.h"
#include "asm/OpcodeTable.h"

namespace varnox {

ListingLine ListInstruction(Machine& m, uint16_t address) {
    ListingLine line;
    line.Address = address;
    m.Cpu.PC = address;
    const unsigned opcode = FetchInstruction(m);
    line.Mnemonic = MnemonicOf(opcode);
    line.Operands = Disassemble(m, opcode);
    line.Next = m.Cpu.PC;
    return line;
}

std::string FormatListingLine(const ListingLine& line) {
    char address[8];
    std::snprintf(address, sizeof address, "%04X:", line.Address);
    std::string text = address;
    text.resize(ListingMnemonicColumn, ' ');
    text += line.Mnemonic;
    if (!line.Operands.empty()) {
        if (text.size() < ListingOperandColumn) text.resize(ListingOperandColumn, ' ');
        text += line.Operands;
    }
    return text;
}

std::vector<ListingLine> WalkListing(Machine& m, uint16_t top, int maxLines) {
    std::vector<ListingLine> lines;
    const uint16_t savedPc = m.Cpu.PC;
    uint16_t address = top;
    for (int i = 0; i < maxLines; ++i) {
        lines.push_back(ListInstruction(m, address));
        address = lines.back().Next;
        // A negative span means the walk wrapped past 0xFFFF.
        if (static_cast<int>(address) - static_cast<int>(top) < 0) break;
    }
    m.Cpu.PC = savedPc;
    return lines;
}

}  // namespace varnox
