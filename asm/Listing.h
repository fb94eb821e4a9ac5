// Listing lines as the disassembly pane shows them: address, mnemonic and
// operands, read through the processor's own fetch path.
#pragma once

#include <array>
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

// The instruction at the address. Sets PC to it and leaves PC at the next
// line's address: the caller saves and restores PC around its lines.
ListingLine ListInstruction(Machine& m, uint16_t address);

// "AAAA:", the mnemonic at column 6 and the operands at column 12, without
// trailing blanks.
std::string FormatListingLine(const ListingLine& line);

// What listing a line changes in the processor: the fetch latches, the
// operand index, the fetch cycles and PC. Kept while it lives and put back
// at its end, so a listing leaves a stopped machine exactly as it was.
class FetchStateKeeper {
public:
    explicit FetchStateKeeper(CpuState& cpu)
        : cpu_(cpu),
          pc_(cpu.PC),
          instrPc_(cpu.InstrPC),
          instrBytes_(cpu.InstrBytes),
          operandIndex_(cpu.OperandIndex),
          stepCycles_(cpu.StepCycles) {}
    ~FetchStateKeeper() {
        cpu_.PC = pc_;
        cpu_.InstrPC = instrPc_;
        cpu_.InstrBytes = instrBytes_;
        cpu_.OperandIndex = operandIndex_;
        cpu_.StepCycles = stepCycles_;
    }
    FetchStateKeeper(const FetchStateKeeper&) = delete;
    FetchStateKeeper& operator=(const FetchStateKeeper&) = delete;

private:
    CpuState& cpu_;
    uint16_t pc_;
    uint16_t instrPc_;
    std::array<uint8_t, 3> instrBytes_;
    int32_t operandIndex_;
    int32_t stepCycles_;
};

// Hands up to maxLines lines from top to visit, one at a time, stopping
// after a line whose walk wrapped past 0xFFFF. The processor's fetch state
// is put back afterwards. A walk from 0 never wraps below its start, so
// only maxLines ends it: callers that take many lines print them as they
// come instead of keeping them.
template <typename Visit>
void ForEachListingLine(Machine& m, uint16_t top, long long maxLines, Visit&& visit) {
    const FetchStateKeeper keeper(m.Cpu);
    uint16_t address = top;
    for (long long i = 0; i < maxLines; ++i) {
        const ListingLine line = ListInstruction(m, address);
        address = line.Next;
        visit(line);
        if (ListingWrapped(line, top)) break;
    }
}

// The same walk, collected: for a pane's worth of lines.
std::vector<ListingLine> WalkListing(Machine& m, uint16_t top, int maxLines);

}  // namespace varnox
