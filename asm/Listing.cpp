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
    ForEachListingLine(m, top, maxLines, [&](const ListingLine& line) { lines.push_back(line); });
    return lines;
}

}  // namespace varnox
