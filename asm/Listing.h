// Listing lines as the disassembly pane shows them: address, mnemonic and
// operands, read where and as the processor's fetch reads them.
#pragma once

#include <cstdint>
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

// Addresses the walk from top has covered up to the end of the line: the
// next line's address less top. Negative once the walk wrapped past 0xFFFF.
inline int ListingSpan(const ListingLine& line, uint16_t top) {
    return static_cast<int>(line.Next) - static_cast<int>(top);
}

inline bool ListingWrapped(const ListingLine& line, uint16_t top) { return ListingSpan(line, top) < 0; }

// The instruction at the address, read as the processor's fetch would read
// it; the machine is only looked at.
ListingLine ListInstruction(const Machine& m, uint16_t address);

// "AAAA:", the mnemonic at column 6 and the operands at column 12, without
// trailing blanks.
std::string FormatListingLine(const ListingLine& line);

// Hands up to maxLines lines from top to visit, one at a time, stopping
// after a line whose walk wrapped past 0xFFFF. A walk from 0 never wraps
// below its start, so only maxLines ends it: callers that take many lines
// print them as they come instead of keeping them.
template <typename Visit>
void ForEachListingLine(const Machine& m, uint16_t top, long long maxLines, Visit&& visit) {
    uint16_t address = top;
    for (long long i = 0; i < maxLines; ++i) {
        const ListingLine line = ListInstruction(m, address);
        address = line.Next;
        visit(line);
        if (ListingWrapped(line, top)) break;
    }
}

// The same walk, collected: for a pane's worth of lines.
std::vector<ListingLine> WalkListing(const Machine& m, uint16_t top, int maxLines);

}  // namespace varnox
