// Names of addresses: the labels a source assembly wrote to "rom.sym", read
// back so the listing, the line assembler and the debugger can use them.
// The file is plain text, one symbol a line:
//   code HHHH name    an instruction-ROM word address
//   data HHHH name    a data address (data ROM or RAM)
//   line HHHH FILE:LINE  the source line an instruction-ROM word came from
// with blank lines and lines starting with ";" ignored, and rows of any
// other kind ("KIND HHHH ...") skipped without a word: a later build's,
// for a later reader.
// A first comment "; rom0.bin CRC-32 HHHHHHHH" records the image the names
// belong to, a second "; rom1.bin CRC-32 HHHHHHHH" the data ROM built with
// it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace varnox {

inline constexpr const char* SymbolFileName = "rom.sym";

enum class SymbolSpace : uint8_t { Code, Data };

// A placed code word's source line: FILE relative to the main source's
// folder, LINE from 1.
struct SourceLineRow {
    uint16_t Address = 0;
    std::string File;
    int Line = 0;
    bool operator==(const SourceLineRow&) const = default;
};

struct Symbol {
    SymbolSpace Space = SymbolSpace::Code;
    uint16_t Address = 0;
    std::string Name;
};

class SymbolTable {
public:
    // False when the name is taken already; the first name given to an
    // address is the one operands show.
    bool Add(const Symbol& symbol);

    // The names of the address in the space, in the order added.
    std::vector<const std::string*> NamesAt(SymbolSpace space, uint16_t address) const;
    const std::string* NameAt(SymbolSpace space, uint16_t address) const;
    // Names are matched exactly as the assembler spells them.
    const Symbol* Find(std::string_view name) const;

    const std::vector<Symbol>& All() const { return symbols_; }
    bool Empty() const { return symbols_.empty(); }

private:
    static uint32_t Key(SymbolSpace space, uint16_t address) {
        return (space == SymbolSpace::Code ? 0x10000u : 0u) | address;
    }
    std::vector<Symbol> symbols_;
    std::unordered_multimap<uint32_t, size_t> byAddress_;
    std::map<std::string, size_t, std::less<>> byName_;
};

struct ParsedSymbols {
    SymbolTable Table;
    std::optional<uint32_t> Rom0Crc;    // from the first comment, when it has one
    std::optional<uint32_t> Rom1Crc;    // from the second, when it has one
    std::vector<SourceLineRow> Lines;   // the line rows, in file order
    std::vector<std::string> Messages;  // "FILE:LINE: what is wrong", one a skipped line
};

// Reads the text of a symbol file; `fileName` names it in the messages.
// Never fails: a malformed line is reported and skipped.
ParsedSymbols ParseSymbolText(std::string_view text, std::string_view fileName);

// The text of a symbol file: the CRC comments when given (rom1's only
// with rom0's), then one line a symbol in the order given, then the line
// rows.
std::string SymbolFileText(const std::vector<Symbol>& symbols, std::optional<uint32_t> rom0Crc,
                           const std::vector<SourceLineRow>& lines = {}, std::optional<uint32_t> rom1Crc = {});

// "FILE:LINE" split at its last colon: nothing unless FILE is not empty and
// LINE a decimal number from 1.
std::optional<std::pair<std::string, int>> ParseSourcePlace(std::string_view text);

// Whether the text is a name as the assembler writes one: a letter or "_",
// then letters, digits and "_", with at most one ".local" part.
bool IsSymbolName(std::string_view text);

}  // namespace varnox
