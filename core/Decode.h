// The dispatch table: each 9-bit opcode selects a handler family and the
// argument that parameterises it. And the decode of one instruction.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "core/Def.h"
#include "core/Exec.h"

namespace varnox {

struct DispatchEntry {
    Handler handler;
    uint8_t arg;
    // Whether the instruction may change IE, IF, the interrupt requests,
    // Halted or the LCD's control byte and timer period: what decides the
    // clock factor, the timer line and whether a step can enter an
    // interrupt. The run loop steps past every other instruction without
    // looking at them again.
    bool touchesRunState;
};

// The instruction set's (family, argument) pairs, each family replaced by its
// instance for that argument where it has one (core/FixedArg.h).
extern const std::array<DispatchEntry, 512> DispatchTable;

// The record of the InstrRom word at `wordAddress` (below DecodedRomWords)
// as InstrRom holds it now.
DecodedWord DecodeWord(const Machine& m, uint16_t wordAddress);

// Whether `decoded`, the record of the InstrRom word at `pc` (below
// DecodedRomWords), was decoded from the word now there.
inline bool IsCurrent(const Machine& m, uint16_t pc, const DecodedWord& decoded) {
    uint32_t window;
    std::memcpy(&window, &m.InstrRom[3u * pc], sizeof window);
    return decoded.window == window;
}

// Runs the InstrRom word at `pc` from its current record, leaving InstrPC,
// InstrBytes, OperandIndex, PC, RegBank and RegStep as FetchInstruction and
// the dispatch of a fetched word do.
inline void RunRecord(Machine& m, uint16_t pc, const DecodedWord& decoded) {
    CpuState& cpu = m.Cpu;
    cpu.InstrPC = pc;
    std::memcpy(cpu.InstrBytes.data(), &m.InstrRom[3u * pc], cpu.InstrBytes.size());
    cpu.PC = static_cast<uint16_t>(pc + 1);
    cpu.RegBank = decoded.regBank;
    cpu.RegStep = 1;
    cpu.OperandIndex = 1;
    decoded.handler(m, decoded.arg);
}

// Runs the InstrRom word at `pc` (below DecodedRomWords) from its record,
// decoding it first when the record is not that of the word now there.
inline void RunDecodedWord(Machine& m, uint16_t pc) {
    DecodedWord& decoded = m.Decoded[pc];
    if (!IsCurrent(m, pc, decoded)) [[unlikely]] decoded = DecodeWord(m, pc);
    RunRecord(m, pc, decoded);
}

// Fetches one instruction and runs its handler: a word of InstrRom from its
// decoded record, a word in data memory (or InstrRom's last) byte by byte.
inline void DecodeAndDispatch(Machine& m) {
    CpuState& cpu = m.Cpu;
    if (cpu.PC < DecodedRomWords) {
        if (!m.Decoded.HasRecords()) [[unlikely]] m.Decoded.Allocate();  // a copy's first step
        RunDecodedWord(m, cpu.PC);
        return;
    }
    const unsigned opcode = FetchInstruction(m);
    cpu.RegBank = RegBankOf(cpu.InstrBytes[0]);
    cpu.RegStep = 1;
    const DispatchEntry& entry = DispatchTable[opcode];
    entry.handler(m, entry.arg);
}

// The same by the instruction set alone: FetchInstruction, then the family
// with its argument, without decoded words or fixed-argument instances.
// What DecodeAndDispatch must always match.
void DecodeAndDispatchPlain(Machine& m);

}  // namespace varnox
