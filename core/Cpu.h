// The processor step, reset and interrupts.
#pragma once

#include <cstdint>

#include "core/Decode.h"
#include "core/Def.h"

namespace varnox {

// One step in every case: idle while halted, enter a due interrupt, or run
// one instruction; then age the pending requests. Returns the step's cycles.
int32_t CpuStepGeneral(Machine& m);

inline bool AnyIrqRequest(const CpuState& cpu) {
    return (cpu.IrqPending[0] | cpu.IrqPending[1] | cpu.IrqPending[2]) != 0;
}

// Pending requests age by the step's cycles: -8 (requested during or
// before the step) becomes -7, a running delay counts on.
void AgeIrqRequests(CpuState& cpu);

// One step, as CpuStepGeneral. Most steps run an InstrRom word whose record
// is current, with no interrupt request under way; they take this short
// way, inline so that a loop of steps does not call for each.
inline int32_t CpuStep(Machine& m) {
    CpuState& cpu = m.Cpu;
    const uint16_t pc = cpu.PC;
    if (cpu.Halted || AnyIrqRequest(cpu) || pc >= DecodedRomWords || !m.Decoded.HasRecords()) [[unlikely]] {
        return CpuStepGeneral(m);
    }
    const DecodedWord& decoded = m.Decoded[pc];
    if (!IsCurrent(m, pc, decoded)) [[unlikely]] return CpuStepGeneral(m);
    cpu.StepCycles = 0;
    RunRecord(m, pc, decoded);
    if (AnyIrqRequest(cpu)) [[unlikely]] AgeIrqRequests(cpu);
    return cpu.StepCycles;
}

// The level an interrupt scan would enter now, or -1: the first with a
// due request, unless a level in service comes first (it blocks itself
// and every lower one).
inline int DueIrqLevel(const CpuState& cpu) {
    for (int level = 0; level < IrqLevels; ++level) {
        if (cpu.IF & IrqInServiceBit[level]) return -1;
        if (cpu.IrqPending[level] > 0) return level;
    }
    return -1;
}

// Whether every step from here is an instruction and nothing else: not
// halted, no interrupt to enter, no request counting down. Only an
// instruction that touches the run state (DispatchEntry) or the run loop's
// timer line changes that.
inline bool InstructionsOnly(const CpuState& cpu) {
    if (cpu.Halted) return false;
    if ((cpu.IrqPending[0] | cpu.IrqPending[1] | cpu.IrqPending[2]) < 0) return false;  // one is counting down
    return DueIrqLevel(cpu) < 0;
}

// Steps, each as CpuStep makes it, while they are instructions of decoded
// InstrRom words that leave the run state alone, from a state where
// InstructionsOnly holds: so none can change the clock factor, and no
// step needs the interrupt scan or the ageing of requests. Takes each
// step's cycles times `factor` from `slack` and stops once it is 0 or
// less, after at most `steps` steps, or before a word that is not such an
// instruction. Returns the steps made. Arithmetic wraps as the run loop's.
inline int32_t RunInstructions(Machine& m, int32_t factor, int32_t& slack, int32_t steps) {
    CpuState& cpu = m.Cpu;
    DecodedWord* const words = m.Decoded.Words();
    uint32_t left = static_cast<uint32_t>(slack);
    int32_t made = 0;
    do {
        const uint16_t pc = cpu.PC;
        if (pc >= DecodedRomWords) break;
        DecodedWord& decoded = words[pc];
        if (!IsCurrent(m, pc, decoded)) [[unlikely]] {
            // Decoded afresh, then taken up again from PC, which no register
            // need keep across the decoding.
            decoded = DecodeWord(m, pc);
            continue;
        }
        if (decoded.touchesRunState) break;
        cpu.StepCycles = 0;
        RunRecord(m, pc, decoded);
        left -= static_cast<uint32_t>(cpu.StepCycles) * static_cast<uint32_t>(factor);
        ++made;
    } while (static_cast<int32_t>(left) > 0 && made < steps);
    slack = static_cast<int32_t>(left);
    return made;
}

// The same step run by the instruction set's table alone, without decoded
// words or fixed-argument handlers: the reference CpuStep is checked
// against.
int32_t CpuStepPlain(Machine& m);

void CpuReset(Machine& m);

// Requests interrupt level 0..2; dropped unless enabled in IE and idle.
void IrqRequest(Machine& m, int level);

// Recomputes KI from KO, HeldKeys and the self-test request; a key on the
// wake line (KI bit 0) clears Halted.
void KeyScan(Machine& m);

// Pushes PC (low byte first, so sp ends on the high byte) and jumps.
void CallTo(Machine& m, uint8_t high, uint8_t low);
void PopPC(Machine& m);

// What the next CpuStep will do, without doing it (for tracing).
enum class StepKind { Idle, Interrupt, Instruction };
StepKind PeekStepKind(const Machine& m, int* level = nullptr);

}  // namespace varnox
