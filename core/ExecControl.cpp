// Control and port instructions: conditional jumps, calls and indirect
// jumps, returns, the trap, interrupt cancel and return, off, pst and gst.
#include "core/Cpu.h"
#include "core/Exec.h"
#include "core/FixedArg.h"
#include "peripherals/Keyboard.h"
#include "peripherals/Lcd.h"

namespace varnox {
namespace {

constexpr int32_t TransferCycles = 4;
constexpr int32_t IndirectJumpCycles = 2;  // extra for a taken ijmp
constexpr int32_t PortCycles = 4;
constexpr int32_t CancelIrqCycles = 4;
constexpr int32_t TrapCycles = 6;  // plus the call's
constexpr uint8_t OffKeyLines = 0x41;  // off drives the wake key's lines

// Flag tested by condition bits 0-2; conditions 0 and 1 test no flag.
constexpr uint8_t ConditionMask[8] = {0x00, 0x00, FlagLZ, FlagUZ, FlagNZ, FlagV, FlagH, FlagC};

// Both operand bytes are taken whether or not the transfer happens, so an
// instruction in data memory always has the same length.
void ConditionalTransfer(Machine& m, uint8_t target, bool taken) {
    CpuState& cpu = m.Cpu;
    const auto [b1, b2] = TakeOperandPair(m);
    if (taken) {
        switch (target) {
            case TargetCal:
                CallTo(m, b1, b2);
                break;
            case TargetIjmp:
                cpu.PC = static_cast<uint16_t>((cpu.MainRegisterFile[UpperReg(cpu, b2)] << 8) |
                                               cpu.MainRegisterFile[LowerReg(b1)]);
                cpu.StepCycles += IndirectJumpCycles;
                break;
            default:
                cpu.PC = static_cast<uint16_t>((b1 << 8) | b2);
                break;
        }
    }
    cpu.StepCycles += TransferCycles;
}

uint8_t ConditionFlags(const CpuState& cpu) { return cpu.F & ConditionMask[cpu.InstrBytes[0] & 7]; }

// Ends the service of the first level that has a request (pending or in
// service), highest priority first.
void CancelFirstLevel(CpuState& cpu) {
    for (int level = 0; level < IrqLevels; ++level) {
        if (cpu.IrqPending[level] != 0) {
            cpu.IF &= static_cast<uint8_t>(~IrqInServiceBit[level]);
            cpu.IrqPending[level] = 0;
            return;
        }
    }
}

uint8_t ReadPort(const CpuState& cpu, uint8_t port) {
    switch (port) {
        case PortKO: return cpu.KO;
        case PortIF: return cpu.IF;
        case PortAS: return cpu.AS;
        case PortIE: return cpu.IE;
        case PortF: return cpu.F;
        default: return cpu.KI;
    }
}

}  // namespace

void JumpIfSetOp(Machine& m, uint8_t arg) { ConditionalTransfer(m, arg, ConditionFlags(m.Cpu) != 0); }
void JumpIfClearOp(Machine& m, uint8_t arg) { ConditionalTransfer(m, arg, ConditionFlags(m.Cpu) == 0); }
void JumpIfKeyOp(Machine& m, uint8_t arg) { ConditionalTransfer(m, arg, m.Cpu.KI != 0); }
void JumpIfNoKeyOp(Machine& m, uint8_t arg) { ConditionalTransfer(m, arg, m.Cpu.KI == 0); }

void ReturnOp(Machine& m, uint8_t) { PopPC(m); }

void CancelIrqOp(Machine& m, uint8_t) {
    CancelFirstLevel(m.Cpu);
    m.Cpu.StepCycles += CancelIrqCycles;
}

// The return's own 10 cycles are all the step costs.
void ReturnIrqOp(Machine& m, uint8_t) {
    CancelFirstLevel(m.Cpu);
    PopPC(m);
}

void TrapOp(Machine& m, uint8_t) {
    CpuState& cpu = m.Cpu;
    NextOperandByte(m);  // present but unused
    CallTo(m, cpu.MainRegisterFile[IndexHighBase + RegV3], cpu.MainRegisterFile[IndexLowBase + RegV3]);
    cpu.StepCycles += TrapCycles;
}

// Switches the calculator off; a held wake key switches it on again at once.
void OffOp(Machine& m, uint8_t) {
    CpuState& cpu = m.Cpu;
    cpu.Halted = true;
    cpu.PC = 0;
    cpu.IE = 0;
    cpu.IF = 0;
    cpu.IrqPending = {0, 0, 0};
    m.Lcd.LcdControl = 0;
    LcdReset(m.Lcd);
    UpdateIf(m);
    cpu.KO = OffKeyLines;
    KeyScan(m);
}

void PutImmOp(Machine& m, uint8_t arg) {
    WritePort(m, arg, NextOperandByte(m));
    m.Cpu.StepCycles += PortCycles;
}

void PutRegOp(Machine& m, uint8_t arg) {
    CpuState& cpu = m.Cpu;
    const uint8_t b1 = NextOperandByte(m);
    WritePort(m, arg, cpu.MainRegisterFile[LowerReg(b1) + cpu.RegBank]);
    cpu.StepCycles += PortCycles;
}

void GetOp(Machine& m, uint8_t arg) {
    CpuState& cpu = m.Cpu;
    const uint8_t b1 = NextOperandByte(m);
    cpu.MainRegisterFile[LowerReg(b1) + cpu.RegBank] = ReadPort(cpu, arg);
    cpu.StepCycles += PortCycles;
}

void WritePort(Machine& m, uint8_t port, uint8_t value) {
    CpuState& cpu = m.Cpu;
    switch (port) {
        case PortKO:
            cpu.KO = value;
            KeyScan(m);
            break;
        case PortIF:
            cpu.IF = static_cast<uint8_t>((cpu.IF & ~IfWritable) | (value & IfWritable));
            UpdateIf(m);
            break;
        case PortAS:
            cpu.AS = value;
            break;
        case PortIE:
            cpu.IE = value;
            // Disabling a level also ends its service and drops its request.
            for (int level = 0; level < IrqLevels; ++level) {
                if (!(value & IrqEnableBit[level])) {
                    cpu.IF &= static_cast<uint8_t>(~IrqInServiceBit[level]);
                    cpu.IrqPending[level] = 0;
                }
            }
            break;
        case PortF:
            cpu.F = value;
            break;
        default:
            cpu.KI = value;
            break;
    }
}

std::span<const FixedArgFamily> ControlFixedArgFamilies() {
    static constexpr FixedArgFamily families[] = {
        FixedArgs<JumpIfSetOp, JumpTargetCount>(), FixedArgs<JumpIfClearOp, JumpTargetCount>(),
        FixedArgs<JumpIfKeyOp, JumpTargetCount>(), FixedArgs<JumpIfNoKeyOp, JumpTargetCount>(),
        FixedArgs<PutImmOp, PortIdCount>(),        FixedArgs<PutRegOp, PortIdCount>(),
        FixedArgs<GetOp, PortIdCount>(),
    };
    return families;
}

}  // namespace varnox
