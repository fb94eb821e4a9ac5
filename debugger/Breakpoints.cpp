#include "debugger/Breakpoints.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "debugger/AddressText.h"
#include "debugger/HexText.h"

#include "asm/SourceExpr.h"

namespace varnox {
namespace {

constexpr std::array<std::string_view, 7> ByteRegisterNames{"pc", "f", "as", "ko", "ki", "ie", "if"};
constexpr std::array<std::string_view, 8> WordRegisterNames{"ix", "iy", "iz", "v3", "v2", "v1", "v0", "sp"};
constexpr int FirstWordRegister = static_cast<int>(ByteRegisterNames.size());
constexpr int FirstFileRegister = FirstWordRegister + static_cast<int>(WordRegisterNames.size());

struct OperatorText {
    std::string_view Text;
    CompareOp Op;
};
// Longer texts first, so "<=" is not read as "<".
constexpr std::array<OperatorText, 8> Operators{{
    {"==", CompareOp::Equal},
    {"!=", CompareOp::NotEqual},
    {"<=", CompareOp::LessEqual},
    {">=", CompareOp::GreaterEqual},
    {"<", CompareOp::Less},
    {">", CompareOp::Greater},
    {"&", CompareOp::AnyBit},
    {"=", CompareOp::Equal},
}};

}  // namespace

std::optional<int> ConditionRegisterIndex(std::string_view name) {
    const std::string lower = LowerCase(name);
    for (size_t i = 0; i < ByteRegisterNames.size(); ++i) {
        if (lower == ByteRegisterNames[i]) return static_cast<int>(i);
    }
    for (size_t i = 0; i < WordRegisterNames.size(); ++i) {
        if (lower == WordRegisterNames[i]) return FirstWordRegister + static_cast<int>(i);
    }
    if (lower.size() >= 2 && lower.size() <= 4 && lower[0] == 'r') {
        int n = 0;
        for (size_t i = 1; i < lower.size(); ++i) {
            if (lower[i] < '0' || lower[i] > '9') return std::nullopt;
            n = n * 10 + (lower[i] - '0');
        }
        if (n < RegisterFileBytes) return FirstFileRegister + n;
    }
    return std::nullopt;
}

namespace {

// "#" then decimal digits, 0..65535.
std::optional<uint16_t> DecimalValue(std::string_view text) {
    if (text.size() < 2 || text.size() > 6 || text[0] != '#') return std::nullopt;
    uint32_t value = 0;
    for (const char c : text.substr(1)) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value > 0xFFFF) return std::nullopt;
    return static_cast<uint16_t>(value);
}

// The text split at every `separator`.
std::vector<std::string_view> SplitAt(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> parts;
    for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator)) {
        parts.push_back(text.substr(0, at));
        text.remove_prefix(at + separator.size());
    }
    parts.push_back(text);
    return parts;
}

struct ComparisonValue {
    std::optional<Comparison> Value;
    std::string Problem;
};

ComparisonValue ParseComparison(std::string_view text, const SymbolTable* symbols) {
    text = Trimmed(text);
    if (text.empty()) return {std::nullopt, "a comparison is missing beside && or ||"};
    size_t opAt = std::string_view::npos;
    const OperatorText* op = nullptr;
    for (const OperatorText& candidate : Operators) {
        const size_t at = text.find(candidate.Text);
        if (at != std::string_view::npos && (opAt == std::string_view::npos || at < opAt)) {
            opAt = at;
            op = &candidate;
        }
    }
    if (!op) return {std::nullopt, "a condition is SUBJECT OP VALUE, OP one of == != < <= > >= &"};
    Comparison condition;
    condition.Op = op->Op;
    const std::string_view subject = Trimmed(text.substr(0, opAt));
    if (subject.size() >= 2 && subject.front() == '[' && subject.back() == ']') {
        const AddressValue address = ParseAddressText(subject.substr(1, subject.size() - 2), symbols);
        if (!address.Address) return {std::nullopt, address.Problem};
        condition.Memory = true;
        condition.Address = *address.Address;
    } else if (const auto index = ConditionRegisterIndex(subject)) {
        condition.Register = *index;
    } else {
        return {std::nullopt, Concat({"'", subject.substr(0, 40), "' is neither a register nor [ADDRESS]"})};
    }
    const std::string_view valueText = Trimmed(text.substr(opAt + op->Text.size()));
    if (!valueText.empty() && valueText[0] == '#') {
        const auto decimal = DecimalValue(valueText);
        if (!decimal) return {std::nullopt, Concat({"the value: '", valueText.substr(0, 40), "' is not #0 to #65535"})};
        condition.Value = *decimal;
        return {condition, {}};
    }
    const AddressValue value = ParseAddressText(valueText, symbols);
    if (!value.Address) return {std::nullopt, Concat({"the value: ", value.Problem})};
    condition.Value = *value.Address;
    return {condition, {}};
}

