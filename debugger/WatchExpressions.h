// Watch expressions: registers and memory the user wants to see at every
// stop ("r5", "ix", "[v_calclen]", "word [4009]"), each marked when its
// value changed since the last stop.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/Symbols.h"
#include "core/Def.h"

namespace varnox {

enum class WatchedKind : uint8_t { Register, Byte, Word };

// What an expression reads: a register (by ConditionRegisterIndex), the
// data byte at an address, or the 16-bit word there (low byte first).
struct WatchedValue {
    WatchedKind Kind = WatchedKind::Register;
    int Register = 0;
    uint16_t Address = 0;
    bool CodeName = false;  // the address was given by a code name: data there is unlikely what was meant
};

struct WatchedValueParse {
    std::optional<WatchedValue> Value;
    std::string Problem;
};
// "r5", "sp", "[C010]", "[name]", "word [4009]": the register or memory
// read, or the problem (one longer than MaxTypedExpression is refused).
WatchedValueParse ParseWatchedValue(std::string_view text, const SymbolTable* symbols);

// The value now, read without changing anything (data memory as it is,
// whatever the memory gate holds).
uint16_t ReadWatchedValue(const Machine& m, const WatchedValue& value);

struct WatchExpression {
    std::string Text;  // as typed
    WatchedValue What;
    std::optional<uint16_t> Value;  // at the last stop; none before the first
    bool Changed = false;           // since the stop before it
};

class WatchExpressionList {
public:
    // Adds the expression; "" or the problem (then nothing is added).
    std::string Add(std::string_view text, const SymbolTable* symbols);
    void Remove(size_t index);
    void Clear() { list_.clear(); }
    // Reads every expression at a stop, marking those whose value moved.
    void Update(const Machine& m);
    // Reads the texts again with new symbols (after a reload); the
    // expressions that no longer read are removed and their problems
    // returned.
    std::vector<std::string> Reresolve(const SymbolTable* symbols);

    const std::vector<WatchExpression>& All() const { return list_; }
    size_t Size() const { return list_.size(); }

private:
    std::vector<WatchExpression> list_;
};

// "5A" for a byte register or byte, "C010" for a 16-bit one, then the
// decimal value: "5A (90)".
std::string WatchValueText(const WatchExpression& expression);

}  // namespace varnox
