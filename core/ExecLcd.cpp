// LCD transfer instructions: register bytes go to and come from the LCD
// controller one nibble at a time, low digit first.
#include "core/Exec.h"
#include "peripherals/Lcd.h"

namespace varnox {
namespace {

constexpr int32_t NibblePairCycles = 8;  // per register

enum class Digits { Both, LastLowOnly };

// Starts a transfer: takes the operand bytes and sets the controller's mode
// field. Returns the first register; *last receives the final one.
int BeginTransfer(Machine& m, bool sequence, int* last) {
    CpuState& cpu = m.Cpu;
    LcdBeginTransfer(m.Lcd);
    const auto [b1, b2] = TakeOperandPair(m);
    // The sequence forms keep the end index in b2 bits 7-5.
    const uint8_t field = sequence ? Imm6(b1, b2) : static_cast<uint8_t>(b2 & 0x3F);
    m.Lcd.LcdControl = static_cast<uint8_t>((m.Lcd.LcdControl & 0xC0) | field);
    const int first = LowerReg(b1) + cpu.RegBank;
    *last = sequence ? EndReg(b1, b2) + cpu.RegBank : first;
    return first;
}

void LoadRegisters(Machine& m, bool sequence, Digits digits) {
    CpuState& cpu = m.Cpu;
    int last = 0;
    int r = BeginTransfer(m, sequence, &last);
    for (;;) {
        uint8_t& reg = cpu.MainRegisterFile[r];
        reg = LcdTransfer(m.Lcd, 0);
        cpu.StepCycles += NibblePairCycles;
        if (digits == Digits::Both || r != last) reg = static_cast<uint8_t>(reg | (LcdTransfer(m.Lcd, 0) << 4));
        if (r == last) break;
        r = NextReg(cpu, r);
    }
}

void StoreRegisters(Machine& m, bool sequence, Digits digits) {
    CpuState& cpu = m.Cpu;
    int last = 0;
    int r = BeginTransfer(m, sequence, &last);
    for (;;) {
        const uint8_t value = cpu.MainRegisterFile[r];
        LcdTransfer(m.Lcd, value);
        cpu.StepCycles += NibblePairCycles;
        if (digits == Digits::Both || r != last) LcdTransfer(m.Lcd, static_cast<uint8_t>(value >> 4));
        if (r == last) break;
        r = NextReg(cpu, r);
    }
}

}  // namespace

void LcdLoadOp(Machine& m, uint8_t) { LoadRegisters(m, false, Digits::Both); }
void LcdLoadLowOp(Machine& m, uint8_t) { LoadRegisters(m, false, Digits::LastLowOnly); }
void LcdStoreOp(Machine& m, uint8_t) { StoreRegisters(m, false, Digits::Both); }
void LcdStoreLowOp(Machine& m, uint8_t) { StoreRegisters(m, false, Digits::LastLowOnly); }
void LcdLoadMultiOp(Machine& m, uint8_t) { LoadRegisters(m, true, Digits::Both); }
void LcdLoadLowMultiOp(Machine& m, uint8_t) { LoadRegisters(m, true, Digits::LastLowOnly); }
void LcdStoreMultiOp(Machine& m, uint8_t) { StoreRegisters(m, true, Digits::Both); }
void LcdStoreLowMultiOp(Machine& m, uint8_t) { StoreRegisters(m, true, Digits::LastLowOnly); }

}  // namespace varnox
