// Memory instructions: loads and stores through the index registers, the
// 16-bit index register instructions, the block move and the byte search.
#include "core/Exec.h"
#include "core/FixedArg.h"

namespace varnox {
namespace {

constexpr int32_t OneRegisterCycles = 12;
constexpr int32_t PerRegisterCycles = 4;
constexpr int32_t SequenceCycles = 8;  // on top of the per-register cost
constexpr int32_t LoadWordCycles = 4;
constexpr int32_t IndexArithmeticCycles = 6;
constexpr int32_t StoreImmediateCycles = 6;
constexpr int32_t BlockMoveCycles = 14;  // per byte, one byte a step
constexpr int32_t SearchCycles = 16;     // per byte, one byte a step

enum class Direction { Store, Load };

// Moves one byte between register r and the data address.
inline void MoveByte(Machine& m, Direction dir, int r, uint16_t address) {
    if (dir == Direction::Store) {
        MemWritePtr(m, address) = m.Cpu.MainRegisterFile[r];
    } else {
        m.Cpu.MainRegisterFile[r] = MemReadPtr(m, address);
    }
}

// st / ld of one register with a step of the index register.
void IndexStepOne(Machine& m, uint8_t step, Direction dir) {
    CpuState& cpu = m.Cpu;
    const int n = IndexSelector(cpu.InstrBytes[0]);
    const uint16_t address = ApplyIndexStep(cpu, step, n, 1);
    const uint8_t b1 = NextOperandByte(m);
    MoveByte(m, dir, LowerReg(b1) + cpu.RegBank, address);
    cpu.StepCycles += OneRegisterCycles;
}

// stm / ldm with a step of the index register per byte; a decrementing step
// walks the registers down with the addresses.
void IndexStepSequence(Machine& m, uint8_t step, Direction dir) {
    CpuState& cpu = m.Cpu;
    const int n = IndexSelector(cpu.InstrBytes[0]);
    const auto [b1, b2] = TakeOperandPair(m);
    int r = LowerReg(b1) + cpu.RegBank;
    const int last = EndReg(b1, b2) + cpu.RegBank;
    for (;;) {
        const uint16_t address = ApplyIndexStep(cpu, step, n, 1);
        MoveByte(m, dir, r, address);
        cpu.StepCycles += PerRegisterCycles;
        if (r == last) break;
        r = NextReg(cpu, r);
    }
    cpu.StepCycles += SequenceCycles;
}

// st / ld of one register at the index plus or minus an 8-bit displacement.
void DisplacedOne(Machine& m, uint8_t step, Direction dir) {
    CpuState& cpu = m.Cpu;
    const int n = IndexSelector(cpu.InstrBytes[0]);
    cpu.EffAddr = GetIndex(cpu, n);
    const auto [b1, b2] = TakeOperandPair(m);
    const int r = LowerReg(b1);
    ApplyIndexStep(cpu, step, n, b2);
    MoveByte(m, dir, r, cpu.EffAddr);
    cpu.StepCycles += OneRegisterCycles;
}

// st / ld of an upper register at the index plus or minus a register.
void RegDisplacedOne(Machine& m, uint8_t step, Direction dir) {
    CpuState& cpu = m.Cpu;
    const int n = IndexSelector(cpu.InstrBytes[0]);
    cpu.EffAddr = GetIndex(cpu, n);
    const auto [b1, b2] = TakeOperandPair(m);
    ApplyIndexStep(cpu, step, n, cpu.MainRegisterFile[LowerReg(b1)]);
    MoveByte(m, dir, UpperReg(cpu, b2), cpu.EffAddr);
    cpu.StepCycles += OneRegisterCycles;
}

// stm / ldm of a lower sequence at the index plus or minus a 6-bit
// immediate; subtracting walks memory and registers down.
void DisplacedSequence(Machine& m, uint8_t step, Direction dir) {
    CpuState& cpu = m.Cpu;
    const int n = IndexSelector(cpu.InstrBytes[0]);
    cpu.EffAddr = GetIndex(cpu, n);
    const auto [b1, b2] = TakeOperandPair(m);
    ApplyIndexStep(cpu, step, n, Imm6(b1, b2));
    int r = LowerReg(b1);
    const int last = EndReg(b1, b2);
    for (;;) {
        MoveByte(m, dir, r, cpu.EffAddr);
        cpu.StepCycles += PerRegisterCycles;
        if (r == last) break;
        r = NextReg(cpu, r);
        ApplyIndexStep(cpu, step, n, 1);
    }
    cpu.StepCycles += SequenceCycles;
}

// stm / ldm of an upper sequence at the index plus or minus a register; the
// lower operand both gives the displacement and counts the bytes.
void RegDisplacedSequence(Machine& m, uint8_t step, Direction dir) {
    CpuState& cpu = m.Cpu;
    const int n = IndexSelector(cpu.InstrBytes[0]);
    cpu.EffAddr = GetIndex(cpu, n);
    const auto [b1, b2] = TakeOperandPair(m);
    int counter = LowerReg(b1);
    ApplyIndexStep(cpu, step, n, cpu.MainRegisterFile[counter]);
    const int last = EndReg(b1, b2);
    int r = UpperSeqStart(cpu, b1, b2);
    for (;;) {
        MoveByte(m, dir, r, cpu.EffAddr);
        cpu.StepCycles += PerRegisterCycles;
        if (counter == last) break;
        counter = NextReg(cpu, counter);
        r = NextReg(cpu, r);
        ApplyIndexStep(cpu, step, n, 1);
    }
    cpu.StepCycles += SequenceCycles;
}

}  // namespace

void LoadWordOp(Machine& m, uint8_t) {
    CpuState& cpu = m.Cpu;
    const int n = cpu.InstrBytes[0] & 7;
    const auto [high, low] = TakeOperandPair(m);
    cpu.MainRegisterFile[IndexHighBase + n] = high;
    cpu.MainRegisterFile[IndexLowBase + n] = low;
    cpu.StepCycles += LoadWordCycles;
}

void IndexImmOp(Machine& m, uint8_t arg) {
    CpuState& cpu = m.Cpu;
    const int n = IndexSelector(cpu.InstrBytes[0]);
    const uint8_t d = NextOperandByte(m);
    const uint16_t value = GetIndex(cpu, n);
    SetIndex(cpu, n, static_cast<uint16_t>(arg == StepSubDisp ? value - d : value + d));
    cpu.StepCycles += IndexArithmeticCycles;
}

void StoreIndexOp(Machine& m, uint8_t arg) { IndexStepOne(m, arg, Direction::Store); }
void LoadIndexOp(Machine& m, uint8_t arg) { IndexStepOne(m, arg, Direction::Load); }
void StoreIndexMultiOp(Machine& m, uint8_t arg) { IndexStepSequence(m, arg, Direction::Store); }
void LoadIndexMultiOp(Machine& m, uint8_t arg) { IndexStepSequence(m, arg, Direction::Load); }

void StoreImmOp(Machine& m, uint8_t arg) {
    CpuState& cpu = m.Cpu;
    const int n = IndexSelector(cpu.InstrBytes[0]);
    const uint16_t address = ApplyIndexStep(cpu, arg, n, 1);
    MemWritePtr(m, address) = NextOperandByte(m);
    cpu.StepCycles += StoreImmediateCycles;
}

void StoreDispOp(Machine& m, uint8_t arg) { DisplacedOne(m, arg, Direction::Store); }
void LoadDispOp(Machine& m, uint8_t arg) { DisplacedOne(m, arg, Direction::Load); }
void StoreRegDispOp(Machine& m, uint8_t arg) { RegDisplacedOne(m, arg, Direction::Store); }
void LoadRegDispOp(Machine& m, uint8_t arg) { RegDisplacedOne(m, arg, Direction::Load); }
void StoreDispMultiOp(Machine& m, uint8_t arg) { DisplacedSequence(m, arg, Direction::Store); }
void LoadDispMultiOp(Machine& m, uint8_t arg) { DisplacedSequence(m, arg, Direction::Load); }
void StoreRegDispMultiOp(Machine& m, uint8_t arg) { RegDisplacedSequence(m, arg, Direction::Store); }
void LoadRegDispMultiOp(Machine& m, uint8_t arg) { RegDisplacedSequence(m, arg, Direction::Load); }

// One byte per step, so interrupts can enter between bytes; the instruction
// repeats itself until ix has reached iy.
void BlockMoveOp(Machine& m, uint8_t arg) {
    CpuState& cpu = m.Cpu;
    const uint8_t value = MemReadPtr(m, ApplyIndexStep(cpu, arg, RegIx, 1));
    MemWritePtr(m, ApplyIndexStep(cpu, arg, RegIz, 1)) = value;
    if (GetIndex(cpu, RegIx) != GetIndex(cpu, RegIy)) cpu.PC = cpu.InstrPC;
    cpu.StepCycles += BlockMoveCycles;
}

// One byte per step; stops with the index on the first matching byte or on
// iy. The compared byte is the one a write would reach.
void SearchOp(Machine& m, uint8_t arg) {
    CpuState& cpu = m.Cpu;
    const int n = IndexSelector(cpu.InstrBytes[0]);
    const uint16_t address = ApplyIndexStep(cpu, arg, n, 1);
    const uint8_t value = MemSearchByte(m, address);
    const uint8_t b1 = NextOperandByte(m);
    const uint8_t wanted = cpu.MainRegisterFile[LowerReg(b1) + cpu.RegBank];
    if (value != wanted && address != GetIndex(cpu, RegIy)) cpu.PC = cpu.InstrPC;
    cpu.StepCycles += SearchCycles;
}

std::span<const FixedArgFamily> MemoryFixedArgFamilies() {
    static constexpr FixedArgFamily families[] = {
        FixedArgs<IndexImmOp, IndexStepOpCount>(),          FixedArgs<StoreIndexOp, IndexStepOpCount>(),
        FixedArgs<LoadIndexOp, IndexStepOpCount>(),         FixedArgs<StoreIndexMultiOp, IndexStepOpCount>(),
        FixedArgs<LoadIndexMultiOp, IndexStepOpCount>(),    FixedArgs<StoreImmOp, IndexStepOpCount>(),
        FixedArgs<StoreDispOp, IndexStepOpCount>(),         FixedArgs<LoadDispOp, IndexStepOpCount>(),
        FixedArgs<StoreRegDispOp, IndexStepOpCount>(),      FixedArgs<LoadRegDispOp, IndexStepOpCount>(),
        FixedArgs<StoreDispMultiOp, IndexStepOpCount>(),    FixedArgs<LoadDispMultiOp, IndexStepOpCount>(),
        FixedArgs<StoreRegDispMultiOp, IndexStepOpCount>(), FixedArgs<LoadRegDispMultiOp, IndexStepOpCount>(),
        FixedArgs<BlockMoveOp, IndexStepOpCount>(),         FixedArgs<SearchOp, IndexStepOpCount>(),
    };
    return families;
}

}  // namespace varnox
