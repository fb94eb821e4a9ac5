#include "asm/Symbols.h"

#include <algorithm>
#include <cstdio>

#include "asm/SourceExpr.h"

namespace varnox {
namespace {

constexpr std::string_view CrcComment = "; rom0.bin CRC-32 ";
constexpr std::string_view Rom1CrcComment = "; rom1.bin CRC-32 ";
constexpr int MaxSourceLine = 1 << 30;
constexpr size_t MaxNameLength = 256;

std::string Quoted(std::string_view text) { return Concat({"'", Printable(text), "'"}); }

// The blank-separated fields of a line.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t pos = 0;
    while (true) {
        pos = SkipBlanks(line, pos);
        if (pos >= line.size()) break;
        size_t end = pos;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
        fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

}  // namespace

bool SymbolTable::Add(const Symbol& symbol) {
    if (byName_.count(symbol.Name)) return false;
    byName_.emplace(symbol.Name, symbols_.size());
    byAddress_.emplace(Key(symbol.Space, symbol.Address), symbols_.size());
    symbols_.push_back(symbol);
    return true;
}

std::vector<const std::string*> SymbolTable::NamesAt(SymbolSpace space, uint16_t address) const {
    std::vector<size_t> found;
    const auto [first, last] = byAddress_.equal_range(Key(space, address));
    for (auto it = first; it != last; ++it) found.push_back(it->second);
    std::sort(found.begin(), found.end());
    std::vector<const std::string*> names;
    for (const size_t i : found) names.push_back(&symbols_[i].Name);
    return names;
}

const std::string* SymbolTable::NameAt(SymbolSpace space, uint16_t address) const {
    const std::string* best = nullptr;
    size_t bestIndex = 0;
    const auto [first, last] = byAddress_.equal_range(Key(space, address));
    for (auto it = first; it != last; ++it) {
        if (!best || it->second < bestIndex) {
            best = &symbols_[it->second].Name;
            bestIndex = it->second;
        }
    }
    return best;
}

const Symbol* SymbolTable::Find(std::string_view name) const {
    const auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : &symbols_[found->second];
}

bool IsSymbolName(std::string_view text) {
    return !text.empty() && text.size() <= MaxNameLength && IsNameStart(text[0]) && ScanName(text, 0) == text.size();
}

ParsedSymbols ParseSymbolText(std::string_view text, std::string_view fileName) {
    ParsedSymbols parsed;
    int lineNumber = 0;
    auto complain = [&](const std::string& what) {
        parsed.Messages.push_back(Concat({fileName, ":", std::to_string(lineNumber), ": ", what}));
    };
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (lineNumber == 1 && line.substr(0, CrcComment.size()) == CrcComment) {
            parsed.Rom0Crc = HexValue(line.substr(CrcComment.size()), 8);
            continue;
        }
        if (lineNumber == 2 && line.substr(0, Rom1CrcComment.size()) == Rom1CrcComment) {
            parsed.Rom1Crc = HexValue(line.substr(Rom1CrcComment.size()), 8);
            continue;
        }
        const size_t first = SkipBlanks(line, 0);
        if (first >= line.size() || line[first] == ';') continue;
        const std::vector<std::string_view> fields = Fields(line);
        if (!fields.empty() && fields[0] == "line") {
            // FILE may hold blanks: the place is the rest of the line.
            const std::optional<uint32_t> address = fields.size() >= 3 ? HexValue(fields[1], 4) : std::nullopt;
            const auto place = fields.size() >= 3 ? ParseSourcePlace(line.substr(
                                                        static_cast<size_t>(fields[2].data() - line.data()),
                                                        static_cast<size_t>(fields.back().end() - fields[2].begin())))
                                                  : std::nullopt;
            if (!address || !place) {
                complain(Concat({"expected \"line HHHH FILE:LINE\", not ", Quoted(line)}));
                continue;
            }
            parsed.Lines.push_back(SourceLineRow{static_cast<uint16_t>(*address), place->first, place->second});
            continue;
        }
        // A row shaped as these are, of a kind a later build writes.
        if (fields.size() >= 3 && fields[0] != "code" && fields[0] != "data" && HexValue(fields[1], 4)) continue;
        if (fields.size() != 3) {
            complain(Concat({"expected \"code HHHH name\" or \"data HHHH name\", not ", Quoted(line)}));
            continue;
        }
        Symbol symbol;
        if (fields[0] == "code") {
            symbol.Space = SymbolSpace::Code;
        } else if (fields[0] == "data") {
            symbol.Space = SymbolSpace::Data;
        } else {
            complain(Concat({"the kind is code or data, not ", Quoted(fields[0])}));
            continue;
        }
        const std::optional<uint32_t> address = HexValue(fields[1], 4);
        if (!address) {
            complain(Concat({"the address is 1 to 4 hex digits, not ", Quoted(fields[1])}));
            continue;
        }
        symbol.Address = static_cast<uint16_t>(*address);
        if (!IsSymbolName(fields[2])) {
            complain(Concat({Quoted(fields[2]), " is not a name"}));
            continue;
        }
        symbol.Name = std::string(fields[2]);
        if (!parsed.Table.Add(symbol)) complain(Concat({"'", symbol.Name, "' is named twice; the first is kept"}));
    }
    return parsed;
}

std::string SymbolFileText(const std::vector<Symbol>& symbols, std::optional<uint32_t> rom0Crc,
                           const std::vector<SourceLineRow>& lines, std::optional<uint32_t> rom1Crc) {
    std::string text;
    char line[32];
    if (rom0Crc) {
        std::snprintf(line, sizeof line, "%08X\n", *rom0Crc);
        text += CrcComment;
        text += line;
        if (rom1Crc) {
            std::snprintf(line, sizeof line, "%08X\n", *rom1Crc);
            text += Rom1CrcComment;
            text += line;
        }
    }
    for (const Symbol& symbol : symbols) {
        std::snprintf(line, sizeof line, "%s %04X ", symbol.Space == SymbolSpace::Code ? "code" : "data", symbol.Address);
        text += line;
        text += symbol.Name;
        text += '\n';
    }
    for (const SourceLineRow& row : lines) {
        std::snprintf(line, sizeof line, "line %04X ", row.Address);
        text += line;
        text += row.File;
        text += ':';
        text += std::to_string(row.Line);
        text += '\n';
    }
    return text;
}

std::optional<std::pair<std::string, int>> ParseSourcePlace(std::string_view text) {
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    const std::string_view digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 10) return std::nullopt;
    long long line = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        line = line * 10 + (c - '0');
    }
    if (line < 1 || line > MaxSourceLine) return std::nullopt;
    return std::pair{std::string(text.substr(0, colon)), static_cast<int>(line)};
}

}  // namespace varnox
