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

std::optional<int> RegisterIndex(std::string_view name) {
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

}  // namespace

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

ConditionValue ParseCondition(std::string_view text, const SymbolTable* symbols) {
    text = Trimmed(text);
    if (text.empty()) return {};
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
    BreakCondition condition;
    condition.Op = op->Op;
    const std::string_view subject = Trimmed(text.substr(0, opAt));
    if (subject.size() >= 2 && subject.front() == '[' && subject.back() == ']') {
        const AddressValue address = ParseAddressText(subject.substr(1, subject.size() - 2), symbols);
        if (!address.Address) return {std::nullopt, address.Problem};
        condition.Memory = true;
        condition.Address = *address.Address;
    } else if (const auto index = RegisterIndex(subject)) {
        condition.Register = *index;
    } else {
        return {std::nullopt, Concat({"'", subject.substr(0, 40), "' is neither a register nor [ADDRESS]"})};
    }
    const AddressValue value = ParseAddressText(text.substr(opAt + op->Text.size()), symbols);
    if (!value.Address) return {std::nullopt, Concat({"the value: ", value.Problem})};
    condition.Value = *value.Address;
    return {condition, {}};
}

std::string ConditionText(const BreakCondition& condition, const SymbolTable* symbols) {
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

bool ConditionHolds(const Machine& m, const BreakCondition& condition) {
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
