#include "asm/Listing.h"

#include <cstdio>

#include "asm/Dis.h"
#include "asm/OpcodeTable.h"
#include "core/InstructionRead.h"

namespace varnox {

ListingLine ListInstruction(const Machine& m, uint16_t address) {
    const InstructionAt instruction = ReadInstructionAt(m, address);
    ListingLine line;
    line.Address = address;
    line.Mnemonic = MnemonicOf(instruction.Opcode);
    line.Operands = Disassemble(instruction.Opcode, instruction.Word[1], instruction.Word[2]);
    line.Next = instruction.Next;
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

std::vector<ListingLine> WalkListing(const Machine& m, uint16_t top, int maxLines) {
    std::vector<ListingLine> lines;
    ForEachListingLine(m, top, maxLines, [&](const ListingLine& line) { lines.push_back(line); });
    return lines;
}

}  // namespace varnox
