// The operand patterns of the line assembler, one or more for each operand
// form of the instruction set: the scanner steps that read the form's text
// and the checks made on what they read, in the order the line is read,
// and how the operands fill the word's fields. A mnemonic's line is read
// by the patterns of the forms it has. Internal to the assembler.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "core/Def.h"
#include "core/OperandFields.h"
#include "core/OperandForms.h"

namespace varnox::asmscan {

// The steps of a pattern. Where the patterns of a mnemonic part ways, their
// next steps are tried in this order and the first that reads something
// goes on; a step that fails leaves the scan where the next one starts.
enum class Step : uint8_t {
    Condition,    // a condition name and its comma
    IndexName,    // ix iy iz sp v0..v3
    PointerName,  // ix iy iz sp
    StatusName,   // a status register of gst and pst
    Close,        // ")"
    Sign,         // "+" or "-"
    Register,     // rN or iN
    RangeEnd,     // ".." and the last register of the range begun
    Pointer,      // "(" and a pointer register
    Imm6,
    Imm8,
    Imm16,
    Comma,
    End,  // the pattern is complete
    // Checks: made when a pattern reaches them; a pattern whose check fails
    // is out, and the line fails where the scan stands when none is left.
    Max127First,   // the first register is direct (not iN)
    Max127Second,  // the second one is
    LowerFirst,    // the first register is of the lower half
    LowerSecond,
    UpperFirst,  // of the upper half, direct or not
    UpperSecond,
    SameLowBits,  // two ranges start and end on the same bits 0-2
    Known,        // the mnemonic has an opcode for what was read so far
};

constexpr bool IsCheck(Step step) { return step > Step::End; }

// What the steps have read.
struct Operands {
    std::array<int, 2> reg{};  // registers in the order read: 0..63, 64..127, 128..191 indirect
    std::array<int, 2> end{};  // the last register of each one's range
    int regs = 0;
    unsigned imm = 0;
    int pointer = -1;   // 0..3: ix iy iz sp
    int minus = -1;     // the sign: 1 for "-", 0 for "+"
    int condition = 0;  // 0 when none is written
    int index = -1;     // 0..7 in register-file order
    std::string_view status;
};

// How the opcode's bank bit (bit 3) is chosen among the form's opcodes.
enum class Bank : uint8_t {
    OfForm,       // the form's opcodes say it
    OfFirst,      // set when the first register is of the lower half
    Clear,        // the form's layout with bit 3 clear
    Set,          // with bit 3 set
    WrittenAway,  // a form without a lower-first twin, its operands written lower first
};

struct Encoded {
    uint8_t b1 = 0;  // opcode bit 8 is added later
    uint8_t b2 = 0;
};

struct OperandPattern {
    OperandForm form;
    Bank bank;
    std::array<Step, 12> steps{};
    int count = 0;
    Encoded (*encode)(const Operands&);

