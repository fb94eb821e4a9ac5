// The symbol file reader on arbitrary text. However many lines are bad, it
// says a few and a count, each message short; the symbols it keeps write
// back to a file that reads as the same symbols.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "asm/Symbols.h"

namespace {

constexpr size_t MostMessages = 32;
constexpr size_t LongestMessage = 300;

bool SameSymbols(const varnox::SymbolTable& a, const varnox::SymbolTable& b) {
    if (a.All().size() != b.All().size()) return false;
    for (size_t i = 0; i < a.All().size(); ++i) {
        const varnox::Symbol& x = a.All()[i];
        const varnox::Symbol& y = b.All()[i];
        if (x.Space != y.Space || x.Address != y.Address || x.Name != y.Name) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const varnox::ParsedSymbols parsed = varnox::ParseSymbolText(text, "rom.sym");
    FUZZ_CHECK(parsed.Messages.size() <= MostMessages, "%zu messages", parsed.Messages.size());
    for (const std::string& message : parsed.Messages) {
        FUZZ_CHECK(message.size() <= LongestMessage, "a message of %zu bytes", message.size());
    }
    for (const varnox::Symbol& symbol : parsed.Table.All()) {
        const std::string* shown = parsed.Table.NameAt(symbol.Space, symbol.Address);
        FUZZ_CHECK(shown && parsed.Table.Find(*shown), "an address with a symbol shows no name");
    }
    const varnox::ParsedSymbols again =
        varnox::ParseSymbolText(varnox::SymbolFileText(parsed.Table.All(), parsed.Rom0Crc), "rom.sym");
    FUZZ_CHECK(again.Rom0Crc == parsed.Rom0Crc, "the ROM's CRC-32 reads back otherwise");
    FUZZ_CHECK(SameSymbols(again.Table, parsed.Table), "written symbols read back otherwise");
    return 0;
}
