#include "debugger/ProgramPlace.h"

#include <vector>

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

// An offset after a place's "+": hex as every number typed here, or "#"
// and decimal as a condition's value.
std::optional<uint16_t> OffsetValue(std::string_view text) {
    if (text.empty() || text.front() != '#') {
        const std::optional<uint32_t> value = HexValue(text, 4);
        return value ? std::optional<uint16_t>(static_cast<uint16_t>(*value)) : std::nullopt;
    }
    text.remove_prefix(1);
    if (text.empty() || text.size() > 5) return std::nullopt;
    uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    return value > 0xFFFF ? std::nullopt : std::optional<uint16_t>(static_cast<uint16_t>(value));
}

// Files named in a message: enough to recognise, never a flood.
constexpr size_t MostFilesNamed = 8;

std::string FileList(const std::vector<std::string>& files) {
    std::string list;
    for (size_t i = 0; i < files.size() && i < MostFilesNamed; ++i) list += Concat({i ? ", " : "", Printable(files[i])});
    if (files.size() > MostFilesNamed) list += Concat({" and ", std::to_string(files.size() - MostFilesNamed), " more"});
    return list;
}

// The line that FILE:LINE names: its first word, or the next line's of the
// file that placed one. A file rom.sym does not name, or names twice by
// that last part, is told as such rather than as a line without code.
SourcePlaceAddress SourceLineAddress(std::string_view text, const std::string& file, int line, const SourceMap& lines) {
    if (lines.Empty()) return {std::nullopt, "no source lines (rom.sym has no line rows)"};
    const SourceMap::FileMatch found = lines.FindFile(file);
    if (found.Ambiguous) {
        return {std::nullopt, Concat({Printable(file), " is ambiguous in rom.sym: ", FileList(found.Candidates),
                                      "; give the whole name"})};
    }
    if (!found.Name) {
        return {std::nullopt, Concat({"rom.sym names no file ", Printable(file), "; its files: ", FileList(lines.Files())})};
    }
    if (const auto address = lines.BreakAddressOf(*found.Name, line)) return {address, {}};
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
    if (const size_t plus = text.find('+'); plus != std::string_view::npos) {
        const AddressValue base = ParseAddressText(text.substr(0, plus), symbols);
        if (!base.Address) return base;
        const std::optional<uint16_t> offset = OffsetValue(Trimmed(text.substr(plus + 1)));
        if (!offset) return {std::nullopt, Concat({"'", shown, "': after + comes hex (1 to 4 digits), or # and decimal"})};
        if (*base.Address + *offset > 0xFFFF) return {std::nullopt, Concat({"'", shown, "' lies past FFFF"})};
        return {static_cast<uint16_t>(*base.Address + *offset), {}, base.Named};
    }
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
    if (const size_t plus = text.find('+'); plus != std::string_view::npos && OffsetValue(Trimmed(text.substr(plus + 1)))) {
        return LooksLikePlace(text.substr(0, plus), false);
    }
    return ParseAddressText(text, nullptr).Address || IsSymbolName(text) || (sourceLines && ParseSourcePlace(text));
}

}  // namespace varnox
