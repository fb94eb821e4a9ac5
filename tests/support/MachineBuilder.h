// Test helpers: fresh machines and hand-assembled instruction words.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "core/Cpu.h"
#include "core/Def.h"

namespace varnox::test {

inline std::unique_ptr<Machine> NewMachine() { return std::make_unique<Machine>(); }

// A small seeded generator, so that a failing random case can be run again.
struct Random {
    uint32_t seed;
    uint32_t Next() {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    }
    uint8_t Byte() { return static_cast<uint8_t>(Next()); }
};

// Writes the word of a 9-bit opcode at InstrRom word `address`; opcode bit 8
// travels in bit 7 of b1.
inline void PutWord(Machine& m, uint16_t address, unsigned opcode, uint8_t b1 = 0, uint8_t b2 = 0) {
    uint8_t* word = &m.InstrRom[3u * address];
    word[0] = static_cast<uint8_t>(opcode);
    word[1] = static_cast<uint8_t>((b1 & 0x7F) | ((opcode >> 1) & 0x80));
    word[2] = b2;
}

// Lays out consecutive words from InstrRom word 0.
struct Word {
    unsigned opcode;
    uint8_t b1 = 0;
    uint8_t b2 = 0;
};

inline void Program(Machine& m, std::initializer_list<Word> words, uint16_t start = 0) {
    uint16_t address = start;
    for (const Word& w : words) PutWord(m, address++, w.opcode, w.b1, w.b2);
}

inline uint8_t& R(Machine& m, int n) { return m.Cpu.MainRegisterFile[n]; }

// The RAM byte behind any data address with bit 14 set.
inline uint8_t& Ram(Machine& m, uint16_t address) { return m.DataRam[address & 0x1FFF]; }

// Places one instruction at the current PC and steps it; returns the cycles.
inline int32_t RunOne(Machine& m, unsigned opcode, uint8_t b1 = 0, uint8_t b2 = 0) {
    PutWord(m, m.Cpu.PC, opcode, b1, b2);
    return CpuStep(m);
}

}  // namespace varnox::test
