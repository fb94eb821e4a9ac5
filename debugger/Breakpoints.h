// Breakpoints: any number of code addresses, each enabled or not, with an
// optional condition (a register or a memory byte compared with a value)
// and a hit count (stop from the Nth time the condition holds there).
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/Symbols.h"
#include "core/Def.h"

namespace varnox {

enum class CompareOp : uint8_t { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual, AnyBit };

// One comparison: a register of the processor, or the data byte at an
// address (read as it is, whatever the memory gate holds), against a value.
struct Comparison {
    bool Memory = false;
    int Register = 0;      // index into ConditionRegisterNames when not Memory
    uint16_t Address = 0;  // when Memory
    CompareOp Op = CompareOp::Equal;
    uint16_t Value = 0;
    bool operator==(const Comparison&) const = default;
};

// Comparisons joined by && into groups, the groups joined by ||: && binds
// tighter, as in C.
struct BreakCondition {
    std::vector<std::vector<Comparison>> AnyOf;
    bool operator==(const BreakCondition&) const = default;
};

// "pc", "f", "as", "ko", "ki", "ie", "if", the 16-bit "ix" .. "sp", then
// r0 .. r127 (written rN).
int ConditionRegisterCount();
std::string ConditionRegisterName(int index);
uint16_t ConditionRegisterValue(const CpuState& cpu, int index);
// Whether the register has 16 bits: pc and ix .. sp.
bool ConditionRegisterIsWide(int index);
// The index of a register named as above (any case), if it is one.
std::optional<int> ConditionRegisterIndex(std::string_view name);

// The longest condition or watch the debugger takes: a longer one is
// refused with this said, never cut to fit (its table would cost more to
// draw at every stop than anyone would type).
inline constexpr size_t MaxTypedExpression = 65536;
// "a condition is longer than 65536 characters, the most taken"; `what`
// is "a condition" or "a watch".
std::string TooLongProblem(std::string_view what);

struct ConditionValue {
    std::optional<BreakCondition> Condition;
    std::string Problem;
};

// "r5 == 3", "ix >= C000", "[C010] != 0", "[counter] > 9", "f & 80",
// "r5 == #10 && [count] > 2 || sp < D000": comparisons of a subject, an
// operator (== != < <= > >= &) and a value (hex, decimal after "#", or a
// name) joined by && and ||. An empty text is no condition; one longer
// than MaxTypedExpression is refused.
ConditionValue ParseCondition(std::string_view text, const SymbolTable* symbols);
std::string ConditionText(const BreakCondition& condition, const SymbolTable* symbols);
bool ConditionHolds(const Machine& m, const BreakCondition& condition);

struct Breakpoint {
    uint16_t Address = 0;
    bool Enabled = true;
    std::optional<BreakCondition> Condition;
    uint32_t HitCount = 0;  // stop from this hit on; 0 and 1 stop at every hit
    uint32_t Hits = 0;      // times the address was reached with the condition holding
    std::string Where;      // the name or FILE:LINE it was set by, found again after a reload; "" for an address
    std::string Code;       // set by FILE:LINE: the code of its line (comment and blanks aside) when last seen
};

class BreakpointList {
public:
    // The index of the breakpoint at the address, if there is one.
    std::optional<size_t> Find(uint16_t address) const;
    // Adds an enabled breakpoint, or returns the one already there.
    size_t Add(uint16_t address);
    // Adds one at the address, or removes the one there; true when added.
    bool Toggle(uint16_t address);
    void Remove(size_t index);
    void SetEnabled(size_t index, bool enabled);
    void SetCondition(size_t index, std::optional<BreakCondition> condition);
    void SetHitCount(size_t index, uint32_t count);
    // What the breakpoint was set by (a name or FILE:LINE), for a reload.
    void SetWhere(size_t index, std::string where);
    // Moves it to the address its name or line has in a new build.
    void Move(size_t index, uint16_t address);
    // What its line held, for telling whether a new build changed it.
    void SetCode(size_t index, std::string code);
    // It counts its hits from 0 again.
    void ResetHits(size_t index);
    void Clear();

    const std::vector<Breakpoint>& All() const { return list_; }
    size_t Size() const { return list_.size(); }
    bool AnyEnabled() const { return armed_.any(); }
    bool Armed(uint16_t address) const { return armed_.test(address); }

    // With PC on an enabled breakpoint: counts the hit when its condition
    // holds, and gives the breakpoint's index when the run should stop.
    std::optional<size_t> Check(const Machine& m);

private:
    void Rearm();
    std::vector<Breakpoint> list_;
    std::bitset<0x10000> armed_;
};

}  // namespace varnox
