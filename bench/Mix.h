// The benchmarks' instruction mix: a loop of arithmetic, decimal, logic,
// multi-byte, one-operand, memory and flow instructions from InstrRom, the
// kind of work firmware does between key scans.
#pragma once

#include <cstdint>

#include "core/Def.h"

namespace varnox::bench {

inline void PutMixWord(Machine& m, uint16_t address, unsigned opcode, uint8_t b1, uint8_t b2) {
    uint8_t* word = &m.InstrRom[3u * address];
    word[0] = static_cast<uint8_t>(opcode);
    word[1] = static_cast<uint8_t>((b1 & 0x7F) | ((opcode >> 1) & 0x80));
    word[2] = b2;
}

// Writes the loop from InstrRom word 0.
inline void LoadMix(Machine& m) {
    struct W {
        unsigned op;
        uint8_t b1, b2;
    };
    const W mix[] = {
        {0x040, 0x40, 0x00},  // ldw ix,&H4000
        {0x002, 0x00, 0x00},  // ad r64,r0
        {0x012, 0x00, 0x60},  // adm r64..r67,r0..r3
        {0x100, 0x01, 0x01},  // adb r65,&H01
        {0x007, 0x01, 0x40},  // xr r66,r1
        {0x15C, 0x02, 0xC0},  // ld r2,r70
        {0x0A8, 0x03, 0x00},  // ld r3,(ix)+
        {0x022, 0x05, 0x00},  // tad r64,r5
        {0x0E8, 0x07, 0x00},  // cmp r7
        {0x0E5, 0x00, 0x60},  // dium r64..r67
        {0x113, 0x08, 0x21},  // sbm r64..r65,&H01
        {0x088, 0x04, 0x00},  // st +(ix),r4
        {0x010, 0x00, 0x20},  // adbm r64..r65,r0..r1
        {0x074, 0x00, 0x00},  // jmp nz,&H0000
        {0x070, 0x00, 0x00},  // jmp &H0000
    };
    uint16_t address = 0;
    for (const W& w : mix) PutMixWord(m, address++, w.op, w.b1, w.b2);
}

}  // namespace varnox::bench
