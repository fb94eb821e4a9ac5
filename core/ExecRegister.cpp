// Register instruction families: two-register, register-immediate and
// one-operand forms, each as one byte or as a sequence of up to eight
// registers, plus the test forms that only set flags.
#include "core/Alu.h"
#include "core/Exec.h"
#include "core/FixedArg.h"

namespace varnox {
namespace {

constexpr int32_t CyclesPerByte = 4;
constexpr int32_t NopCycles = 4;

// ld, swp and byteupswap leave F as it is; every other operation starts its
// instruction from a clear F.
inline void ClearFlagsUnlessLoad(CpuState& cpu, uint8_t op) {
    if (op != AluLd) cpu.F = 0;
}

// Operands of the two-register forms.
struct RegPair {
    int lower;
    int upper;
};

inline RegPair TakeRegPair(Machine& m) {
    const auto [b1, b2] = TakeOperandPair(m);
    return {LowerReg(b1), UpperReg(m.Cpu, b2)};
}

// A lower register sequence against an upper one (possibly a window through
// AS that ends early).
struct RegSequences {
    int lower;
    int lowerLast;
    int upper;
    int upperLimit;  // -1: no window end
};

inline RegSequences TakeSequences(Machine& m) {
    const auto [b1, b2] = TakeOperandPair(m);
    return {LowerReg(b1), EndReg(b1, b2), UpperSeqStart(m.Cpu, b1, b2), WindowEnd(m.Cpu, b2)};
}

enum class Store { Result, Nothing };

// Walks the lower sequence, which is counted, against the upper one: `pair`
// runs on each (upper, lower) register pair; when the window ends first,
// `tail` runs on each lower register left over. Returns the bytes walked.
template <class Pair, class Tail>
int32_t WalkForward(Machine& m, Pair pair, Tail tail) {
    CpuState& cpu = m.Cpu;
    const RegSequences seq = TakeSequences(m);
    int src = seq.lower;
    int dst = seq.upper;
    int32_t bytes = 0;
    for (;;) {
        pair(dst, src);
        ++bytes;
        if (src == seq.lowerLast) return bytes;
        if (dst == seq.upperLimit) break;
        src = NextReg(cpu, src);
        dst = NextReg(cpu, dst);
    }
    do {
        src = NextReg(cpu, src);
        tail(src);
        ++bytes;
    } while (src != seq.lowerLast);
    return bytes;
}

// The upper sequence is the destination; lower bytes past the window end
// still run against zero, for their flags. The flags (their carry apart)
// and the cycles are kept in locals over the walk and stored once.
template <Store store>
void RunForward(Machine& m, uint8_t op) {
    CpuState& cpu = m.Cpu;
    auto& R = cpu.MainRegisterFile;
    ClearFlagsUnlessLoad(cpu, op);
    alu::ChainFlags f(cpu.F);
    const int32_t bytes = WalkForward(
        m,
        [&](int dst, int src) {
            const uint8_t r = alu::Binary(f, op, R[dst], R[src]);
            if constexpr (store == Store::Result) R[dst] = r;
        },
        [&](int src) { alu::Binary(f, op, 0, R[src]); });
    cpu.F = f.F();
    cpu.StepCycles += bytes * CyclesPerByte;
}

// The lower sequence is the destination and is counted; missing source bytes
// count as zero, so a carry still runs through the rest of the destination.
template <Store store>
void RunReverse(Machine& m, uint8_t op) {
    CpuState& cpu = m.Cpu;
    auto& R = cpu.MainRegisterFile;
    ClearFlagsUnlessLoad(cpu, op);
    const RegSequences seq = TakeSequences(m);
    alu::ChainFlags f(cpu.F);
    int32_t bytes = 0;
    int dst = seq.lower;
    int src = seq.upper;
    for (;;) {
        const uint8_t r = alu::Binary(f, op, R[dst], R[src]);
        if constexpr (store == Store::Result) R[dst] = r;
        ++bytes;
        if (dst == seq.lowerLast || src == seq.upperLimit) break;
        dst = NextReg(cpu, dst);
        src = NextReg(cpu, src);
    }
    while (dst != seq.lowerLast) {
        dst = NextReg(cpu, dst);
        const uint8_t r = alu::Binary(f, op, R[dst], 0);
        if constexpr (store == Store::Result) R[dst] = r;
        ++bytes;
    }
    cpu.F = f.F();
    cpu.StepCycles += bytes * CyclesPerByte;
}

// A banked lower register sequence with a 6-bit immediate for its first
// byte; later bytes only take the carry (ld fills them all).
template <Store store>
void RunImmediateSequence(Machine& m, uint8_t op) {
    CpuState& cpu = m.Cpu;
    auto& R = cpu.MainRegisterFile;
    ClearFlagsUnlessLoad(cpu, op);
    const auto [b1, b2] = TakeOperandPair(m);
    int r = LowerReg(b1) | cpu.RegBank;
    const int last = EndReg(b1, b2) | cpu.RegBank;
    uint8_t imm = Imm6(b1, b2);
    alu::ChainFlags f(cpu.F);
    int32_t bytes = 0;
    for (;;) {
        const uint8_t result = alu::Binary(f, op, R[r], imm);
        if constexpr (store == Store::Result) R[r] = result;
        ++bytes;
        if (r == last) break;
        r = NextReg(cpu, r);
        if (op != AluLd) imm = 0;
    }
    cpu.F = f.F();
    cpu.StepCycles += bytes * CyclesPerByte;
}

// The one-operand sequence walk shared by UnaryMultiOp and RotateMultiOp:
// the outgoing value of each byte is the incoming value of the next.
void RunUnarySequence(Machine& m, uint8_t op, bool startFromOwnValue) {
    CpuState& cpu = m.Cpu;
    auto& R = cpu.MainRegisterFile;
    const auto [b1, b2] = TakeOperandPair(m);
    int r;
    int limit = -1;
    if (cpu.RegBank == 0x40) {
        r = UpperSeqStart(cpu, b1, b2);
        limit = WindowEnd(cpu, b2);
    } else {
        r = LowerReg(b1);
    }
    uint8_t c = startFromOwnValue ? R[r] : 0;
    int counter = b1 & 7;
    const int last = b2 >> 5;
    uint8_t f = cpu.F;
    int32_t bytes = 0;
    bool windowEnded = false;
    for (;;) {
        c = alu::Unary(cpu, f, op, R[r], c);
        ++bytes;
        if (counter == last) break;
        windowEnded = limit >= 0 && (cpu.RegStep == 1 ? r == limit : r == (limit ^ 7));
        if (windowEnded) break;
        counter = (counter + cpu.RegStep) & 7;
        r = NextReg(cpu, r);
    }
    while (windowEnded && counter != last) {
        counter = (counter + cpu.RegStep) & 7;
        uint8_t zero = 0;
        c = alu::Unary(cpu, f, op, zero, c);
        ++bytes;
    }
    cpu.F = f;
    cpu.StepCycles += bytes * CyclesPerByte;
}

inline int TakeBankedRegister(Machine& m) { return LowerReg(NextOperandByte(m)) | m.Cpu.RegBank; }

}  // namespace

void RegRegOp(Machine& m, uint8_t op) {
    CpuState& cpu = m.Cpu;
    ClearFlagsUnlessLoad(cpu, op);
    const RegPair regs = TakeRegPair(m);
    auto& R = cpu.MainRegisterFile;
    R[regs.upper] = AluBinary(cpu, op, R[regs.upper], R[regs.lower]);
    cpu.StepCycles += CyclesPerByte;
}

void RegRegRevOp(Machine& m, uint8_t op) {
    CpuState& cpu = m.Cpu;
    ClearFlagsUnlessLoad(cpu, op);
    const RegPair regs = TakeRegPair(m);
    auto& R = cpu.MainRegisterFile;
    R[regs.lower] = AluBinary(cpu, op, R[regs.lower], R[regs.upper]);
    cpu.StepCycles += CyclesPerByte;
}

void TestRegRegOp(Machine& m, uint8_t op) {
    CpuState& cpu = m.Cpu;
    ClearFlagsUnlessLoad(cpu, op);
    const RegPair regs = TakeRegPair(m);
    AluBinary(cpu, op, cpu.MainRegisterFile[regs.upper], cpu.MainRegisterFile[regs.lower]);
    cpu.StepCycles += CyclesPerByte;
}

void TestRegRegRevOp(Machine& m, uint8_t op) {
    CpuState& cpu = m.Cpu;
    ClearFlagsUnlessLoad(cpu, op);
    const RegPair regs = TakeRegPair(m);
    AluBinary(cpu, op, cpu.MainRegisterFile[regs.lower], cpu.MainRegisterFile[regs.upper]);
    cpu.StepCycles += CyclesPerByte;
}

void RegRegMultiOp(Machine& m, uint8_t op) { RunForward<Store::Result>(m, op); }
void TestRegRegMultiOp(Machine& m, uint8_t op) { RunForward<Store::Nothing>(m, op); }
void RegRegMultiRevOp(Machine& m, uint8_t op) { RunReverse<Store::Result>(m, op); }
void TestRegRegMultiRevOp(Machine& m, uint8_t op) { RunReverse<Store::Nothing>(m, op); }

void ExchangeOp(Machine& m, uint8_t kind) {
    const RegPair regs = TakeRegPair(m);
    auto& R = m.Cpu.MainRegisterFile;
    AluExchange(kind, R[regs.upper], R[regs.lower]);
    m.Cpu.StepCycles += CyclesPerByte;
}

void ExchangeMultiOp(Machine& m, uint8_t kind) {
    auto& R = m.Cpu.MainRegisterFile;
    const int32_t bytes = WalkForward(
        m, [&](int dst, int src) { AluExchange(kind, R[dst], R[src]); },
        [&](int src) {
            uint8_t zero = 0;  // stands in for the missing upper register
            AluExchange(kind, zero, R[src]);
        });
    m.Cpu.StepCycles += bytes * CyclesPerByte;
}

void RegImmOp(Machine& m, uint8_t op) {
    CpuState& cpu = m.Cpu;
    ClearFlagsUnlessLoad(cpu, op);
    const auto [b1, imm] = TakeOperandPair(m);
    const int r = LowerReg(b1) | cpu.RegBank;
    cpu.MainRegisterFile[r] = AluBinary(cpu, op, cpu.MainRegisterFile[r], imm);
    cpu.StepCycles += CyclesPerByte;
}

void TestRegImmOp(Machine& m, uint8_t op) {
    CpuState& cpu = m.Cpu;
    ClearFlagsUnlessLoad(cpu, op);
    const auto [b1, imm] = TakeOperandPair(m);
    const int r = LowerReg(b1) | cpu.RegBank;
    AluBinary(cpu, op, cpu.MainRegisterFile[r], imm);
    cpu.StepCycles += CyclesPerByte;
}

void RegImmMultiOp(Machine& m, uint8_t op) { RunImmediateSequence<Store::Result>(m, op); }
void TestRegImmMultiOp(Machine& m, uint8_t op) { RunImmediateSequence<Store::Nothing>(m, op); }

// The one-byte one-operand forms add no cycles of their own.
void UnaryOp(Machine& m, uint8_t op) {
    CpuState& cpu = m.Cpu;
    if (op != UnSwp) cpu.F = 0;
    const int r = TakeBankedRegister(m);
    AluUnary(cpu, op, cpu.MainRegisterFile[r], 0);
}

void RotateOp(Machine& m, uint8_t op) {
    CpuState& cpu = m.Cpu;
    cpu.F &= FlagC;  // the carry of the previous instruction rotates in
    const int r = TakeBankedRegister(m);
    AluUnary(cpu, op, cpu.MainRegisterFile[r], 0);
}

void UnaryMultiOp(Machine& m, uint8_t op) {
    const bool swapUp = op == UnByteupswap;
    if (!swapUp) m.Cpu.F = 0;
    RunUnarySequence(m, op, swapUp);
}

void RotateMultiOp(Machine& m, uint8_t op) {
    m.Cpu.F &= FlagC;
    RunUnarySequence(m, op, false);
}

void UnaryRangeOp(Machine& m, uint8_t op) {
    CpuState& cpu = m.Cpu;
    auto& R = cpu.MainRegisterFile;
    cpu.F = 0;
    const auto [b1, b2] = TakeOperandPair(m);
    int r = LowerReg(b1) | cpu.RegBank;
    const int last = EndReg(b1, b2) | cpu.RegBank;
    uint8_t c = 0;
    uint8_t f = cpu.F;
    int32_t bytes = 0;
    for (;;) {
        c = alu::Unary(cpu, f, op, R[r], c);
        ++bytes;
        if (r == last) break;
        r = NextReg(cpu, r);
    }
    cpu.F = f;
    cpu.StepCycles += bytes * CyclesPerByte;
}

void NopOp(Machine& m, uint8_t) { m.Cpu.StepCycles += NopCycles; }

std::span<const FixedArgFamily> RegisterFixedArgFamilies() {
    static constexpr FixedArgFamily families[] = {
        FixedArgs<RegRegOp, AluOpCount>(),          FixedArgs<RegRegRevOp, AluOpCount>(),
        FixedArgs<RegRegMultiOp, AluOpCount>(),     FixedArgs<RegRegMultiRevOp, AluOpCount>(),
        FixedArgs<TestRegRegOp, AluOpCount>(),      FixedArgs<TestRegRegRevOp, AluOpCount>(),
        FixedArgs<TestRegRegMultiOp, AluOpCount>(), FixedArgs<TestRegRegMultiRevOp, AluOpCount>(),
        FixedArgs<RegImmOp, AluOpCount>(),          FixedArgs<TestRegImmOp, AluOpCount>(),
        FixedArgs<RegImmMultiOp, AluOpCount>(),     FixedArgs<TestRegImmMultiOp, AluOpCount>(),
        FixedArgs<UnaryOp, UnaryKindCount>(),       FixedArgs<RotateOp, UnaryKindCount>(),
        FixedArgs<UnaryMultiOp, UnaryKindCount>(),  FixedArgs<RotateMultiOp, UnaryKindCount>(),
        FixedArgs<UnaryRangeOp, UnaryKindCount>(),  FixedArgs<ExchangeOp, ExchangeKindCount>(),
        FixedArgs<ExchangeMultiOp, ExchangeKindCount>(),
    };
    return families;
}

}  // namespace varnox
