// Machine definitions: the backing stores, the processor state, the ports,
// the memory map and instruction fetch. One Machine value holds a whole
// calculator, so tests and tools can make as many as they like.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/DebugHooks.h"
#include "core/DecodedRom.h"
#include "peripherals/Keyboard.h"
#include "peripherals/Lcd.h"
#include "peripherals/SavedFields.h"

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

// The dearest step, an eight-register LCD transfer fetched from data
// memory, costs 70 cycles; this bound leaves a margin (the machine fuzzer
// checks it). A step's cost in oscillator ticks is at most its cycles times
// the slow clock's factor, 4 x the largest timer period.
constexpr int32_t MaxStepCycles = 128;
constexpr int32_t MaxStepCost = MaxStepCycles * 4 * MaxTimerPeriod;

inline constexpr int32_t RegSteps[] = {0x01, 0xFF};
inline constexpr int32_t RegBanks[] = {0x00, 0x40};

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

    // Saved fields, in file order (peripherals/SavedFields.h). The ports
    // and registers take any value: the debugger can type one in.
    template <class Io, class Self>
    static void Fields(Io& io, Self& s) {
        static constexpr const char* PendingNames[] = {"IrqPending[0]", "IrqPending[1]", "IrqPending[2]"};
        io("MainRegisterFile", s.MainRegisterFile);
        io("PC", s.PC);
        io("F", s.F);
        io("AS", s.AS);
        io("KO", s.KO);
        io("KI", s.KI);
        io("IE", s.IE);
        io("IF", s.IF);
        io("InstrPC", s.InstrPC);
        io("InstrBytes", s.InstrBytes);
        io("OperandIndex", s.OperandIndex, Reach{1, 3});
        io("StepCycles", s.StepCycles, Reach{0, MaxStepCycles});
        // Idle, just requested, delaying or due; a level in service keeps
        // its request until it is cancelled.
        for (size_t level = 0; level < s.IrqPending.size(); ++level) {
            const bool inService = (s.IF & IrqInServiceBit[level]) != 0;
            io(PendingNames[level], s.IrqPending[level], Reach{inService ? 1 : IrqJustRequested, MaxStepCycles - 1});
        }
        io("Halted", s.Halted);
        io("RegBank", s.RegBank, Reach{0, 0x40, RegBanks});
        io("RegStep", s.RegStep, Reach{1, 0xFF, RegSteps});
        io("EffAddr", s.EffAddr);
        // Between run ticks: nothing left to spend, or the overshoot of one
        // step.
        io("CycleBudget", s.CycleBudget, Reach{1 - MaxStepCost, 0});
    }
    bool operator==(const CpuState&) const = default;
};
// A new field breaks this on purpose: list it in Fields above (or say there
// why a state leaves it out), raise the state format version, then the size.
static_assert(sizeof(CpuState) == 176, "CpuState changed: list the new field in CpuState::Fields");

// Run ticks of 10 ms per refresh tick of 30 ms.
constexpr int32_t RunTicksPerRefresh = 3;

// The run loop's own part of the machine: the emulated timer, the self-test
// count-down, where the run ticks are in the refresh cadence, and the
// machine's time: run ticks, steps and processor cycles counted from the
// machine's start (StartMachine). The reset and the power switch restart
// the processor, not this count, so a session's inputs, recordings and
// rewinds keep one line of time across them.
struct alignas(8) RunClock {
    int32_t TimerCountdown = 0;
    int32_t SelfTestCounter = 0;  // refresh ticks left of the self-test request
    int32_t RefreshPhase = 0;     // run ticks since the last refresh tick
    // Counted modulo 2^64, so that every count a run reaches from any state
    // is one a state holds (no run of centuries comes near).
    uint64_t RunTicks = 0;        // every run tick, whether it ran steps or not
    uint64_t Steps = 0;           // every processor step, the debugger's single steps too
    uint64_t Cycles = 0;          // the processor cycles of those steps, before the clock factor

    // Saved fields, in file order (peripherals/SavedFields.h). The
    // self-test counter counts down from the SelfTest setting, or holds it
    // when it is negative: any value, since a state saved under one setting
    // is loaded under another. A state of a format before the counts counts
    // from the moment it was saved.
    template <class Io, class Self>
    static void Fields(Io& io, Self& s) {
        io("TimerCountdown", s.TimerCountdown, Reach{0, 2 * MaxTimerPeriod});
        io("SelfTestCounter", s.SelfTestCounter);
        io("RefreshPhase", s.RefreshPhase, Reach{0, RunTicksPerRefresh - 1}, 2);
        io("RunTicks", s.RunTicks, AnyValue, 3);
        io("Steps", s.Steps, AnyValue, 3);
        io("Cycles", s.Cycles, AnyValue, 3);
    }
    bool operator==(const RunClock&) const = default;
};
// A new field breaks this on purpose: list it in Fields above (or say there
// why a state leaves it out), raise the state format version, then the size.
// Aligned alike on every target, so that 32-bit ones lay it out as 64-bit
// ones do.
static_assert(sizeof(RunClock) == 40, "RunClock changed: list the new field in RunClock::Fields");

