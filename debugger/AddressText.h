// Addresses as a user types them in the debugger and varnox-tool: hex
// digits (with or without "&H", "0x" or "$"), or a name of the symbol
// table, spelled as the assembler spells it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "asm/Symbols.h"
#include "core/DebugHooks.h"
#include "core/Def.h"

namespace varnox {

struct AddressValue {
    std::optional<uint16_t> Address;
    std::string Problem;             // why not, when there is no address
    const Symbol* Named = nullptr;   // the symbol it names, when it does
};

// A name wins over hex digits that spell the same word ("add", "cafe").
// The text without the blanks around it.
std::string_view Trimmed(std::string_view text);

AddressValue ParseAddressText(std::string_view text, const SymbolTable* symbols);

// A watch as typed: "ADDR", "ADDR-ADDR", each optionally followed by ":r",
// ":w" or ":rw" (both when none is given).
struct WatchRange {
    uint16_t First = 0;
    uint16_t Last = 0;
    uint8_t Kinds = AccessRead | AccessWrite;
    bool CodeName = false;  // an end was given by a code name: a data access there is unlikely
};

struct WatchRangeValue {
    std::optional<WatchRange> Range;
    std::string Problem;
};

WatchRangeValue ParseWatchText(std::string_view text, const SymbolTable* symbols);

// "1234", or "1234 calc_enter" when a name stands for the address.
std::string AddressWithName(uint16_t address, const SymbolTable* symbols, SymbolSpace space);

// "calc_enter+3": the nearest code name at or below the address, with the
// distance, or the hex address when there is none within reach.
std::string CodePlace(uint16_t address, const SymbolTable* symbols);

}  // namespace varnox
