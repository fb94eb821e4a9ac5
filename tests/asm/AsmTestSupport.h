// Shared helpers for the assembly-language tests.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "asm/Asem.h"
#include "asm/Listing.h"
#include "core/Def.h"

namespace varnox::test {

// "08 05 C0" for an accepted line (empty for no bytes), "error at P" else.
inline std::string Asm(std::string_view line) {
    const AsmResult r = Assemble(line);
    if (r.AsmErrorPos != 0) return "error at " + std::to_string(r.AsmErrorPos);
    std::string text;
    for (int i = 0; i < r.AsmCount; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", r.AsmBytes[static_cast<size_t>(i)]);
        if (i) text += ' ';
        text += hex;
    }
    return text;
}

// Mnemonic and operands of the word b0 b1 b2 listed at InstrRom word 0,
// joined by one space as a line is typed.
inline std::string Dis(uint8_t b0, uint8_t b1 = 0, uint8_t b2 = 0) {
    auto m = std::make_unique<Machine>();
    m->InstrRom[0] = b0;
    m->InstrRom[1] = b1;
    m->InstrRom[2] = b2;
    const ListingLine line = ListInstruction(*m, 0);
    std::string text(line.Mnemonic);
    if (!line.Operands.empty()) text += " " + line.Operands;
    return text;
}

}  // namespace varnox::test
