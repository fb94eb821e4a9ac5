// A place in the program as a user types it, read here for every reader:
// the debugger's tabs, watches and conditions, and varnox-tool's --break,
// --watch and list --from. A place is an address in hex (1 to 4 digits,
// with or without "&H", "0x" or "$"), a name of the symbol table spelled as
// the assembler spells it (a name wins over hex digits that spell the same
// word, "add", "cafe"), either with one "+" and an offset (hex, or "#" and
// decimal: "count+1", "calc_enter+#12"); or, where a breakpoint is meant,
// FILE:LINE: the first word of that source line, or of the next line of the
// file that placed one (the line rows of rom.sym).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "asm/Symbols.h"
#include "core/DebugHooks.h"

namespace varnox {

class SourceMap;

// The text without the blanks around it.
std::string_view Trimmed(std::string_view text);

// An address or a name.
struct AddressValue {
    std::optional<uint16_t> Address;
    std::string Problem;            // why not, when there is no address
    const Symbol* Named = nullptr;  // the symbol it names, when it does
};
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

// "FILE:LINE" as a code address through the map: "" and the address, or
// the problem.
struct SourcePlaceAddress {
    std::optional<uint16_t> Address;
    std::string Problem;
};
SourcePlaceAddress ResolveSourcePlace(std::string_view text, const SourceMap& lines);

// Where a breakpoint goes: FILE:LINE, a name or an address. Where is the
// text when it was a line or a name, so that a new build's rom.sym finds
// it again; "" for a bare address.
struct BreakPlace {
    std::optional<uint16_t> Address;
    std::string Where;
    std::string Problem;
    bool SourceLine = false;        // read as FILE:LINE
    const Symbol* Named = nullptr;  // the symbol it names, when it does
};
BreakPlace ParseBreakPlace(std::string_view text, const SymbolTable* symbols, const SourceMap& lines);

// Whether the text can be a place once rom.sym is read: hex digits, the
// spelling of a name, or FILE:LINE where lines are taken. Names and lines
// are looked up only then.
bool LooksLikePlace(std::string_view text, bool sourceLines);

}  // namespace varnox
