// The scanner steps of the line assembler and the name lists its operand
// grammar matches. Internal to the assembler.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "asm/OpcodeTable.h"
#include "asm/SourceExpr.h"
#include "core/OperandFields.h"

namespace varnox::asmscan {

struct NamedValue {
    std::string_view name;
    unsigned value;
};

// The operand grammar's names, taken from the names the listing prints so
// that what is printed is what is read back.
constexpr std::array<NamedValue, 4> MakePointerRegs() {
    std::array<NamedValue, 4> list{};
    for (unsigned k = 0; k < 4; ++k) list[k] = {PointerRegName(k), k};
    return list;
}

constexpr std::array<NamedValue, 8> MakeIndexRegs() {
    std::array<NamedValue, 8> list{};
    for (unsigned n = 0; n < 8; ++n) list[n] = {IndexRegNames[n], n};
    return list;
}

// Conditions 1..15 but 8, without the comma the prefix carries.
constexpr std::array<NamedValue, 14> MakeConditions() {
    std::array<NamedValue, 14> list{};
    size_t i = 0;
    for (unsigned c = 1; c < 16; ++c) {
        if (c == 8) continue;
        std::string_view prefix = ConditionPrefixes[c];
        prefix.remove_suffix(1);
        list[i++] = {prefix, c};
    }
    return list;
}

inline constexpr std::array<NamedValue, 4> PointerRegs = MakePointerRegs();
inline constexpr std::array<NamedValue, 8> IndexRegs = MakeIndexRegs();
inline constexpr std::array<NamedValue, 14> Conditions = MakeConditions();

// The status registers gst and pst name; which of them an opcode takes is
// the listing's business (StatusRegNames).
inline constexpr std::array<NamedValue, 6> StatusRegTable{{
    {"as", 0}, {"f", 1}, {"ie", 2}, {"if", 3}, {"ki", 4}, {"ko", 5},
}};

inline char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The scanner steps. Each moves pos only as far as it got; a failed step
// leaves pos where the next alternative starts.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    size_t pos = 0;  // 0-based; reported 1-based

    bool AtEnd() const { return pos >= text_.size(); }

    void SkipSpaces() {
        while (pos < text_.size() && text_[pos] == ' ') ++pos;
    }

    bool Accept(char c) {
        if (pos < text_.size() && text_[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }

    bool MatchesWord(std::string_view word) const {
        if (pos > text_.size() || text_.size() - pos < word.size()) return false;
        for (size_t i = 0; i < word.size(); ++i) {
            if (FoldCase(text_[pos + i]) != word[i]) return false;
        }
        return true;
    }

    bool Word(std::string_view word) {
        if (!MatchesWord(word)) return false;
        pos += word.size();
        return true;
    }

    // Longest matching name; the first of equal length wins.
    template <typename Item, size_t N>
    const Item* NameFrom(const std::array<Item, N>& list) {
        const Item* best = nullptr;
        for (const Item& item : list) {
            if (MatchesWord(item.name) && (!best || item.name.size() > best->name.size())) best = &item;
        }
        if (best) pos += best->name.size();
        return best;
    }

    bool Comma() {
        SkipSpaces();
        if (!Accept(',')) return false;
        SkipSpaces();
        return true;
    }

    // Digits stop where the next one would carry the value past 0xFFFF.
    std::optional<unsigned> Number(unsigned base) {
        unsigned value = 0;
        const size_t start = pos;
        while (pos < text_.size()) {
            const int digit = HexDigitValue(text_[pos]);
            if (digit < 0 || static_cast<unsigned>(digit) >= base) break;
            const unsigned next = value * base + static_cast<unsigned>(digit);
            if (next > 0xFFFF) break;
            value = next;
            ++pos;
        }
        if (pos == start) return std::nullopt;
        return value;
    }

    std::optional<unsigned> Immediate(unsigned limit) {
        SkipSpaces();
        const unsigned base = Word("&h") ? 16 : 10;
        const auto value = Number(base);
        if (!value || *value > limit) return std::nullopt;
        return value;
    }

    std::optional<int> Register() {
        SkipSpaces();
        bool indirect = false;
        if (Word("i")) {
            indirect = true;
        } else if (!Word("r")) {
            return std::nullopt;
        }
        const auto n = Number(10);
        if (!n || *n > 127) return std::nullopt;
        if (!indirect) return static_cast<int>(*n);
        if (*n < 64) return std::nullopt;
        return IndirectBase + static_cast<int>(*n) - 64;
    }

    // ".." then the last register of a range starting at first.
    std::optional<int> RangeEnd(int first) {
        if (!Accept('.') || !Accept('.')) return std::nullopt;
        const auto last = Register();
        if (!last || (*last >> 3) != (first >> 3)) return std::nullopt;
        return last;
    }

    std::optional<unsigned> Sign() {
        SkipSpaces();
        if (Accept('+')) return 0u;
        if (Accept('-')) return 4u;
        return std::nullopt;
    }

    std::optional<unsigned> PointerInParentheses() {
        if (!Accept('(')) return std::nullopt;
        SkipSpaces();
        const NamedValue* k = NameFrom(PointerRegs);
        if (!k) return std::nullopt;
        return k->value;
    }

private:
    std::string_view text_;
};

}  // namespace varnox::asmscan
