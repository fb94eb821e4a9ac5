#include "debugger/AddressText.h"

#include "asm/SourceExpr.h"
#include "debugger/HexText.h"

namespace varnox {
namespace {

constexpr int MaxPlaceDistance = 0x400;

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

std::string AddressWithName(uint16_t address, const SymbolTable* symbols, SymbolSpace space) {
    std::string text = HexText(address, 4);
    if (symbols) {
        if (const std::string* name = symbols->NameAt(space, address)) text = Concat({text, " ", *name});
    }
    return text;
}

std::string CodePlace(uint16_t address, const SymbolTable* symbols) {
    if (symbols && !symbols->Empty()) {
        const SymbolSpace space = address < DataInstrStart ? SymbolSpace::Code : SymbolSpace::Data;
        for (int distance = 0; distance <= MaxPlaceDistance && distance <= address; ++distance) {
            const std::string* name = symbols->NameAt(space, static_cast<uint16_t>(address - distance));
            if (!name) continue;
            return distance == 0 ? *name : Concat({*name, "+", std::to_string(distance)});
        }
    }
    return HexText(address, 4);
}

}  // namespace varnox
