#include "asm/SourceAsm.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include "asm/Asem.h"
#include "asm/AsmScanner.h"
#include "core/Def.h"

namespace varnox {
namespace {

constexpr uint8_t Rom0Fill = 0x00;
constexpr uint8_t Rom1Fill = 0xFF;
constexpr size_t MaxLabelNameShown = 40;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(char c) { return IsLetter(c) || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

size_t NameEnd(std::string_view text, size_t pos) {
    while (pos < text.size() && IsNameChar(text[pos])) ++pos;
    return pos;
}

size_t SkipSpaces(std::string_view text, size_t pos) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    return pos;
}

bool AtLineEnd(std::string_view text, size_t pos) {
    pos = SkipSpaces(text, pos);
    return pos >= text.size() || text[pos] == ';';
}

// Names that the operand grammar already gives a meaning, and the
// directives. Names of the form r5 or i70 are registers.
bool IsReservedName(std::string_view name) {
    static const std::set<std::string> reserved = [] {
        std::set<std::string> words{"org", "data"};
        for (const AsmEntry& entry : AsmTable) words.insert(entry.Mnemonic);
        for (const auto& item : asmscan::IndexRegs) words.emplace(item.name);  // pointer registers too
        for (const auto& item : asmscan::Conditions) words.emplace(item.name);
        for (const auto& item : asmscan::StatusRegTable) words.emplace(item.name);
        return words;
    }();
    const std::string lower = Lower(name);
    if (lower.size() > 1 && (lower[0] == 'r' || lower[0] == 'i') && IsDigit(lower[1])) return true;
    return reserved.count(lower) != 0;
}

std::string Quoted(std::string_view name) {
    std::string text(1, '\'');
    text.append(name.substr(0, MaxLabelNameShown));
    if (name.size() > MaxLabelNameShown) text.append("...");
    text.push_back('\'');
    return text;
}

std::string Hex4(uint32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

std::string Shown(char c) {
    if (c >= 0x21 && c <= 0x7E) return std::string("'") + c + "'";
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", static_cast<unsigned char>(c));
    return text;
}

enum class Space { Code, Data };

struct Location {
    Space space = Space::Code;
    uint32_t address = 0;  // word address in code, byte address in data
};

// Data ROM addresses as the processor reads them: bit 14 clear.
bool IsDataRomAddress(uint32_t address) { return address <= 0xFFFF && (address & 0x4000) == 0; }
size_t DataRomOffset(uint32_t address) { return (address & 0x3FFF) | ((address >> 1) & 0x4000); }

struct Label {
    uint32_t value;
    int line;
};

// A line with label references replaced by their values; origin maps each
// character (and the end) back to its column in the source line.
struct Expanded {
    struct Use {
        size_t first, end;  // the value's characters in text
        std::string name;
        uint32_t value;
    };
    std::string text;
    std::vector<size_t> origin;
    std::vector<Use> uses;
};

class SourceAssembler {
public:
    explicit SourceAssembler(std::string_view source) {
        // A byte-order mark some editors put first is no part of line 1.
        if (source.substr(0, 3) == "\xEF\xBB\xBF") source.remove_prefix(3);
        size_t start = 0;
        while (start <= source.size()) {
            size_t end = source.find('\n', start);
            if (end == std::string_view::npos) end = source.size();
            std::string_view line = source.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            lines_.emplace_back(line);
            start = end + 1;
        }
        // A final newline does not start another line.
        if (lines_.size() > 1 && lines_.back().empty()) lines_.pop_back();
    }

    SourceImages Run() {
        RunPass(false);
        RunPass(true);
        std::stable_sort(out_.Errors.begin(), out_.Errors.end(), [](const SourceError& a, const SourceError& b) {
            return a.Line != b.Line ? a.Line < b.Line : a.Column < b.Column;
        });
        if (!out_.Errors.empty()) {
            out_.Rom0.clear();
            out_.Rom1.clear();
            out_.Listing.clear();
        }
        return std::move(out_);
    }

private:
    void RunPass(bool final) {
        final_ = final;
        location_ = Location{};
        out_.Rom0.assign(InstrRomBytes, Rom0Fill);
        out_.Rom1.assign(DataRomBytes, Rom1Fill);
        codeUsed_.assign(InstrRomWords, false);
        dataUsed_.assign(DataRomBytes, false);
        out_.Listing.clear();
        for (size_t i = 0; i < lines_.size(); ++i) AssembleLine(static_cast<int>(i) + 1, lines_[i]);
    }

    void Error(int line, size_t column, std::string message) {
        if (final_) out_.Errors.push_back(SourceError{line, static_cast<int>(column) + 1, std::move(message)});
    }

    void AssembleLine(int lineNumber, const std::string& source) {
        lineNumber_ = lineNumber;
        // Tabs count as spaces; columns stay as in the source.
        std::string text = source;
        for (char& c : text) {
            if (c == '\t') c = ' ';
        }

        // Labels: "name:" before the line, blanked out so columns hold.
        std::vector<std::pair<std::string, size_t>> labels;
        size_t pos = SkipSpaces(text, 0);
        while (pos < text.size() && IsNameStart(text[pos])) {
            const size_t end = NameEnd(text, pos);
            if (end >= text.size() || text[end] != ':') break;
            labels.emplace_back(text.substr(pos, end - pos), pos);
            for (size_t i = pos; i <= end; ++i) text[i] = ' ';
            pos = SkipSpaces(text, end + 1);
        }

        // Directives set the location before the line's labels take it.
        if (pos < text.size() && IsNameStart(text[pos])) {
            const size_t end = NameEnd(text, pos);
            const std::string word = Lower(std::string_view(text).substr(pos, end - pos));
            if (word == "org" || word == "data") {
                Directive(text, word == "org" ? Space::Code : Space::Data, end);
                DefineLabels(labels);
                AddListing(nullptr, 0, location_, source);
                return;
            }
        }
        DefineLabels(labels);

        const Expanded expanded = ExpandLabels(text, pos);
        const AsmResult result = Assemble(expanded.text);
        if (result.AsmErrorPos != 0) {
            ReportRejection(expanded, text, pos, static_cast<size_t>(result.AsmErrorPos - 1));
            AddListing(nullptr, 0, location_, source);
            return;
        }
        const Location at = location_;
        Place(result.AsmBytes.data(), result.AsmCount, pos);
        AddListing(result.AsmBytes.data(), result.AsmCount, at, source);
    }

    void DefineLabels(const std::vector<std::pair<std::string, size_t>>& labels) {
        std::set<std::string> onThisLine;
        for (const auto& [name, column] : labels) {
            const bool repeated = !onThisLine.insert(name).second;
            if (IsReservedName(name)) {
                Error(lineNumber_, column, Quoted(name) + " is a reserved name and cannot be a label");
                continue;
            }
            const auto found = labels_.find(name);
            if (found == labels_.end()) {
                // Labels are only added in the first pass; the second one
                // reaches the same locations.
                labels_.emplace(name, Label{location_.address, lineNumber_});
            } else if (found->second.line != lineNumber_ || repeated) {
                Error(lineNumber_, column,
                      "label " + Quoted(name) + " is already defined on line " + std::to_string(found->second.line));
            }
        }
    }

    // A label usable as an address in a directive: defined on an earlier line.
    const Label* EarlierLabel(const std::string& name) const {
        const auto found = labels_.find(name);
        if (found == labels_.end() || found->second.line >= lineNumber_) return nullptr;
        return &found->second;
    }

    void Directive(const std::string& text, Space space, size_t pos) {
        pos = SkipSpaces(text, pos);
        const size_t valueColumn = pos;
        std::optional<uint32_t> value;
        if (pos + 1 < text.size() && text[pos] == '&' && (text[pos + 1] == 'h' || text[pos + 1] == 'H')) {
            value = ReadNumber(text, pos + 2, 16, pos);
        } else if (pos < text.size() && IsDigit(text[pos])) {
            value = ReadNumber(text, pos, 10, pos);
        } else if (pos < text.size() && IsNameStart(text[pos])) {
            const size_t end = NameEnd(text, pos);
            const std::string name = text.substr(pos, end - pos);
            if (const Label* label = EarlierLabel(name)) {
                value = label->value;
            } else {
                Error(lineNumber_, pos, "label " + Quoted(name) + " must be defined on an earlier line");
                return;
            }
            pos = end;
        }
        if (!value) {
            if (pos == valueColumn) Error(lineNumber_, pos, "expected an address");
            return;
        }
        if (!AtLineEnd(text, pos)) {
            Error(lineNumber_, SkipSpaces(text, pos), "unexpected text after the address");
            return;
        }
        if (space == Space::Code && *value >= InstrRomWords) {
            Error(lineNumber_, valueColumn, "address out of range: org takes a word address below &H1800");
            return;
        }
        if (space == Space::Data && !IsDataRomAddress(*value)) {
            Error(lineNumber_, valueColumn,
                  "address out of range: data takes a data ROM address, &H0000-&H3FFF or &H8000-&HBFFF");
            return;
        }
        location_ = Location{space, *value};
    }

    // Digits of the base from pos; pos is left after them.
    std::optional<uint32_t> ReadNumber(const std::string& text, size_t start, int base, size_t& pos) {
        uint32_t value = 0;
        size_t p = start;
        bool tooLarge = false;
        while (p < text.size()) {
            const char c = text[p];
            int digit = -1;
            if (IsDigit(c)) digit = c - '0';
            if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            if (digit < 0 || digit >= base) break;
            value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
            if (value > 0xFFFF) {
                tooLarge = true;
                value = 0x10000;
            }
            ++p;
        }
        if (p == start) {
            Error(lineNumber_, p, "expected a number");
            pos = p;
            return std::nullopt;
        }
        pos = p;
        if (tooLarge) {
            Error(lineNumber_, start, "number too large");
            return std::nullopt;
        }
        return value;
    }

    // Replaces the label names in the operands by their decimal values.
    // Hexadecimal digits after &h, numbers, registers and the grammar's
    // own names stay as they are.
    Expanded ExpandLabels(const std::string& text, size_t pos) {
        Expanded out;
        auto copy = [&](size_t from, size_t to) {
            for (size_t i = from; i < to; ++i) {
                out.text += text[i];
                out.origin.push_back(i);
            }
        };
        size_t operands = pos;
        if (pos < text.size()) operands = pos + MatchMnemonic(text, pos);
        if (operands == pos) operands = text.size();  // nothing to expand: Assemble rejects it
        copy(0, operands);
        size_t i = operands;
        while (i < text.size() && text[i] != ';') {
            const char c = text[i];
            if (c == '&' && i + 1 < text.size() && (text[i + 1] == 'h' || text[i + 1] == 'H')) {
                const size_t end = NameEnd(text, i + 2);
                copy(i, end);
                i = end;
            } else if (IsDigit(c)) {
                const size_t end = NameEnd(text, i);
                copy(i, end);
                i = end;
            } else if (IsNameStart(c)) {
                const size_t end = NameEnd(text, i);
                const std::string name = text.substr(i, end - i);
                if (IsReservedName(name)) {
                    copy(i, end);
                } else {
                    uint32_t value = 0;
                    const auto found = labels_.find(name);
                    if (found != labels_.end()) {
                        value = found->second.value;
                    } else {
                        Error(lineNumber_, i, "unknown label " + Quoted(name));
                    }
                    const size_t first = out.text.size();
                    for (char digit : std::to_string(value)) {
                        out.text += digit;
                        out.origin.push_back(i);
                    }
                    out.uses.push_back({first, out.text.size(), name, value});
                }
                i = end;
            } else {
                copy(i, i + 1);
                ++i;
            }
        }
        copy(i, text.size());
        out.origin.push_back(text.size());
        return out;
    }

    void ReportRejection(const Expanded& line, const std::string& source, size_t mnemonicPos, size_t errorPos) {
        const size_t column = line.origin[std::min(errorPos, line.text.size())];
        const std::string_view text = line.text;
        for (const Expanded::Use& use : line.uses) {
            // Rejected inside or just after a label's value: the value does
            // not fit the operand.
            if (errorPos > use.first && errorPos <= use.end) {
                Error(lineNumber_, line.origin[use.first],
                      "the value of label " + Quoted(use.name) + ", " + std::to_string(use.value) +
                          ", does not fit here");
                return;
            }
            if (errorPos == use.first) {
                Error(lineNumber_, column, "cannot assemble the line: rejected at label " + Quoted(use.name));
                return;
            }
        }
        if (errorPos == mnemonicPos && MatchMnemonic(text, mnemonicPos) == 0) {
            const size_t end = std::max(NameEnd(text, errorPos), errorPos + 1);
            Error(lineNumber_, column, "unknown instruction " + Quoted(text.substr(errorPos, end - errorPos)));
        } else if (errorPos >= text.size() || text[errorPos] == ';') {
            Error(lineNumber_, column, "cannot assemble the line: rejected at the end of the line");
        } else {
            Error(lineNumber_, column, "cannot assemble the line: rejected at " + Shown(source[column]));
        }
    }

    void Place(const uint8_t* bytes, int count, size_t column) {
        if (count <= 0) return;
        if (location_.space == Space::Code) {
            const uint32_t word = location_.address++;
            if (word >= InstrRomWords) {
                Error(lineNumber_, column, "address out of range: code runs past word &H17FF");
                return;
            }
            if (codeUsed_[word]) {
                Error(lineNumber_, column, "overlaps code already placed at word &H" + Hex4(word));
                return;
            }
            codeUsed_[word] = true;
            for (int i = 0; i < count; ++i) out_.Rom0[3 * word + static_cast<uint32_t>(i)] = bytes[i];
            return;
        }
        const uint32_t first = location_.address;
        location_.address += static_cast<uint32_t>(count);
        for (int i = 0; i < count; ++i) {
            const uint32_t address = first + static_cast<uint32_t>(i);
            if (!IsDataRomAddress(address)) {
                Error(lineNumber_, column, "address out of range: data runs past the data ROM at &H" + Hex4(address));
                return;
            }
            if (dataUsed_[DataRomOffset(address)]) {
                Error(lineNumber_, column, "overlaps data already placed at &H" + Hex4(address));
                return;
            }
        }
        for (int i = 0; i < count; ++i) {
            const size_t offset = DataRomOffset(first + static_cast<uint32_t>(i));
            dataUsed_[offset] = true;
            out_.Rom1[offset] = bytes[i];
        }
    }

    // "0012  40 12 AB  source" for code words, "D8000 ..." for data bytes.
    void AddListing(const uint8_t* bytes, int count, const Location& at, const std::string& source) {
        std::string line;
        if (bytes && count > 0) {
            if (at.space == Space::Data) line.push_back('D');
            line.append(Hex4(at.address));
            line.resize(6, ' ');
            for (int i = 0; i < count; ++i) {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
                if (i) line += ' ';
                line += hex;
            }
        }
        line.resize(16, ' ');
        line += source;
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
        out_.Listing += line;
        out_.Listing += '\n';
    }

    std::vector<std::string> lines_;
    std::map<std::string, Label> labels_;
    SourceImages out_;
    std::vector<bool> codeUsed_;
    std::vector<bool> dataUsed_;
    Location location_;
    int lineNumber_ = 0;
    bool final_ = false;
};

}  // namespace

SourceImages AssembleSource(std::string_view source) { return SourceAssembler(source).Run(); }

std::string FormatSourceError(std::string_view file, const SourceError& error) {
    return std::string(file) + ":" + std::to_string(error.Line) + ":" + std::to_string(error.Column) +
           ": error: " + error.Message;
}

}  // namespace varnox
