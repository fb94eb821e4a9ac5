// The arithmetic-logic unit: binary and decimal arithmetic, logic, the
// one-operand shifts and digit moves, and the digit exchanges, each with its
// exact effect on F. Inline, so that a handler whose operation is fixed
// compiles to that operation alone.
#pragma once

#include <cstdint>

#include "core/Def.h"
#include "core/Exec.h"

namespace varnox {
namespace alu {

constexpr uint8_t CarryHalfOverflow = FlagC | FlagH | FlagV;

// Sets NZ for a non-zero byte (never clears it), UZ and LZ for zero digits.
inline void SetZeroFlags(CpuState& cpu, int r) {
    const int byte = r & 0xFF;
    if (byte) cpu.F |= FlagNZ;
    if (!(byte & 0xF0)) cpu.F |= FlagUZ;
    if (!(byte & 0x0F)) cpu.F |= FlagLZ;
}

inline void KeepOnlyNz(CpuState& cpu) { cpu.F &= FlagNZ; }

inline int Carry(const CpuState& cpu) { return (cpu.F & FlagC) ? 1 : 0; }

// Half carry and overflow from the bits that flipped between operands and
// result.
inline void SetHalfAndOverflow(CpuState& cpu, int a, int b, int r) {
    const int flipped = a ^ b ^ r;
    if (flipped & 0x10) cpu.F |= FlagH;
    if (flipped & 0x80) cpu.F |= FlagV;
}

inline uint8_t Add(CpuState& cpu, int a, int b) {
    const int r = a + b + Carry(cpu);
    KeepOnlyNz(cpu);
    if (r > 0xFF) cpu.F |= FlagC;
    SetHalfAndOverflow(cpu, a, b, r);
    SetZeroFlags(cpu, r);
    return static_cast<uint8_t>(r);
}

inline uint8_t Subtract(CpuState& cpu, int a, int b) {
    const int r = a - b - Carry(cpu);
    KeepOnlyNz(cpu);
    if (r < 0 || r > 0xFF) cpu.F |= FlagC;
    SetHalfAndOverflow(cpu, a, b, r);
    SetZeroFlags(cpu, r);
    return static_cast<uint8_t>(r);
}

inline uint8_t AddDecimal(CpuState& cpu, int a, int b) {
    int lo = (a & 0x0F) + (b & 0x0F) + Carry(cpu);
    KeepOnlyNz(cpu);
    if (lo > 9) {
        lo = ((lo + 6) & 0x0F) + 0x10;
        cpu.F |= FlagH;
    }
    int r = lo + (a & 0xF0) + (b & 0xF0);
    if ((a ^ b ^ r) & 0x80) cpu.F |= FlagV;
    if (r > 0x9F) {
        r += 0x60;
        cpu.F |= FlagC;
    }
    SetZeroFlags(cpu, r);
    return static_cast<uint8_t>(r);
}

inline uint8_t SubtractDecimal(CpuState& cpu, int a, int b) {
    int lo = (a & 0x0F) - (b & 0x0F) - Carry(cpu);
    KeepOnlyNz(cpu);
    // Negative, or a digit above 9: borrow 0x10 from the upper digit.
    if (static_cast<unsigned>(lo) > 9) {
        lo = (lo - 6) | ~0x0F;
        cpu.F |= FlagH;
    }
    int r = lo + (a & 0xF0) - (b & 0xF0);
    if ((a ^ b ^ r) & 0x80) cpu.F |= FlagV;
    if (static_cast<unsigned>(r) > 0x9F) {
        r -= 0x60;
        cpu.F |= FlagC;
    }
    SetZeroFlags(cpu, r);
    return static_cast<uint8_t>(r);
}

inline uint8_t SwapDigits(uint8_t v) { return static_cast<uint8_t>((v << 4) | (v >> 4)); }

}  // namespace alu

// op(a, b) with its effect on F; returns the result byte (for AluLd: b).
inline uint8_t AluBinary(CpuState& cpu, uint8_t op, uint8_t a, uint8_t b) {
    switch (op) {
        case AluAdb: return alu::AddDecimal(cpu, a, b);
        case AluSbb: return alu::SubtractDecimal(cpu, a, b);
        case AluAd: return alu::Add(cpu, a, b);
        case AluSb: return alu::Subtract(cpu, a, b);
        case AluAn: {
            const uint8_t r = a & b;
            alu::KeepOnlyNz(cpu);
            alu::SetZeroFlags(cpu, r);
            return r;
        }
        case AluNa:
            // The one logical operation that leaves the zero flags alone:
            // UZ and LZ end clear and NZ keeps its value.
            alu::KeepOnlyNz(cpu);
            cpu.F |= alu::CarryHalfOverflow;
            return static_cast<uint8_t>(~(a & b));
        case AluOr: {
            const uint8_t r = a | b;
            alu::KeepOnlyNz(cpu);
            cpu.F |= alu::CarryHalfOverflow;
            alu::SetZeroFlags(cpu, r);
            return r;
        }
        case AluXr: {
            const uint8_t r = a ^ b;
            alu::KeepOnlyNz(cpu);
            alu::SetZeroFlags(cpu, r);
            return r;
        }
        case AluBit: {
            const uint8_t r = static_cast<uint8_t>(~a & b);
            alu::KeepOnlyNz(cpu);
            alu::SetZeroFlags(cpu, r);
            return r;
        }
        default:  // AluLd
            return b;
    }
}

// op(p, c): changes p in place, returns the outgoing value.
inline uint8_t AluUnary(CpuState& cpu, uint8_t op, uint8_t& p, uint8_t c) {
    switch (op) {
        case UnNeg: p = alu::Subtract(cpu, 0, p); return 0;
        case UnNegb: p = alu::SubtractDecimal(cpu, 0, p); return 0;
        case UnInv:
            p = static_cast<uint8_t>(~p);
            alu::KeepOnlyNz(cpu);
            cpu.F |= alu::CarryHalfOverflow;
            alu::SetZeroFlags(cpu, p);
            return 0;
        case UnShl: p = alu::Add(cpu, p, p); return 0;
        case UnDbl: p = alu::AddDecimal(cpu, p, p); return 0;
        case UnShr: {
            const uint8_t old = p;
            p = static_cast<uint8_t>((old >> 1) | ((cpu.F & FlagC) ? 0x80 : 0));
            alu::KeepOnlyNz(cpu);
            if (old & 1) cpu.F |= FlagC;
            alu::SetZeroFlags(cpu, p);
            cpu.RegStep = 0xFF;
            return 0;
        }
        case UnSwp: p = alu::SwapDigits(p); return 0;
        case UnDigup: {
            const uint8_t out = p >> 4;
            p = static_cast<uint8_t>((p << 4) | c);
            alu::KeepOnlyNz(cpu);
            alu::SetZeroFlags(cpu, p);
            return out;
        }
        case UnDigdn: {
            const uint8_t out = static_cast<uint8_t>(p << 4);
            p = static_cast<uint8_t>((p >> 4) | c);
            alu::KeepOnlyNz(cpu);
            alu::SetZeroFlags(cpu, p);
            cpu.RegStep = 0xFF;
            return out;
        }
        case UnByteup:
        case UnBytedn: {
            const uint8_t out = p;
            p = c;
            alu::KeepOnlyNz(cpu);
            alu::SetZeroFlags(cpu, p);
            if (op == UnBytedn) cpu.RegStep = 0xFF;
            return out;
        }
        default: {  // UnByteupswap
            const uint8_t out = p;
            p = alu::SwapDigits(c);
            return out;
        }
    }
}

// Exchanges digits of p1 (upper-bank register) and p2; F is not touched.
inline void AluExchange(uint8_t op, uint8_t& p1, uint8_t& p2) {
    const uint8_t a = p1 >> 4, b = p1 & 0x0F;  // p1 = AB
    const uint8_t c = p2 >> 4, d = p2 & 0x0F;  // p2 = CD
    switch (op) {
        case XchXc: p1 = static_cast<uint8_t>((c << 4) | d); p2 = static_cast<uint8_t>((a << 4) | b); break;
        case XchXcls: p1 = static_cast<uint8_t>((b << 4) | d); p2 = static_cast<uint8_t>((a << 4) | c); break;
        case XchXchs: p1 = static_cast<uint8_t>((c << 4) | a); p2 = static_cast<uint8_t>((d << 4) | b); break;
        default: p1 = static_cast<uint8_t>((b << 4) | a); p2 = static_cast<uint8_t>((d << 4) | c); break;
    }
}

}  // namespace varnox
