// Listing lines as the disassembly pane shows them: address, mnemonic and
// operands, read through the processor's own fetch path.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/Def.h"

namespace varnox {

struct ListingLine {
    uint16_t Address = 0;
    std::string_view Mnemonic;
    std::string Operands;
    uint16_t Next = 0;  // where the following line starts
};

// Column layout of a line, in character cells.
constexpr int ListingMnemonicColumn = 6;
constexpr int ListingOperandColumn = 12;

// The instruction at the address. Sets PC to it and leaves PC at the next
// line's address: the caller saves and restores PC around its lines.
ListingLine ListInstruction(Machine& m, uint16_t address);

// "AAAA:", the mnemonic at column 6 and the operands at column 12, without
// trailing blanks.
std::string FormatListingLine(const ListingLine& line);

// Hands up to maxLines lines from top to visit, one at a time, stopping
// after a line whose walk wrapped past 0xFFFF. PC is restored. A walk from
// 0 never wraps below its start, so only maxLines ends it: callers that
// take many lines print them as they come instead of keeping them.
template <typename Visit>
void ForEachListingLine(Machine& m, uint16_t top, long long maxLines, Visit&& visit) {
    const uint16_t savedPc = m.Cpu.PC;
    uint16_t address = top;
    for (long long i = 0; i < maxLines; ++i) {
        const ListingLine line = ListInstruction(m, address);
        address = line.Next;
        visit(line);
        // A negative span means the walk wrapped past 0xFFFF.
        if (static_cast<int>(address) - static_cast<int>(top) < 0) break;
    }
    m.Cpu.PC = savedPc;
}

// The same walk, collected: for a pane's worth of lines.
std::vector<ListingLine> WalkListing(Machine& m, uint16_t top, int maxLines);

}  // namespace varnox