std::string ComparisonText(const Comparison& condition, const SymbolTable* symbols) {
    std::string subject;
    if (condition.Memory) {
        const std::string* name = symbols ? symbols->NameAt(SymbolSpace::Data, condition.Address) : nullptr;
        subject = Concat({"[", name ? *name : HexText(condition.Address, 4), "]"});
    } else {
        subject = ConditionRegisterName(condition.Register);
    }
    std::string_view op = "==";
    for (const OperatorText& candidate : Operators) {
        if (candidate.Op == condition.Op) {
            op = candidate.Text;
            break;
        }
    }
    char value[8];
    std::snprintf(value, sizeof value, "%X", condition.Value);
    return Concat({subject, " ", op, " ", value});
}

bool ComparisonHolds(const Machine& m, const Comparison& condition) {
    const unsigned actual = condition.Memory ? MemReadUngated(m, condition.Address)
                                             : ConditionRegisterValue(m.Cpu, condition.Register);
    const unsigned wanted = condition.Value;
    switch (condition.Op) {
        case CompareOp::Equal: return actual == wanted;
        case CompareOp::NotEqual: return actual != wanted;
        case CompareOp::Less: return actual < wanted;
        case CompareOp::LessEqual: return actual <= wanted;
        case CompareOp::Greater: return actual > wanted;
        case CompareOp::GreaterEqual: return actual >= wanted;
        case CompareOp::AnyBit: return (actual & wanted) != 0;
    }
    return false;
}

}  // namespace

bool ConditionRegisterIsWide(int index) { return index == 0 || (index >= FirstWordRegister && index < FirstFileRegister); }

int ConditionRegisterCount() { return FirstFileRegister + RegisterFileBytes; }

std::string ConditionRegisterName(int index) {
    if (index < FirstWordRegister) return std::string(ByteRegisterNames[static_cast<size_t>(index)]);
    if (index < FirstFileRegister) return std::string(WordRegisterNames[static_cast<size_t>(index - FirstWordRegister)]);
    return Concat({"r", std::to_string(index - FirstFileRegister)});
}

uint16_t ConditionRegisterValue(const CpuState& cpu, int index) {
    switch (index) {
        case 0: return cpu.PC;
        case 1: return cpu.F;
        case 2: return cpu.AS;
        case 3: return cpu.KO;
        case 4: return cpu.KI;
        case 5: return cpu.IE;
        case 6: return cpu.IF;
        default: break;
    }
    if (index < FirstFileRegister) return GetIndex(cpu, index - FirstWordRegister);
    return cpu.MainRegisterFile[static_cast<size_t>(index - FirstFileRegister) % RegisterFileBytes];
}

std::string TooLongProblem(std::string_view what) {
    return Concat({what, " is longer than ", std::to_string(MaxTypedExpression), " characters, the most taken"});
}

