// The trace: the last steps executed while the debugger is in charge, with
// the registers after each, in a ring allocated once (nothing is allocated
// per step). Also the register text of varnox-tool's --trace-regs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "asm/Symbols.h"
#include "core/Cpu.h"
#include "core/Def.h"

namespace varnox {

constexpr size_t TraceCapacity = 10000;

struct TraceEntry {
    uint16_t Pc = 0;  // where the step started
    StepKind Kind = StepKind::Instruction;
    InstructionWord Word{};  // as fetched at Pc
    // The registers once the step was done.
    uint8_t F = 0, AS = 0, KO = 0, KI = 0, IE = 0, IF = 0;
    std::array<uint16_t, 8> Index{};  // ix, iy, iz, v3, v2, v1, v0, sp
    int32_t Cycles = 0;               // of the step
    uint64_t Total = 0;               // cycles since the trace was cleared
};

class TraceRing {
public:
    TraceRing();

    // Notes where the next step starts (call before the first step).
    void Begin(const Machine& m);
    // Records the step just done; Begin for the next comes with it.
    void Record(const Machine& m, int32_t cycles);
    void Clear();

    size_t Size() const { return size_; }
    // Oldest first.
    const TraceEntry& At(size_t i) const { return entries_[(start_ + i) % entries_.size()]; }

    // One line an entry, oldest first.
    std::string Text(const SymbolTable* symbols) const;

private:
    std::vector<TraceEntry> entries_;
    size_t start_ = 0;
    size_t size_ = 0;
    uint16_t nextPc_ = 0;
    StepKind nextKind_ = StepKind::Instruction;
    uint64_t total_ = 0;
};

// "F=10 AS=00 KO=00 KI=00 IE=00 IF=00 ix=C000 iy=0000 iz=0000 v3=0000
// v2=0000 v1=012C v0=0000 sp=DFF0", on one line.
std::string RegisterLineText(const CpuState& cpu);

// One trace line: the listing line of the step (or "halted" / "interrupt"),
// then the registers and the cycles.
std::string TraceEntryText(const TraceEntry& entry, const SymbolTable* symbols);

}  // namespace varnox
