// Operand rules, the arithmetic-logic unit and the instruction handler
// families. Each handler takes its DispatchTable argument; everything else
// it reaches through the machine.
#pragma once

#include <cstdint>

#include "core/Def.h"
#include "core/OperandFields.h"

namespace varnox {

// ---- Handler arguments -----------------------------------------------------

// Two-operand operations; the first eight are the ALU selector order of
// opcode bits 0-2.
enum AluOp : uint8_t { AluAdb, AluSbb, AluAd, AluSb, AluAn, AluNa, AluOr, AluXr, AluLd, AluBit };
constexpr uint8_t AluOpCount = AluBit + 1;

// One-operand operations.
enum UnaryKind : uint8_t {
    UnNeg, UnNegb, UnInv, UnShl, UnDbl, UnShr, UnSwp, UnDigup, UnDigdn, UnByteup, UnBytedn, UnByteupswap
};
constexpr uint8_t UnaryKindCount = UnByteupswap + 1;

// Digit exchanges: p1 = AB (upper-bank register), p2 = CD.
enum ExchangeKind : uint8_t { XchXc, XchXcls, XchXchs, XchSwp2 };
constexpr uint8_t ExchangeKindCount = XchSwp2 + 1;

// Index step operations.
enum IndexStepOp : uint8_t { StepPreInc, StepPreDec, StepPostInc, StepPostDec, StepNone, StepAddDisp, StepSubDisp };
constexpr uint8_t IndexStepOpCount = StepSubDisp + 1;

// What a taken conditional transfer does.
enum JumpTarget : uint8_t { TargetJmp, TargetCal, TargetIjmp };
constexpr uint8_t JumpTargetCount = TargetIjmp + 1;

// Ports of pst and gst.
enum PortId : uint8_t { PortKO, PortIF, PortAS, PortIE, PortF, PortKI };
constexpr uint8_t PortIdCount = PortKI + 1;

// ---- Operand bytes -----------------------------------------------------------

// b1 and b2, taken as two NextOperandByte calls in a row take them; a word
// of InstrRom, the usual case, needs no test of PC for each.
struct OperandPair {
    uint8_t b1;
    uint8_t b2;
};

inline OperandPair TakeOperandPair(Machine& m) {
    CpuState& cpu = m.Cpu;
    if (cpu.OperandIndex == 1 && cpu.PC <= DataInstrStart) {
        cpu.OperandIndex = 3;
        return {cpu.InstrBytes[1], cpu.InstrBytes[2]};
    }
    const uint8_t b1 = NextOperandByte(m);
    return {b1, NextOperandByte(m)};
}

// ---- Operand fields --------------------------------------------------------

// Lower register: group b1 bits 6-4, start index b1 bits 2-0.
inline int LowerReg(uint8_t b1) { return FieldA(b1); }

// End register of a lower sequence: group of b1, end index b2 bits 7-5.
inline int EndReg(uint8_t b1, uint8_t b2) { return FieldE(b1, b2); }

// The register an indirect operand reaches through AS (start of the window).
inline int IndirectReg(const CpuState& cpu, uint8_t b2) {
    if (cpu.AS & 1) return UpperHalf + (UpperGroup(b2) << 3) + ((cpu.AS >> 1) & 7);
    return UpperHalf + ((cpu.AS >> 1) & 0x3F);
}

// Upper register of the two-register forms: 64 + group*8 + end index, or
// through AS when the indirect bit is set.
inline int UpperReg(const CpuState& cpu, uint8_t b2) {
    if (IndirectBit(b2)) return IndirectReg(cpu, b2);
    return UpperHalf + FieldB(b2);
}

// First register of an upper sequence: the upper group with the start index.
inline int UpperSeqStart(const CpuState& cpu, uint8_t b1, uint8_t b2) {
    if (IndirectBit(b2)) return IndirectReg(cpu, b2);
    return UpperHalf + FieldF(b1, b2);
}

// Last register an indirect upper sequence may use; -1 when direct.
inline int WindowEnd(const CpuState& cpu, uint8_t b2) {
    if (!IndirectBit(b2)) return -1;
    if (cpu.AS & 1) return UpperHalf + (UpperGroup(b2) << 3) + ((cpu.AS >> 4) & 7);
    return (UpperHalf + ((cpu.AS >> 1) & 0x3F)) | 7;
}

// The next register in the direction of RegStep, wrapping within its group.
inline int NextReg(const CpuState& cpu, int r) { return (r & 0xF8) | ((r + cpu.RegStep) & 7); }

// 6-bit immediate: b2 bits 4-0, bit 5 the inverse of b1 bit 3.
inline uint8_t Imm6(uint8_t b1, uint8_t b2) { return FieldG(b1, b2); }

// Index selector of b0 bits 1-0: ix, iy, iz, sp.
inline int IndexSelector(uint8_t b0) { return PointerRegisters[b0 & 3]; }

// Applies an index step operation to index register n (or EffAddr for the
// displacement operations) by d; returns the address to use.
inline uint16_t ApplyIndexStep(CpuState& cpu, uint8_t step, int n, uint16_t d) {
    switch (step) {
        case StepPreInc: {
            const uint16_t v = static_cast<uint16_t>(GetIndex(cpu, n) + d);
            SetIndex(cpu, n, v);
            return v;
        }
        case StepPreDec: {
            cpu.RegStep = 0xFF;
            const uint16_t v = static_cast<uint16_t>(GetIndex(cpu, n) - d);
            SetIndex(cpu, n, v);
            return v;
        }
        case StepPostInc: {
            const uint16_t v = GetIndex(cpu, n);
            SetIndex(cpu, n, static_cast<uint16_t>(v + d));
            return v;
        }
        case StepPostDec: {
            cpu.RegStep = 0xFF;
            const uint16_t v = GetIndex(cpu, n);
            SetIndex(cpu, n, static_cast<uint16_t>(v - d));
            return v;
        }
        case StepAddDisp:
            cpu.EffAddr = static_cast<uint16_t>(cpu.EffAddr + d);
            return cpu.EffAddr;
        case StepSubDisp:
            cpu.RegStep = 0xFF;
            cpu.EffAddr = static_cast<uint16_t>(cpu.EffAddr - d);
            return cpu.EffAddr;
        default:
            return GetIndex(cpu, n);
    }
}

// ---- Register instruction families ----------------------------------------

void RegRegOp(Machine& m, uint8_t arg);
void RegRegRevOp(Machine& m, uint8_t arg);
void RegRegMultiOp(Machine& m, uint8_t arg);
void RegRegMultiRevOp(Machine& m, uint8_t arg);
void TestRegRegOp(Machine& m, uint8_t arg);
void TestRegRegRevOp(Machine& m, uint8_t arg);
void TestRegRegMultiOp(Machine& m, uint8_t arg);
void TestRegRegMultiRevOp(Machine& m, uint8_t arg);
void ExchangeOp(Machine& m, uint8_t arg);
void ExchangeMultiOp(Machine& m, uint8_t arg);
void RegImmOp(Machine& m, uint8_t arg);
void TestRegImmOp(Machine& m, uint8_t arg);
void RegImmMultiOp(Machine& m, uint8_t arg);
void TestRegImmMultiOp(Machine& m, uint8_t arg);
void UnaryOp(Machine& m, uint8_t arg);
void RotateOp(Machine& m, uint8_t arg);
void UnaryMultiOp(Machine& m, uint8_t arg);
void RotateMultiOp(Machine& m, uint8_t arg);
void UnaryRangeOp(Machine& m, uint8_t arg);
void NopOp(Machine& m, uint8_t arg);

// ---- Memory instruction families (argument: index step operation) --------

void LoadWordOp(Machine& m, uint8_t arg);
void IndexImmOp(Machine& m, uint8_t arg);  // StepAddDisp: adw, StepSubDisp: sbw
void StoreIndexOp(Machine& m, uint8_t arg);
void StoreIndexMultiOp(Machine& m, uint8_t arg);
void LoadIndexOp(Machine& m, uint8_t arg);
void LoadIndexMultiOp(Machine& m, uint8_t arg);
void StoreImmOp(Machine& m, uint8_t arg);
void StoreDispOp(Machine& m, uint8_t arg);
void LoadDispOp(Machine& m, uint8_t arg);
void StoreRegDispOp(Machine& m, uint8_t arg);
void LoadRegDispOp(Machine& m, uint8_t arg);
void StoreDispMultiOp(Machine& m, uint8_t arg);
void LoadDispMultiOp(Machine& m, uint8_t arg);
void StoreRegDispMultiOp(Machine& m, uint8_t arg);
void LoadRegDispMultiOp(Machine& m, uint8_t arg);
void BlockMoveOp(Machine& m, uint8_t arg);  // StepPreInc: bup, StepPreDec: bdn
void SearchOp(Machine& m, uint8_t arg);     // StepPreInc: upward, StepPreDec: downward

// ---- Control and port instruction families --------------------------------

void JumpIfSetOp(Machine& m, uint8_t arg);    // argument: JumpTarget
void JumpIfClearOp(Machine& m, uint8_t arg);  // empty mask: always
void JumpIfKeyOp(Machine& m, uint8_t arg);
void JumpIfNoKeyOp(Machine& m, uint8_t arg);
void ReturnOp(Machine& m, uint8_t arg);
void CancelIrqOp(Machine& m, uint8_t arg);
void ReturnIrqOp(Machine& m, uint8_t arg);
void TrapOp(Machine& m, uint8_t arg);
void OffOp(Machine& m, uint8_t arg);
void PutImmOp(Machine& m, uint8_t arg);  // argument: PortId
void PutRegOp(Machine& m, uint8_t arg);
void GetOp(Machine& m, uint8_t arg);

// ---- LCD transfer instruction families -------------------------------------

void LcdLoadOp(Machine& m, uint8_t arg);
void LcdLoadLowOp(Machine& m, uint8_t arg);
void LcdStoreOp(Machine& m, uint8_t arg);
void LcdStoreLowOp(Machine& m, uint8_t arg);
void LcdLoadMultiOp(Machine& m, uint8_t arg);
void LcdLoadLowMultiOp(Machine& m, uint8_t arg);
void LcdStoreMultiOp(Machine& m, uint8_t arg);
void LcdStoreLowMultiOp(Machine& m, uint8_t arg);

// Port writes shared by pst and the debugger.
void WritePort(Machine& m, uint8_t port, uint8_t value);

}  // namespace varnox