ConditionValue ParseCondition(std::string_view text, const SymbolTable* symbols) {
    if (text.size() > MaxTypedExpression) return {std::nullopt, TooLongProblem("a condition")};
    if (Trimmed(text).empty()) return {};
    BreakCondition condition;
    for (const std::string_view group : SplitAt(text, "||")) {
        std::vector<Comparison>& all = condition.AnyOf.emplace_back();
        for (const std::string_view part : SplitAt(group, "&&")) {
            ComparisonValue comparison = ParseComparison(part, symbols);
            if (!comparison.Value) return {std::nullopt, std::move(comparison.Problem)};
            all.push_back(*comparison.Value);
        }
    }
    return {condition, {}};
}

std::string ConditionText(const BreakCondition& condition, const SymbolTable* symbols) {
    std::string text;
    for (size_t group = 0; group < condition.AnyOf.size(); ++group) {
        if (group > 0) text += " || ";
        for (size_t i = 0; i < condition.AnyOf[group].size(); ++i) {
            if (i > 0) text += " && ";
            text += ComparisonText(condition.AnyOf[group][i], symbols);
        }
    }
    return text;
}

bool ConditionHolds(const Machine& m, const BreakCondition& condition) {
    for (const std::vector<Comparison>& all : condition.AnyOf) {
        if (std::all_of(all.begin(), all.end(), [&m](const Comparison& c) { return ComparisonHolds(m, c); })) return true;
    }
    return false;
}

std::optional<size_t> BreakpointList::Find(uint16_t address) const {
    for (size_t i = 0; i < list_.size(); ++i) {
        if (list_[i].Address == address) return i;
    }
    return std::nullopt;
}

size_t BreakpointList::Add(uint16_t address) {
    if (const auto found = Find(address)) return *found;
    Breakpoint breakpoint;
    breakpoint.Address = address;
    list_.push_back(breakpoint);
    Rearm();
    return list_.size() - 1;
}

bool BreakpointList::Toggle(uint16_t address) {
    if (const auto found = Find(address)) {
        Remove(*found);
        return false;
    }
    Add(address);
    return true;
}

void BreakpointList::Remove(size_t index) {
    if (index >= list_.size()) return;
    list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(index));
    Rearm();
}

void BreakpointList::SetEnabled(size_t index, bool enabled) {
    if (index >= list_.size()) return;
    list_[index].Enabled = enabled;
    Rearm();
}

void BreakpointList::SetCondition(size_t index, std::optional<BreakCondition> condition) {
    if (index >= list_.size()) return;
    list_[index].Condition = condition;
    list_[index].Hits = 0;
}

void BreakpointList::SetHitCount(size_t index, uint32_t count) {
    if (index >= list_.size()) return;
    list_[index].HitCount = count;
    list_[index].Hits = 0;
}

void BreakpointList::SetWhere(size_t index, std::string where) {
    if (index < list_.size()) list_[index].Where = std::move(where);
}

void BreakpointList::Move(size_t index, uint16_t address) {
    if (index >= list_.size()) return;
    list_[index].Address = address;
    Rearm();
}

void BreakpointList::SetCode(size_t index, std::string code) {
    if (index < list_.size()) list_[index].Code = std::move(code);
}

void BreakpointList::ResetHits(size_t index) {
    if (index < list_.size()) list_[index].Hits = 0;
}

void BreakpointList::Clear() {
    list_.clear();
    Rearm();
}

void BreakpointList::Rearm() {
    armed_.reset();
    for (const Breakpoint& breakpoint : list_) {
        if (breakpoint.Enabled) armed_.set(breakpoint.Address);
    }
}

std::optional<size_t> BreakpointList::Check(const Machine& m) {
    if (!armed_.test(m.Cpu.PC)) return std::nullopt;
    const auto index = Find(m.Cpu.PC);
    if (!index) return std::nullopt;
    Breakpoint& breakpoint = list_[*index];
    if (breakpoint.Condition && !ConditionHolds(m, *breakpoint.Condition)) return std::nullopt;
    if (breakpoint.Hits < UINT32_MAX) ++breakpoint.Hits;
    if (breakpoint.Hits < breakpoint.HitCount) return std::nullopt;
    return index;
}

}  // namespace varnox