// Counts steps made and their processor cycles in the clock.
inline void CountSteps(RunClock& clock, uint32_t steps, uint64_t cycles) {
    clock.Steps += steps;
    clock.Cycles += cycles;
}

struct Settings {
    int32_t OscFreq = 910;
    int32_t SelfTest = 0;
};

constexpr int HeldKeySlots = 3;  // mouse key, PC key, print switch
constexpr int HeldMouseSlot = 0;
constexpr int HeldPcKeySlot = 1;
constexpr int HeldSwitchSlot = 2;

inline constexpr int32_t PrintSwitchPlaces[] = {0, PrintSwitchKey};

struct Machine {
    std::array<uint8_t, InstrRomBytes> InstrRom{};
    std::array<uint8_t, DataRomBytes> DataRom{};
    std::array<uint8_t, DataRamBytes> DataRam{};
    uint8_t ReadSink = 0xFF;  // what gated reads see; never written
    uint8_t WriteSink = 0;    // where writes that cannot land go
    CpuState Cpu{};
    LcdController Lcd{};
    std::array<int32_t, HeldKeySlots> HeldKeys{};
    RunClock Clock{};
    Settings Config{};

    DecodedRom Decoded{};          // InstrRom's words decoded; a cache, not state
    AccessWatch* Watch = nullptr;  // the debugger's watchpoints, while it set them

    // Saved fields, in file order (peripherals/SavedFields.h). The ROMs are
    // not copied (a state records their checksums), ReadSink never
    // changes, the settings and watchpoints are the session's, and the
    // decoded words are made again from the ROM. How a run is controlled
    // and stopped is not the machine's at all (system/RunControl.h).
    template <class Io, class Self>
    static void Fields(Io& io, Self& m) {
        CpuState::Fields(io, m.Cpu);
        LcdController::Fields(io, m.Lcd);
        io("DataRam", m.DataRam);
        io("WriteSink", m.WriteSink);
        io("HeldKeys[0]", m.HeldKeys[HeldMouseSlot], Reach{0, KeyCount});
        io("HeldKeys[1]", m.HeldKeys[HeldPcKeySlot], Reach{0, KeyCount});
        io("HeldKeys[2]", m.HeldKeys[HeldSwitchSlot], Reach{0, PrintSwitchKey, PrintSwitchPlaces});
        RunClock::Fields(io, m.Clock);
    }
};
// A new field breaks this on purpose: list it in Fields above (or say there
// why a state leaves it out), raise the state format version, then the size.
// The session's part holds pointers (the decoded words, the watch), so the
// size is one per pointer width: the fields a state carries are laid out
// alike on every target.
constexpr size_t MachineBytes = sizeof(void*) == 8 ? 66912 : 66904;
static_assert(sizeof(Machine) == MachineBytes, "Machine changed: list the new field in Machine::Fields");

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

// The byte the read map gives the address, whatever the memory gate holds.
// Bit 14 set: RAM (8 KB seen four times); clear: ROM, low half below
// 0x4000, high half at 0x8000. Writable through a writable machine: the
// debugger stores typed code where the fetch reads it, ROM windows too.
template <typename AnyMachine>
inline auto& ReadMapByte(AnyMachine& m, uint16_t address) {
    if (address & 0x4000) return m.DataRam[address & 0x1FFF];
    return m.DataRom[(address & 0x3FFF) | ((address >> 1) & 0x4000)];
}

// Reads and writes that the memory gate never stops: the fetch from data
// memory, the stack of calls and returns, the debugger's panes. A write to
// a ROM window lands in WriteSink.
inline const uint8_t& MemReadUngated(const Machine& m, uint16_t address) { return ReadMapByte(m, address); }
inline uint8_t& MemWriteUngated(Machine& m, uint16_t address) {
    if (address & 0x4000) return m.DataRam[address & 0x1FFF];
    return m.WriteSink;
}

