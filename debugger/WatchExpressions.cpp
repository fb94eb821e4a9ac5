#include "debugger/WatchExpressions.h"

#include "asm/SourceExpr.h"
#include "debugger/AddressText.h"
#include "debugger/Breakpoints.h"
#include "debugger/HexText.h"

namespace varnox {
namespace {

constexpr std::string_view WordPrefix = "word ";

bool IsWide(const WatchedValue& value) {
    if (value.Kind == WatchedKind::Word) return true;
    if (value.Kind == WatchedKind::Byte) return false;
    return ConditionRegisterIsWide(value.Register);
}

}  // namespace

WatchedValueParse ParseWatchedValue(std::string_view text, const SymbolTable* symbols) {
    if (text.size() > MaxTypedExpression) return {std::nullopt, TooLongProblem("a watch")};
    text = Trimmed(text);
    WatchedValue value;
    if (LowerCase(text.substr(0, WordPrefix.size())) == WordPrefix) {
        value.Kind = WatchedKind::Word;
        text = Trimmed(text.substr(WordPrefix.size()));
    }
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
        const AddressValue address = ParseAddressText(text.substr(1, text.size() - 2), symbols);
        if (!address.Address) return {std::nullopt, address.Problem};
        if (value.Kind != WatchedKind::Word) value.Kind = WatchedKind::Byte;
        value.Address = *address.Address;
        value.CodeName = address.Named && address.Named->Space == SymbolSpace::Code;
        return {value, {}};
    }
    if (value.Kind == WatchedKind::Word) return {std::nullopt, "word takes [ADDRESS]"};
    if (const auto index = ConditionRegisterIndex(text)) {
        value.Register = *index;
        return {value, {}};
    }
    return {std::nullopt, Concat({"'", Printable(text), "' is neither a register, [ADDRESS] nor word [ADDRESS]"})};
}

uint16_t ReadWatchedValue(const Machine& m, const WatchedValue& value) {
    switch (value.Kind) {
        case WatchedKind::Register: return ConditionRegisterValue(m.Cpu, value.Register);
        case WatchedKind::Byte: return MemReadUngated(m, value.Address);
        case WatchedKind::Word:
            return static_cast<uint16_t>(MemReadUngated(m, value.Address) |
                                         (MemReadUngated(m, static_cast<uint16_t>(value.Address + 1)) << 8));
    }
    return 0;
}

std::string WatchExpressionList::Add(std::string_view text, const SymbolTable* symbols) {
    WatchedValueParse parsed = ParseWatchedValue(text, symbols);
    if (!parsed.Value) return parsed.Problem;
    list_.push_back({std::string(Trimmed(text)), *parsed.Value, std::nullopt, false});
    return {};
}

void WatchExpressionList::Remove(size_t index) {
    if (index < list_.size()) list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(index));
}

void WatchExpressionList::Update(const Machine& m) {
    for (WatchExpression& expression : list_) {
        const uint16_t now = ReadWatchedValue(m, expression.What);
        expression.Changed = expression.Value && *expression.Value != now;
        expression.Value = now;
    }
}

std::vector<std::string> WatchExpressionList::Reresolve(const SymbolTable* symbols) {
    std::vector<std::string> lost;
    for (size_t i = 0; i < list_.size();) {
        WatchedValueParse parsed = ParseWatchedValue(list_[i].Text, symbols);
        if (parsed.Value) {
            list_[i].What = *parsed.Value;
            ++i;
            continue;
        }
        lost.push_back(Concat({"Watch ", list_[i].Text, ": ", parsed.Problem}));
        list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return lost;
}

std::string WatchValueText(const WatchExpression& expression) {
    if (!expression.Value) return "?";
    return Concat({HexText(*expression.Value, IsWide(expression.What) ? 4 : 2), " (", std::to_string(*expression.Value), ")"});
}

}  // namespace varnox
