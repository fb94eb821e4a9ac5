// Machine definitions: the backing stores, the processor state, the ports,
// the memory map and instruction fetch. One Machine value holds a whole
// calculator, so tests and tools can make as many as they like.
#pragma once

#include <array>
#include <cstdint>

#include "core/DecodedRom.h"
#include "peripherals/Lcd.h"

namespace varnox {

constexpr int InstrRomWords = 0x1800;
constexpr int InstrRomBytes = 3 * InstrRomWords;  // 18432
constexpr int DataRomBytes = 0x8000;
constexpr int DataRamBytes = 0x2000;
constexpr int RegisterFileBytes = 128;
constexpr uint16_t DataInstrStart = 0x1800;  // PCs from here fetch from data memory
constexpr uint16_t DecodedRomWords = InstrRomWords - 1;  // the words run from decoded records

// Flag register bits.
constexpr uint8_t FlagC = 0x80;
constexpr uint8_t FlagH = 0x40;
constexpr uint8_t FlagV = 0x20;
constexpr uint8_t FlagNZ = 0x10;
constexpr uint8_t FlagUZ = 0x08;
constexpr uint8_t FlagLZ = 0x04;

// Index registers: low byte R(056+n), high byte R(120+n).
enum IndexReg : int { RegIx = 0, RegIy = 1, RegIz = 2, RegV3 = 3, RegV2 = 4, RegV1 = 5, RegV0 = 6, RegSp = 7 };
// The pointer registers of the loads, stores and searches, by b0 bits 1-0.
constexpr std::array<IndexReg, 4> PointerRegisters{RegIx, RegIy, RegIz, RegSp};
constexpr int IndexLowBase = 56;
constexpr int IndexHighBase = 120;

// Interrupt request counter: 0 idle, -8 just requested, -7..-1 delaying,
// positive due (and in service once entered).
constexpr int32_t IrqJustRequested = -8;
constexpr int IrqLevels = 3;  // level 0 has the highest priority

// Per interrupt level: its enable bit in IE, its in-service bit in IF and
// the index register holding its vector.
constexpr std::array<uint8_t, IrqLevels> IrqEnableBit{0x10, 0x20, 0x40};
constexpr std::array<uint8_t, IrqLevels> IrqInServiceBit{0x20, 0x40, 0x80};
constexpr std::array<IndexReg, IrqLevels> IrqVectorReg{RegV0, RegV1, RegV2};

// IE port bits.
constexpr uint8_t IeMemoryGate = 0x03;  // either bit: data reads give 0xFF, writes are lost
constexpr uint8_t IeClockMode = 0x84;   // bits 7 and 2: the run loop's clock factor
constexpr uint8_t IeDoubleClock = 0x80;  // clock mode bit 7 alone: factor 2

// IF port bits.
constexpr uint8_t IfLcdPower = 0x01;
constexpr uint8_t IfLevel0Seen = 0x02;  // edge memory of IfLevel0Line
constexpr uint8_t IfTimerLine = 0x04;
constexpr uint8_t IfLevel0Line = 0x10;
constexpr uint8_t IfWritable = IfLcdPower | IfLevel0Line;  // what pst to IF changes

struct CpuState {
    std::array<uint8_t, RegisterFileBytes> MainRegisterFile{};
    uint16_t PC = 0;
    uint8_t F = 0;
    uint8_t AS = 0;
    uint8_t KO = 0;
    uint8_t KI = 0;
    uint8_t IE = 0;
    uint8_t IF = 0;
    uint16_t InstrPC = 0;
    std::array<uint8_t, 3> InstrBytes{};
    int32_t OperandIndex = 1;
    int32_t StepCycles = 0;
    std::array<int32_t, 3> IrqPending{};
    bool Halted = false;
    uint8_t RegBank = 0;
    uint8_t RegStep = 1;  // 0x01 upward, 0xFF downward
    uint16_t EffAddr = 0;
    int32_t CycleBudget = 0;
};

// Run-control and run-loop state shared by the run loop and the debugger.
struct RunControl {
    uint8_t DebugActive = 0;
    int32_t ResumeDelay = 0;
    int32_t StepCount = -1;     // 0 or less: off
    int32_t BreakAddress = -1;  // negative: off
    int32_t CyclesPerTick = 0;
    int32_t TimerCountdown = 0;
    int32_t SelfTestCounter = 0;
};

struct Settings {
    int32_t OscFreq = 910;
    int32_t SelfTest = 0;
};

constexpr int HeldKeySlots = 3;  // mouse key, PC key, print switch
constexpr int HeldMouseSlot = 0;
constexpr int HeldPcKeySlot = 1;
constexpr int HeldSwitchSlot = 2;

struct Machine {
    std::array<uint8_t, InstrRomBytes> InstrRom{};
    std::array<uint8_t, DataRomBytes> DataRom{};
    std::array<uint8_t, DataRamBytes> DataRam{};
    uint8_t ReadSink = 0xFF;  // what gated reads see; never written
    uint8_t WriteSink = 0;    // where writes that cannot land go
    CpuState Cpu{};
    LcdController Lcd{};
    std::array<int32_t, HeldKeySlots> HeldKeys{};
    RunControl Run{};
    Settings Config{};
    DecodedRom Decoded{};  // InstrRom's words decoded; a cache, not state
};

// ---- Register file helpers -------------------------------------------------

inline uint16_t GetIndex(const CpuState& cpu, int n) {
    return static_cast<uint16_t>(cpu.MainRegisterFile[IndexLowBase + n] |
                                 (cpu.MainRegisterFile[IndexHighBase + n] << 8));
}

inline void SetIndex(CpuState& cpu, int n, uint16_t value) {
    cpu.MainRegisterFile[IndexLowBase + n] = static_cast<uint8_t>(value);
    cpu.MainRegisterFile[IndexHighBase + n] = static_cast<uint8_t>(value >> 8);
}

// ---- Memory map ------------------------------------------------------------

// Lifts the memory gate for the accesses made while it lives: the fetch
// from data memory, the stack accesses of calls and returns, and the
// debugger's panes all reach memory as it is.
class MemoryGateLift {
public:
    explicit MemoryGateLift(CpuState& cpu) : cpu_(cpu), savedIe_(cpu.IE) { cpu.IE = 0; }
    ~MemoryGateLift() { cpu_.IE = savedIe_; }
    MemoryGateLift(const MemoryGateLift&) = delete;
    MemoryGateLift& operator=(const MemoryGateLift&) = delete;

private:
    CpuState& cpu_;
    uint8_t savedIe_;
};

// The byte a data read at the address reaches. Bit 14 set: RAM (8 KB seen
// four times); clear: ROM, low half below 0x4000, high half at 0x8000.
inline const uint8_t& MemReadPtr(const Machine& m, uint16_t address) {
    if (m.Cpu.IE & IeMemoryGate) return m.ReadSink;
    if (address & 0x4000) return m.DataRam[address & 0x1FFF];
    return m.DataRom[(address & 0x3FFF) | ((address >> 1) & 0x4000)];
}

// The byte a data write at the address reaches; ROM and gated writes land in
// WriteSink.
inline uint8_t& MemWritePtr(Machine& m, uint16_t address) {
    if ((m.Cpu.IE & IeMemoryGate) == 0 && (address & 0x4000)) return m.DataRam[address & 0x1FFF];
    return m.WriteSink;
}

// ---- Instruction fetch -----------------------------------------------------

// Cycles of each byte group read from data memory: the word, then each
// operand byte taken. A fetch from InstrRom costs nothing.
constexpr int32_t DataFetchCycles = 2;

// Reads the word at PC into InstrBytes, advances PC and returns the 9-bit
// opcode.
inline unsigned FetchInstruction(Machine& m) {
    CpuState& cpu = m.Cpu;
    cpu.InstrPC = cpu.PC;
    if (cpu.PC < DataInstrStart) {
        const uint8_t* word = &m.InstrRom[3u * cpu.PC];
        cpu.InstrBytes[0] = word[0];
        cpu.InstrBytes[1] = word[1];
        cpu.InstrBytes[2] = word[2];
    } else {
        const MemoryGateLift lift(cpu);
        cpu.InstrBytes[0] = MemReadPtr(m, cpu.PC);
        cpu.InstrBytes[1] = MemReadPtr(m, static_cast<uint16_t>(cpu.PC + 1));
        cpu.InstrBytes[2] = MemReadPtr(m, static_cast<uint16_t>(cpu.PC + 2));
        cpu.StepCycles += DataFetchCycles;
    }
    cpu.OperandIndex = 1;
    cpu.PC = static_cast<uint16_t>(cpu.PC + 1);
    return cpu.InstrBytes[0] | ((cpu.InstrBytes[1] & 0x80u) << 1);
}

// Takes the next operand byte; in data memory each one occupies a byte and
// costs 2 cycles.
inline uint8_t NextOperandByte(Machine& m) {
    CpuState& cpu = m.Cpu;
    const uint8_t value = cpu.InstrBytes[cpu.OperandIndex < 3 ? cpu.OperandIndex : 2];
    if (cpu.PC > DataInstrStart) {
        cpu.PC = static_cast<uint16_t>(cpu.PC + 1);
        cpu.StepCycles += DataFetchCycles;
    }
    cpu.OperandIndex += 1;
    return value;
}

// Applies IF to the LCD power and to interrupt level 0.
void UpdateIf(Machine& m);

}  // namespace varnox
