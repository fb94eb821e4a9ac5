// The assembler's table checked against the description of the instruction
// set when the program is built: every base code decodes to its own
// mnemonic, every mnemonic's operand forms are ones its syntax class
// produces, and every mnemonic of the set has exactly one entry.
#include "asm/AsmTable.h"

#include <initializer_list>
#include <string_view>

#include "core/InstructionSet.h"

namespace varnox {
namespace {

// The operand forms each syntax class produces.
struct ClassForms {
    std::array<OperandForm, 5> forms{};
    int count = 0;
    constexpr ClassForms(std::initializer_list<OperandForm> list) : count(static_cast<int>(list.size())) {
        int i = 0;
        for (OperandForm form : list) forms[static_cast<size_t>(i++)] = form;
    }
    constexpr bool Has(OperandForm form) const {
        for (int i = 0; i < count; ++i) {
            if (forms[static_cast<size_t>(i)] == form) return true;
        }
        return false;
    }
};

using enum OperandForm;

// By class, in the order of AsmTable.h.
constexpr std::array<ClassForms, AsmClassCount> FormsOfClass{{
    {NoOperands},
    {FillerByte},
    {BankReg},
    {BankReg},
    {BankRegStatus, BankRegIf, BankRegKi},
    {StatusBankReg, StatusImm8},
    {UpperLower, LowerUpper, BankRegImm8},
    {BankRegImm8},
    {UpperLower, BankReg},
    {UpperLower, LowerUpper, BankRegImm8, BankRegPointerPostStep, RegOffsetPointer},
    {AtPointerImm8, PreStepPointerImm8, PreStepPointerBankReg, OffsetPointerReg},
    {PointerImm8},
    {IndexImm16},
    {ConditionIndexOrPair},
    {ConditionImm16},
    {UpperRangeLowerRange, LowerRangeUpperRange, BankRangeImm6},
    {BankRangeImm6},
    {UpperRangeLowerRange},
    {UpperRangeLowerRange, LowerRangeUpperRange, BankRangeImm6, BankRangePointerPostStep, RangeOffsetPointer},
    {PreStepPointerBankRange, OffsetPointerRange},
    {UpperOrLowerRange},
    {BankRange},
    {},
}};

// ld, st, ldm and stm pick their opcodes by operand form; db has none.
constexpr bool UsesBaseCode(const AsmEntry& entry) {
    return entry.Class != 9 && entry.Class != 10 && entry.Class != 18 && entry.Class != 19 &&
           entry.Class != DataClass;
}

constexpr bool EntryFitsTheSet(const AsmEntry& entry) {
    const std::string_view name = entry.Mnemonic;
    if (entry.Class == DataClass) return true;
    if (UsesBaseCode(entry) && !SameMnemonic(name, InstructionSet[entry.BaseCode].mnemonic)) return false;
    int opcodes = 0;
    for (const Instruction& instruction : InstructionSet) {
        if (instruction.mnemonic[0] != name[0] || !SameMnemonic(name, instruction.mnemonic)) continue;
        ++opcodes;
        if (!FormsOfClass[entry.Class].Has(instruction.form)) return false;
    }
    return opcodes > 0;
}

constexpr bool EveryEntryFits() {
    for (const AsmEntry& entry : AsmTable) {
        if (entry.Class >= AsmClassCount || !EntryFitsTheSet(entry)) return false;
    }
    return true;
}
static_assert(EveryEntryFits(), "each assembler entry decodes to its mnemonic in forms its class produces");

constexpr bool EveryMnemonicOnce() {
    for (unsigned op = 0; op < OpcodeCount; ++op) {
        const std::string_view name = InstructionSet[op].mnemonic;
        if (IsBracketed(name)) continue;
        int entries = 0;
        for (const AsmEntry& entry : AsmTable) entries += SameMnemonic(name, entry.Mnemonic) ? 1 : 0;
        if (entries != 1) return false;
    }
    return true;
}
static_assert(EveryMnemonicOnce(), "every mnemonic of the set has exactly one assembler entry");

}  // namespace
}  // namespace varnox
