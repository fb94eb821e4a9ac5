// The arithmetic-logic unit: binary and decimal arithmetic, logic, the
// one-operand shifts and digit moves, and the digit exchanges, each with its
// exact effect on F. Inline, so that a handler whose operation is fixed
// compiles to that operation alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/Def.h"
#include "core/Exec.h"

namespace varnox {
namespace alu {

constexpr uint8_t CarryHalfOverflow = FlagC | FlagH | FlagV;

// The zero flags of each byte: NZ when it is non-zero, UZ and LZ for zero
// digits. A table, because they are taken after nearly every byte.
constexpr std::array<uint8_t, 256> ZeroFlagsOf = [] {
    std::array<uint8_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        table[static_cast<size_t>(byte)] = static_cast<uint8_t>((byte ? FlagNZ : 0) | ((byte & 0xF0) ? 0 : FlagUZ) |
                                                                ((byte & 0x0F) ? 0 : FlagLZ));
    }
    return table;
}();

// Sets NZ for a non-zero byte (never clears it), UZ and LZ for zero digits.
inline void SetZeroFlags(uint8_t& f, int r) { f |= ZeroFlagsOf[static_cast<size_t>(r & 0xFF)]; }

inline void KeepOnlyNz(uint8_t& f) { f &= FlagNZ; }

inline int Carry(uint8_t f) { return (f & FlagC) ? 1 : 0; }

// Half carry and overflow from the bits that flipped between operands and
// result.
inline void SetHalfAndOverflow(uint8_t& f, int a, int b, int r) {
    const int flipped = a ^ b ^ r;
    static_assert(FlagH == 0x10 << 2 && FlagV == 0x80 >> 2);
    f |= static_cast<uint8_t>(((flipped & 0x10) << 2) | ((flipped & 0x80) >> 2));
}

// F with its carry kept apart. The arithmetic below works on the two: a
// register sequence walks byte by byte, and each byte's sum then waits for
// the carry alone rather than for the whole flags byte to be put together.
struct ChainFlags {
    uint8_t rest;  // F without C
    int carry;     // C, 0 or 1