// Tells a watch, when one is set, of a data access the processor makes.
inline void NoteAccess(const Machine& m, uint16_t address, uint8_t kind) {
    if (m.Watch) [[unlikely]] WatchAccess(m, address, kind);
}

// The byte a data read at the address reaches; gated reads see ReadSink.
inline const uint8_t& MemReadPtr(const Machine& m, uint16_t address) {
    NoteAccess(m, address, AccessRead);
    if (m.Cpu.IE & IeMemoryGate) return m.ReadSink;
    return MemReadUngated(m, address);
}

// The byte a data write at the address reaches; ROM and gated writes land
// in WriteSink.
inline uint8_t& MemWritePtr(Machine& m, uint16_t address) {
    NoteAccess(m, address, AccessWrite);
    if (m.Cpu.IE & IeMemoryGate) return m.WriteSink;
    return MemWriteUngated(m, address);
}

// What the byte search compares: the byte a write would reach, read.
inline uint8_t MemSearchByte(Machine& m, uint16_t address) {
    NoteAccess(m, address, AccessRead);
    if (m.Cpu.IE & IeMemoryGate) return m.WriteSink;
    return MemWriteUngated(m, address);
}

// ---- Instruction fetch -----------------------------------------------------

// Cycles of each byte group read from data memory: the word, then each
// operand byte taken. A fetch from InstrRom costs nothing.
constexpr int32_t DataFetchCycles = 2;

// b0, b1, b2 of an instruction; the opcode is b0 with b1 bit 7 as bit 8.
using InstructionWord = std::array<uint8_t, 3>;
constexpr unsigned OpcodeOfWord(const InstructionWord& word) { return word[0] | ((word[1] & 0x80u) << 1); }

// The word a fetch reads at the address: below 0x1800 an InstrRom word,
// from there three data bytes, ungated, wrapping past 0xFFFF.
inline InstructionWord InstrRomWord(const Machine& m, uint16_t address) {
    const uint8_t* word = &m.InstrRom[3u * address];
    return {word[0], word[1], word[2]};
}
inline InstructionWord DataMemoryWord(const Machine& m, uint16_t address) {
    return {MemReadUngated(m, address), MemReadUngated(m, static_cast<uint16_t>(address + 1)),
            MemReadUngated(m, static_cast<uint16_t>(address + 2))};
}
inline InstructionWord ReadInstructionWord(const Machine& m, uint16_t address) {
    return address < DataInstrStart ? InstrRomWord(m, address) : DataMemoryWord(m, address);
}

// Whether an operand byte taken with PC here occupies a byte of its own:
// only with PC inside data memory past its first byte, so an instruction
// fetched at 0x17FF or 0xFFFF does not advance over its operands.
constexpr bool OperandOccupiesByte(uint16_t pc) { return pc > DataInstrStart; }

// Where the next instruction starts after one fetched at the address that
// takes that many operand bytes: what PC is once they are taken.
constexpr uint16_t NextInstructionAddress(uint16_t address, int operandBytes) {
    auto pc = static_cast<uint16_t>(address + 1);
    for (int i = 0; i < operandBytes; ++i) {
        if (OperandOccupiesByte(pc)) pc = static_cast<uint16_t>(pc + 1);
    }
    return pc;
}

// Reads the word at PC into InstrBytes, advances PC and returns the 9-bit
// opcode.
inline unsigned FetchInstruction(Machine& m) {
    CpuState& cpu = m.Cpu;
    cpu.InstrPC = cpu.PC;
    if (cpu.PC < DataInstrStart) {
        cpu.InstrBytes = InstrRomWord(m, cpu.PC);
    } else {
        cpu.InstrBytes = DataMemoryWord(m, cpu.PC);
        cpu.StepCycles += DataFetchCycles;
    }
    cpu.OperandIndex = 1;
    cpu.PC = static_cast<uint16_t>(cpu.PC + 1);
    return OpcodeOfWord(cpu.InstrBytes);
}

// Takes the next operand byte; in data memory each one occupies a byte and
// costs 2 cycles.
inline uint8_t NextOperandByte(Machine& m) {
    CpuState& cpu = m.Cpu;
    const uint8_t value = cpu.InstrBytes[cpu.OperandIndex < 3 ? cpu.OperandIndex : 2];
    if (OperandOccupiesByte(cpu.PC)) {
        cpu.PC = static_cast<uint16_t>(cpu.PC + 1);
        cpu.StepCycles += DataFetchCycles;
    }
    cpu.OperandIndex += 1;
    return value;
}

// Applies IF to the LCD power and to interrupt level 0.
void UpdateIf(Machine& m);

}  // namespace varnox
