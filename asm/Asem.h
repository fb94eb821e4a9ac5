// The line assembler: one line of assembly text to the bytes of one
// instruction word, or the position at which the line was rejected.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "asm/AsmTable.h"

namespace varnox {

// The debugger passes at most this many characters of a typed line.
constexpr size_t AsmLineLimit = 64;

struct AsmResult {
    int AsmErrorPos = 0;  // 0: accepted; else the 1-based position of the rejection
    std::array<uint8_t, 3> AsmBytes{};
    int AsmCount = 0;  // valid bytes of AsmBytes, 0..3
};

// Assembles one line. Works on any text of any length, reading nothing
// beyond it; it keeps no state between calls.
AsmResult Assemble(std::string_view line);

// Length of the longest AsmTable mnemonic that matches at pos (letter case
// ignored, no separator needed after it), or 0 when none does.
size_t MatchMnemonic(std::string_view line, size_t pos);

}  // namespace varnox