    explicit ChainFlags(uint8_t f) : rest(static_cast<uint8_t>(f & ~FlagC)), carry(Carry(f)) {}
    uint8_t F() const { return static_cast<uint8_t>(rest | (carry ? FlagC : 0)); }
};

inline uint8_t Add(ChainFlags& f, int a, int b) {
    const int r = a + b + f.carry;
    KeepOnlyNz(f.rest);
    f.carry = r > 0xFF ? 1 : 0;
    SetHalfAndOverflow(f.rest, a, b, r);
    SetZeroFlags(f.rest, r);
    return static_cast<uint8_t>(r);
}

inline uint8_t Subtract(ChainFlags& f, int a, int b) {
    const int r = a - b - f.carry;
    KeepOnlyNz(f.rest);
    f.carry = r < 0 ? 1 : 0;  // a - b - carry never exceeds 0xFF
    SetHalfAndOverflow(f.rest, a, b, r);
    SetZeroFlags(f.rest, r);
    return static_cast<uint8_t>(r);
}

inline uint8_t AddDecimal(ChainFlags& f, int a, int b) {
    int lo = (a & 0x0F) + (b & 0x0F) + f.carry;
    KeepOnlyNz(f.rest);
    if (lo > 9) {
        lo = ((lo + 6) & 0x0F) + 0x10;
        f.rest |= FlagH;
    }
    int r = lo + (a & 0xF0) + (b & 0xF0);
    if ((a ^ b ^ r) & 0x80) f.rest |= FlagV;
    f.carry = r > 0x9F ? 1 : 0;
    if (f.carry) r += 0x60;
    SetZeroFlags(f.rest, r);
    return static_cast<uint8_t>(r);
}

inline uint8_t SubtractDecimal(ChainFlags& f, int a, int b) {
    int lo = (a & 0x0F) - (b & 0x0F) - f.carry;
    KeepOnlyNz(f.rest);
    // Negative, or a digit above 9: borrow 0x10 from the upper digit.
    if (static_cast<unsigned>(lo) > 9) {
        lo = (lo - 6) | ~0x0F;
        f.rest |= FlagH;
    }
    int r = lo + (a & 0xF0) - (b & 0xF0);
    if ((a ^ b ^ r) & 0x80) f.rest |= FlagV;
    f.carry = static_cast<unsigned>(r) > 0x9F ? 1 : 0;
    if (f.carry) r -= 0x60;
    SetZeroFlags(f.rest, r);
    return static_cast<uint8_t>(r);
}

// The same on F as one byte.
template <uint8_t (*Operation)(ChainFlags&, int, int)>
inline uint8_t OnF(uint8_t& f, int a, int b) {
    ChainFlags chain(f);
    const uint8_t r = Operation(chain, a, b);
    f = chain.F();
    return r;
}

inline uint8_t SwapDigits(uint8_t v) { return static_cast<uint8_t>((v << 4) | (v >> 4)); }

inline uint8_t Binary(ChainFlags& f, uint8_t op, uint8_t a, uint8_t b) {
    switch (op) {
        case AluAdb: return AddDecimal(f, a, b);
        case AluSbb: return SubtractDecimal(f, a, b);
        case AluAd: return Add(f, a, b);
        case AluSb: return Subtract(f, a, b);
        case AluAn: {
            const uint8_t r = a & b;
            KeepOnlyNz(f.rest);
            f.carry = 0;
            SetZeroFlags(f.rest, r);
            return r;
        }
        case AluNa:
            // The one logical operation that leaves the zero flags alone:
            // UZ and LZ end clear and NZ keeps its value.
            KeepOnlyNz(f.rest);
            f.rest |= FlagH | FlagV;
            f.carry = 1;
            return static_cast<uint8_t>(~(a & b));
        case AluOr: {
            const uint8_t r = a | b;
            KeepOnlyNz(f.rest);
            f.rest |= FlagH | FlagV;
            f.carry = 1;
            SetZeroFlags(f.rest, r);
            return r;
        }
        case AluXr: {
            const uint8_t r = a ^ b;
            KeepOnlyNz(f.rest);
            f.carry = 0;
            SetZeroFlags(f.rest, r);
            return r;
        }
        case AluBit: {
            const uint8_t r = static_cast<uint8_t>(~a & b);
            KeepOnlyNz(f.rest);
            f.carry = 0;
            SetZeroFlags(f.rest, r);
            return r;
        }
        default:  // AluLd
            return b;
    }
}

inline uint8_t Binary(uint8_t& f, uint8_t op, uint8_t a, uint8_t b) {
    ChainFlags chain(f);
    const uint8_t r = Binary(chain, op, a, b);
    f = chain.F();
    return r;
}

inline uint8_t Unary(CpuState& cpu, uint8_t& f, uint8_t op, uint8_t& p, uint8_t c) {
    switch (op) {
        case UnNeg: p = OnF<Subtract>(f, 0, p); return 0;
        case UnNegb: p = OnF<SubtractDecimal>(f, 0, p); return 0;
        case UnInv:
            p = static_cast<uint8_t>(~p);
            KeepOnlyNz(f);
            f |= CarryHalfOverflow;
            SetZeroFlags(f, p);
            return 0;
        case UnShl: p = OnF<Add>(f, p, p); return 0;
        case UnDbl: p = OnF<AddDecimal>(f, p, p); return 0;
        case UnShr: {
            const uint8_t old = p;
            p = static_cast<uint8_t>((old >> 1) | ((f & FlagC) ? 0x80 : 0));
            KeepOnlyNz(f);
            if (old & 1) f |= FlagC;
            SetZeroFlags(f, p);
            cpu.RegStep = 0xFF;
            return 0;
        }
        case UnSwp: p = SwapDigits(p); return 0;
        case UnDigup: {
            const uint8_t out = p >> 4;
            p = static_cast<uint8_t>((p << 4) | c);
            KeepOnlyNz(f);
            SetZeroFlags(f, p);
            return out;
        }
        case UnDigdn: {
            const uint8_t out = static_cast<uint8_t>(p << 4);
            p = static_cast<uint8_t>((p >> 4) | c);
            KeepOnlyNz(f);
            SetZeroFlags(f, p);
            cpu.RegStep = 0xFF;
            return out;
        }
        case UnByteup:
        case UnBytedn: {
            const uint8_t out = p;
            p = c;
            KeepOnlyNz(f);
            SetZeroFlags(f, p);
            if (op == UnBytedn) cpu.RegStep = 0xFF;
            return out;
        }
        default: {  // UnByteupswap
            const uint8_t out = p;
            p = SwapDigits(c);
            return out;
        }
    }
}

}  // namespace alu

// op(a, b) with its effect on F; returns the result byte (for AluLd: b).
// The flags are worked on in a local and stored once.
inline uint8_t AluBinary(CpuState& cpu, uint8_t op, uint8_t a, uint8_t b) {
    uint8_t f = cpu.F;
    const uint8_t r = alu::Binary(f, op, a, b);
    cpu.F = f;
    return r;
}

// op(p, c): changes p in place, returns the outgoing value.
inline uint8_t AluUnary(CpuState& cpu, uint8_t op, uint8_t& p, uint8_t c) {
    uint8_t f = cpu.F;
    const uint8_t out = alu::Unary(cpu, f, op, p, c);
    cpu.F = f;
    return out;
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
