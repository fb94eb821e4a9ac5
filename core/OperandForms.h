// The operand forms: the layouts in which an instruction's operand bytes
// are read and printed, and how many operand bytes each takes. Every
// opcode has one (core/InstructionSet.h); the listing renders by it and the
// assembler picks opcodes by it.
#pragma once

#include <cstdint>

namespace varnox {

// Each name spells the printed layout left to right. Bank: the register
// (or range) takes the opcode's bank; Upper/Lower: a register of that half;
// Range: first..last; PreStep/PostStep: the sign before or after the
// pointer; Offset: pointer plus or minus a register or a byte; Imm6, Imm8,
// Imm16: immediates of that many bits.
enum class OperandForm : uint8_t {
    NoOperands,                // rtn
    FillerByte,                // off: b1 only carries opcode bit 8
    IndexImm16,                // ix,&H12AB
    PointerImm8,               // sp,&H08
    ConditionImm16,            // nz,&H0C40
    AtPointerImm8,             // (ix),&H20
    PreStepPointerImm8,        // -(sp),&H00 (the sign is opcode bit 4)
    UpperLower,                // r70,r5
    LowerUpper,                // r5,i70
    BankRegImm8,               // r65,&H0F
    UpperRangeLowerRange,      // r66..r69,r10..r13
    LowerRangeUpperRange,      // r10..r13,r66..r69
    BankRangeImm6,             // r64..r71,&H01
    PreStepPointerBankReg,     // -(sp),r64
    BankReg,                   // r5
    OffsetPointerReg,          // (ix+r5),r70 / (ix-&H02),r5
    BankRegPointerPostStep,    // r64,(sp)+
    RegOffsetPointer,          // r70,(ix+r5) / r5,(iy+&H10)
    PreStepPointerBankRange,   // -(sp),r64..r67
    OffsetPointerRange,        // (ix+r5),r69..r64 / (iz+&H04),r0..r3
    UpperOrLowerRange,         // r64..r71 / r8..r15
    BankRange,                 // r64..r67
    BankRangePointerPostStep,  // r64..r67,(sp)+
    RangeOffsetPointer,        // r69..r64,(ix+r5) / r0..r3,(iz+&H04)
    StatusBankReg,             // ie,r5
    StatusImm8,                // ko,&H41
    BankRegStatus,             // r65,ko
    BankRegIf,                 // r65,if
    BankRegKi,                 // r0,ki
    ConditionIndexOrPair,      // z,ix / r70,r6
    BracketedByte,             // [A5]
};

constexpr int OperandFormCount = static_cast<int>(OperandForm::BracketedByte) + 1;

constexpr int FormIndex(OperandForm form) { return static_cast<int>(form); }

// Operand bytes (after b0) that a form takes: in data memory an instruction
// occupies one byte more. A value outside the enumeration takes none.
constexpr int FormOperandBytes(OperandForm form) {
    using enum OperandForm;
    switch (form) {
    case NoOperands:
        return 0;
    case FillerByte:
    case PointerImm8:
    case AtPointerImm8:
    case PreStepPointerImm8:
    case PreStepPointerBankReg:
    case BankReg:
    case BankRegPointerPostStep:
    case StatusBankReg:
    case StatusImm8:
    case BankRegStatus:
    case BankRegIf:
    case BankRegKi:
    case BracketedByte:
        return 1;
    case IndexImm16:
    case ConditionImm16:
    case UpperLower:
    case LowerUpper:
    case BankRegImm8:
    case UpperRangeLowerRange:
    case LowerRangeUpperRange:
    case BankRangeImm6:
    case OffsetPointerReg:
    case RegOffsetPointer:
    case PreStepPointerBankRange:
    case OffsetPointerRange:
    case UpperOrLowerRange:
    case BankRange:
    case BankRangePointerPostStep:
    case RangeOffsetPointer:
    case ConditionIndexOrPair:
        return 2;
    }
    return 0;
}

}  // namespace varnox