    constexpr OperandPattern(OperandForm f, Bank b, std::initializer_list<Step> list, Encoded (*e)(const Operands&))
        : form(f), bank(b), count(static_cast<int>(list.size())), encode(e) {
        int i = 0;
        for (Step step : list) steps[static_cast<size_t>(i++)] = step;
    }
    constexpr Step At(int i) const { return i < count ? steps[static_cast<size_t>(i)] : Step::End; }
};

// With a register offset the range moves to the offset register's bits
// 0-2 within its group, keeping its length: one field holds bits 0-2 of
// both.
constexpr uint8_t EncodeMovedRange(int offsetReg, int first, int last) {
    return static_cast<uint8_t>(EncodeEndIndex(offsetReg + last - first) | ((first >> 3) & 7));
}

constexpr Encoded EncodeG(uint8_t b1, int end, unsigned w) {
    const EncodedG g = varnox::EncodeG(end, w);
    return {static_cast<uint8_t>(b1 | g.b1Bits), g.b2};
}

namespace patterns {

using enum Step;
using enum OperandForm;
using O = const Operands&;

constexpr Encoded Nothing(O) { return {}; }
constexpr Encoded Byte(O o) { return {static_cast<uint8_t>(o.imm), 0}; }
constexpr Encoded Word(O o) { return {static_cast<uint8_t>(o.imm >> 8), static_cast<uint8_t>(o.imm)}; }
constexpr Encoded First(O o) { return {EncodeA(o.reg[0]), 0}; }
constexpr Encoded FirstAndByte(O o) { return {EncodeA(o.reg[0]), static_cast<uint8_t>(o.imm)}; }
constexpr Encoded LowerFirstPair(O o) { return {EncodeA(o.reg[0]), EncodeB(o.reg[1])}; }
constexpr Encoded UpperFirstPair(O o) { return {EncodeA(o.reg[1]), EncodeB(o.reg[0])}; }
constexpr Encoded LowerFirstRanges(O o) { return {EncodeA(o.reg[0]), EncodeRange(o.end[0], o.end[1])}; }
constexpr Encoded UpperFirstRanges(O o) { return {EncodeA(o.reg[1]), EncodeRange(o.end[1], o.end[0])}; }
constexpr Encoded FirstRange(O o) { return {EncodeA(o.reg[0]), EncodeEndIndex(o.end[0])}; }
constexpr Encoded FirstRangeAndG(O o) { return EncodeG(EncodeA(o.reg[0]), o.end[0], o.imm); }
constexpr Encoded OffsetAndMovedRange(O o) { return {EncodeA(o.reg[0]), EncodeMovedRange(o.reg[0], o.reg[1], o.end[1])}; }
constexpr Encoded MovedRangeAndOffset(O o) { return {EncodeA(o.reg[1]), EncodeMovedRange(o.reg[1], o.reg[0], o.end[0])}; }
// An upper range keeps its group and indirect mark in b2.
constexpr Encoded UpperRange(O o) { return {static_cast<uint8_t>(o.reg[0] & 7), EncodeB(o.end[0])}; }
constexpr Encoded IndexOrPair(O o) {
    const int pair = IndexLowBase + o.index;
    return {EncodeA(pair), EncodeB(pair)};
}

// In the order of the operand forms. A check stands where the line is
// checked: a pattern that still shares its text with others checks later.
inline constexpr std::array<OperandPattern, 41> Table{{
    {NoOperands, Bank::OfForm, {}, Nothing},
    {FillerByte, Bank::OfForm, {}, Nothing},
    {IndexImm16, Bank::OfForm, {IndexName, Comma, Imm16}, Word},
    {PointerImm8, Bank::OfForm, {PointerName, Comma, Imm8}, Byte},
    {ConditionImm16, Bank::OfForm, {Condition, Imm16}, Word},
    {ConditionImm16, Bank::OfForm, {Imm16}, Word},
    {AtPointerImm8, Bank::OfForm, {Pointer, Close, Comma, Imm8}, Byte},
    {PreStepPointerImm8, Bank::OfForm, {Sign, Pointer, Close, Comma, Imm8}, Byte},
    {UpperLower, Bank::OfForm, {Register, Comma, Register, UpperFirst, LowerSecond}, UpperFirstPair},
    {UpperLower, Bank::WrittenAway, {Register, Comma, Register, LowerFirst, UpperSecond}, LowerFirstPair},
    {LowerUpper, Bank::OfForm, {Register, Comma, Register, LowerFirst, UpperSecond}, LowerFirstPair},
    {BankRegImm8, Bank::OfFirst, {Register, Max127First, Comma, Imm8}, FirstAndByte},
    {UpperRangeLowerRange, Bank::OfForm,
     {Register, RangeEnd, Comma, Register, RangeEnd, UpperFirst, LowerSecond, SameLowBits}, UpperFirstRanges},
    {UpperRangeLowerRange, Bank::WrittenAway,
     {Register, RangeEnd, Comma, Register, RangeEnd, LowerFirst, UpperSecond, SameLowBits}, LowerFirstRanges},
    {LowerRangeUpperRange, Bank::OfForm,
     {Register, RangeEnd, Comma, Register, RangeEnd, LowerFirst, UpperSecond, SameLowBits}, LowerFirstRanges},
    {BankRangeImm6, Bank::OfFirst, {Register, RangeEnd, Max127First, Comma, Imm6}, FirstRangeAndG},
    {PreStepPointerBankReg, Bank::OfFirst, {Sign, Pointer, Close, Comma, Register, Max127First}, First},
    {BankReg, Bank::OfFirst, {Register, Max127First}, First},
    {OffsetPointerReg, Bank::Clear,
     {Pointer, Sign, Register, LowerFirst, Close, Comma, Register, UpperSecond}, LowerFirstPair},
    {OffsetPointerReg, Bank::Set, {Pointer, Sign, Imm8, Close, Comma, Register, LowerFirst}, FirstAndByte},
    {BankRegPointerPostStep, Bank::OfFirst, {Register, Comma, Pointer, Close, Sign, Max127First}, First},
    {RegOffsetPointer, Bank::Clear,
     {Register, Comma, Pointer, Sign, Register, UpperFirst, LowerSecond, Close}, UpperFirstPair},
    {RegOffsetPointer, Bank::Set, {Register, Comma, Pointer, Sign, Imm8, LowerFirst, Close}, FirstAndByte},
    {PreStepPointerBankRange, Bank::OfFirst, {Sign, Pointer, Close, Comma, Register, Max127First, RangeEnd}, FirstRange},
    {OffsetPointerRange, Bank::Clear,
     {Pointer, Sign, Register, LowerFirst, Close, Comma, Register, Max127Second, RangeEnd, UpperSecond},
     OffsetAndMovedRange},
    {OffsetPointerRange, Bank::Set,
     {Pointer, Sign, Imm6, Close, Comma, Register, Max127First, RangeEnd, LowerFirst}, FirstRangeAndG},
    {UpperOrLowerRange, Bank::Clear, {Register, RangeEnd, UpperFirst}, UpperRange},
    {UpperOrLowerRange, Bank::Set, {Register, RangeEnd, LowerFirst}, FirstRange},
    {BankRange, Bank::OfFirst, {Register, RangeEnd, Max127First}, FirstRange},
    {BankRangePointerPostStep, Bank::OfFirst, {Register, RangeEnd, Max127First, Comma, Pointer, Close, Sign}, FirstRange},
    {RangeOffsetPointer, Bank::Clear,
     {Register, RangeEnd, Max127First, Comma, Pointer, Sign, Register, UpperFirst, LowerSecond, Close},
     MovedRangeAndOffset},
    {RangeOffsetPointer, Bank::Set,
     {Register, RangeEnd, Max127First, Comma, Pointer, Sign, Imm6, LowerFirst, Close}, FirstRangeAndG},
    {StatusBankReg, Bank::OfFirst, {StatusName, Comma, Register, Max127First}, First},
    {StatusImm8, Bank::OfForm, {StatusName, Known, Comma, Imm8}, Byte},
    {BankRegStatus, Bank::OfFirst, {Register, Max127First, Comma, StatusName}, First},
    {BankRegIf, Bank::OfFirst, {Register, Max127First, Comma, StatusName}, First},
    {BankRegKi, Bank::OfFirst, {Register, Max127First, Comma, StatusName}, First},
    {ConditionIndexOrPair, Bank::OfForm, {Condition, IndexName}, IndexOrPair},
    {ConditionIndexOrPair, Bank::OfForm,
     {Condition, Register, UpperFirst, Comma, Register, LowerSecond}, UpperFirstPair},
    {ConditionIndexOrPair, Bank::OfForm, {IndexName}, IndexOrPair},
    {ConditionIndexOrPair, Bank::OfForm, {Register, UpperFirst, Comma, Register, LowerSecond}, UpperFirstPair},
}};

}  // namespace patterns

using patterns::Table;

// Every form but the bracketed byte has patterns, in form order, each of
// steps that end the pattern only at its end.
constexpr bool PatternsInFormOrder() {
    int form = 0;
    for (const OperandPattern& pattern : Table) {
        const int index = FormIndex(pattern.form);
        if (index != form && index != form + 1) return false;
        form = index;
        for (int i = 0; i < pattern.count; ++i) {
            if (pattern.At(i) == Step::End) return false;
        }
    }
    return form == FormIndex(OperandForm::BracketedByte) - 1;
}
static_assert(PatternsInFormOrder(), "patterns for every assembled form, in form order");

}  // namespace varnox::asmscan
