// The processor step, reset, interrupts and the IF port.
#include "core/Cpu.h"

#include "core/Decode.h"
#include "peripherals/Keyboard.h"
#include "peripherals/Lcd.h"

namespace varnox {
namespace {

constexpr int32_t HaltCycles = 6;
constexpr int32_t IrqEntryCycles = 16;  // plus the call's
constexpr int32_t CallCycles = 6;
constexpr int32_t ReturnCycles = 10;

template <void (*Dispatch)(Machine&)>
int32_t Step(Machine& m) {
    CpuState& cpu = m.Cpu;
    cpu.StepCycles = 0;
    if (cpu.Halted) {
        cpu.StepCycles += HaltCycles;
    } else {
        // Only a positive counter can be entered; skip the scan otherwise.
        int level = -1;
        if (cpu.IrqPending[0] > 0 || cpu.IrqPending[1] > 0 || cpu.IrqPending[2] > 0) level = DueIrqLevel(cpu);
        if (level >= 0) {
            cpu.IF |= IrqInServiceBit[level];
            const uint16_t vector = GetIndex(cpu, IrqVectorReg[level]);
            CallTo(m, static_cast<uint8_t>(vector >> 8), static_cast<uint8_t>(vector));
            cpu.StepCycles += IrqEntryCycles;
        } else {
            Dispatch(m);
        }
    }
    if (AnyIrqRequest(cpu)) AgeIrqRequests(cpu);
    return cpu.StepCycles;
}

}  // namespace

void AgeIrqRequests(CpuState& cpu) {
    for (int32_t& pending : cpu.IrqPending) {
        if (pending < -7) {
            pending = -7;
        } else if (pending < 0) {
            pending += cpu.StepCycles;
        }
    }
}

int32_t CpuStepGeneral(Machine& m) { return Step<DecodeAndDispatch>(m); }

int32_t CpuStepPlain(Machine& m) { return Step<DecodeAndDispatchPlain>(m); }

StepKind PeekStepKind(const Machine& m, int* level) {
    if (m.Cpu.Halted) return StepKind::Idle;
    const int due = DueIrqLevel(m.Cpu);
    if (level) *level = due;
    return due >= 0 ? StepKind::Interrupt : StepKind::Instruction;
}

void CpuReset(Machine& m) {
    CpuState& cpu = m.Cpu;
    cpu.PC = 0;
    cpu.KO = cpu.KI = cpu.AS = cpu.F = cpu.IE = cpu.IF = 0;
    cpu.IrqPending = {0, 0, 0};
    cpu.Halted = false;
    cpu.CycleBudget = 0;
}

void IrqRequest(Machine& m, int level) {
    if (level < 0 || level >= IrqLevels) return;
    CpuState& cpu = m.Cpu;
    if ((cpu.IE & IrqEnableBit[level]) && cpu.IrqPending[level] == 0) cpu.IrqPending[level] = IrqJustRequested;
}

void CallTo(Machine& m, uint8_t high, uint8_t low) {
    CpuState& cpu = m.Cpu;
    // The stack is never gated.
    uint16_t sp = static_cast<uint16_t>(GetIndex(cpu, RegSp) - 1);
    NoteAccess(m, sp, AccessWrite);
    MemWriteUngated(m, sp) = static_cast<uint8_t>(cpu.PC);
    sp = static_cast<uint16_t>(sp - 1);
    NoteAccess(m, sp, AccessWrite);
    MemWriteUngated(m, sp) = static_cast<uint8_t>(cpu.PC >> 8);
    SetIndex(cpu, RegSp, sp);
    cpu.PC = static_cast<uint16_t>((high << 8) | low);
    cpu.StepCycles += CallCycles;
}

void PopPC(Machine& m) {
    CpuState& cpu = m.Cpu;
    uint16_t sp = GetIndex(cpu, RegSp);
    NoteAccess(m, sp, AccessRead);
    const uint8_t high = MemReadUngated(m, sp);
    sp = static_cast<uint16_t>(sp + 1);
    NoteAccess(m, sp, AccessRead);
    const uint8_t low = MemReadUngated(m, sp);
    sp = static_cast<uint16_t>(sp + 1);
    SetIndex(cpu, RegSp, sp);
    cpu.PC = static_cast<uint16_t>((high << 8) | low);
    cpu.StepCycles += ReturnCycles;
}

void KeyScan(Machine& m) {
    CpuState& cpu = m.Cpu;
    const std::optional<uint8_t> ki = ScanKeyMatrix(cpu.KO, m.HeldKeys, m.Clock.SelfTestCounter != 0);
    if (!ki) return;
    cpu.KI = *ki;
    if (*ki & KeyWakeBit) cpu.Halted = false;
}

void UpdateIf(Machine& m) {
    CpuState& cpu = m.Cpu;
    LcdController& lcd = m.Lcd;
    if (cpu.IF & IfLcdPower) {
        lcd.LcdControl |= LcdPowered;
    } else {
        if (lcd.LcdControl & LcdPowered) LcdReset(lcd);
        lcd.LcdControl &= static_cast<uint8_t>(~LcdPowered);
        cpu.IF &= static_cast<uint8_t>(~IfTimerLine);
    }
    if (cpu.IF & IfLevel0Line) {
        if (!(cpu.IF & IfLevel0Seen)) IrqRequest(m, 0);
        cpu.IF |= IfLevel0Seen;
    } else {
        cpu.IF &= static_cast<uint8_t>(~IfLevel0Seen);
    }
}

}  // namespace varnox
