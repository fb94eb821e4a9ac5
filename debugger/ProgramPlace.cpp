#include "debugger/ProgramPlace.h"

#include "asm/SourceExpr.h"
#include "debugger/SourceLines.h"

namespace varnox {
namespace {

std::optional<uint16_t> HexAddress(std::string_view text) {
    for (std::string_view prefix : {"&H", "&h", "0x", "0X", "$"}) {
        if (text.substr(0, prefix.size()) == prefix) {
            text.remove_prefix(prefix.size());
            break;
        }
    }
    const std::optional<uint32_t> value = HexValue(text, 4);
    if (!value) return std::nullopt;
    return static_cast<uint16_t>(*value);
}

// The line that FILE:LINE names: its first word, or the next line's of the
// file that placed one.
SourcePlaceAddress SourceLineAddress(std::string_view text, const std::string& file, int line, const SourceMap& lines) {
    if (lines.Empty()) return {std::nullopt, "no source lines (rom.sym has no line rows)"};
    // A file the rows do not name, or name twice, is told as a line
    // without code after it.
    if (const SourceMap::FileMatch found = lines.FindFile(file); found.Name) {
        if (const auto address = lines.BreakAddressOf(*found.Name, line)) return {address, {}};
    }
    return {std::nullopt, Concat({"no code at or after ", Printable(text)})};
}

}  // namespace

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

AddressValue ParseAddressText(std::string_view text, const SymbolTable* symbols) {
    text = Trimmed(text);
    if (text.empty()) return {std::nullopt, "no address given"};
    if (symbols) {
        if (const Symbol* symbol = symbols->Find(text)) return {symbol->Address, {}, symbol};
    }
    if (const auto value = HexAddress(text)) return {value, {}};
    const std::string shown(text.substr(0, 40));
    if (IsSymbolName(text)) {
        return {std::nullopt, symbols && !symbols->Empty()
                                  ? Concat({"no symbol named '", shown, "'"})
                                  : Concat({"'", shown, "' is not a hex address, and there are no symbols"})};
    }
    return {std::nullopt, Concat({"'", shown, "' is neither a hex address (1 to 4 digits) nor a name"})};
}

WatchRangeValue ParseWatchText(std::string_view text, const SymbolTable* symbols) {
    text = Trimmed(text);
    WatchRange range;
    const size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        const std::string_view kinds = Trimmed(text.substr(colon + 1));
        if (kinds == "r") {
            range.Kinds = AccessRead;
        } else if (kinds == "w") {
            range.Kinds = AccessWrite;
        } else if (kinds == "rw" || kinds == "wr") {
            range.Kinds = AccessRead | AccessWrite;
        } else {
            return {std::nullopt, Concat({"the access is :r, :w or :rw, not ':", kinds.substr(0, 20), "'"})};
        }
        text = text.substr(0, colon);
    }
    const size_t dash = text.find('-');
    const AddressValue first = ParseAddressText(text.substr(0, dash), symbols);
    if (!first.Address) return {std::nullopt, first.Problem};
    range.First = range.Last = *first.Address;
    range.CodeName = first.Named && first.Named->Space == SymbolSpace::Code;
    if (dash != std::string_view::npos) {
        const AddressValue last = ParseAddressText(text.substr(dash + 1), symbols);
        if (!last.Address) return {std::nullopt, last.Problem};
        if (*last.Address < range.First) return {std::nullopt, "the range ends before it starts"};
        range.Last = *last.Address;
        range.CodeName = range.CodeName || (last.Named && last.Named->Space == SymbolSpace::Code);
    }
    return {range, {}};
}

SourcePlaceAddress ResolveSourcePlace(std::string_view text, const SourceMap& lines) {
    const auto place = ParseSourcePlace(text);
    if (!place) return {std::nullopt, Concat({"not FILE:LINE: ", Printable(text)})};
    return SourceLineAddress(text, place->first, place->second, lines);
}

BreakPlace ParseBreakPlace(std::string_view text, const SymbolTable* symbols, const SourceMap& lines) {
    const std::string_view trimmed = Trimmed(text);
    if (const auto line = ParseSourcePlace(trimmed)) {
        SourcePlaceAddress place = SourceLineAddress(trimmed, line->first, line->second, lines);
        return {place.Address, std::string(trimmed), std::move(place.Problem), true};
    }
    AddressValue address = ParseAddressText(trimmed, symbols);
    const bool named = address.Named != nullptr;
    return {address.Address, named ? std::string(trimmed) : std::string(), std::move(address.Problem), false,
            address.Named};
}

bool LooksLikePlace(std::string_view text, bool sourceLines) {
    text = Trimmed(text);
    return ParseAddressText(text, nullptr).Address || IsSymbolName(text) || (sourceLines && ParseSourcePlace(text));
}

}  // namespace varnox
