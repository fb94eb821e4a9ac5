#include "debugger/TraceRing.h"

#include <algorithm>
#include <cstdio>

#include "asm/NamedListing.h"
#include "asm/Dis.h"
#include "asm/OpcodeTable.h"
#include "core/InstructionRead.h"

namespace varnox {
namespace {

constexpr size_t TraceTextColumn = 36;

}  // namespace

TraceRing::TraceRing() : entries_(TraceCapacity) {}

void TraceRing::Begin(const Machine& m) {
    nextPc_ = m.Cpu.PC;
    nextKind_ = PeekStepKind(m);
}

void TraceRing::Record(const Machine& m, int32_t cycles) {
    TraceEntry& entry = entries_[(start_ + size_) % entries_.size()];
    if (size_ < entries_.size()) {
        ++size_;
    } else {
        start_ = (start_ + 1) % entries_.size();
    }
    const CpuState& cpu = m.Cpu;
    entry.Pc = nextPc_;
    entry.Kind = nextKind_;
    entry.Word = nextKind_ == StepKind::Instruction ? cpu.InstrBytes : InstructionWord{};
    entry.F = cpu.F;
    entry.AS = cpu.AS;
    entry.KO = cpu.KO;
    entry.KI = cpu.KI;
    entry.IE = cpu.IE;
    entry.IF = cpu.IF;
    for (int n = 0; n < 8; ++n) entry.Index[static_cast<size_t>(n)] = GetIndex(cpu, n);
    entry.Cycles = cycles;
    total_ += static_cast<uint64_t>(cycles < 0 ? 0 : cycles);
    entry.Total = total_;
    Begin(m);
}

void TraceRing::Clear() {
    start_ = 0;
    size_ = 0;
    total_ = 0;
}

std::string TraceRing::Text(const SymbolTable* symbols) const {
    std::string text;
    for (size_t i = 0; i < size_; ++i) {
        text += TraceEntryText(At(i), symbols);
        text += '\n';
    }
    return text;
}

std::string RegisterLineText(const CpuState& cpu) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "F=%02X AS=%02X KO=%02X KI=%02X IE=%02X IF=%02X ix=%04X iy=%04X iz=%04X v3=%04X v2=%04X v1=%04X "
                  "v0=%04X sp=%04X",
                  cpu.F, cpu.AS, cpu.KO, cpu.KI, cpu.IE, cpu.IF, GetIndex(cpu, RegIx), GetIndex(cpu, RegIy),
                  GetIndex(cpu, RegIz), GetIndex(cpu, RegV3), GetIndex(cpu, RegV2), GetIndex(cpu, RegV1),
                  GetIndex(cpu, RegV0), GetIndex(cpu, RegSp));
    return text;
}

std::string TraceEntryText(const TraceEntry& entry, const SymbolTable* symbols) {
    char head[16];
    std::snprintf(head, sizeof head, "%04X: ", entry.Pc);
    std::string text = head;
    switch (entry.Kind) {
        case StepKind::Idle: text += "halted"; break;
        case StepKind::Interrupt: text += "interrupt"; break;
        case StepKind::Instruction: {
            const unsigned opcode = OpcodeOfWord(entry.Word);
            text += MnemonicOf(opcode);
            const std::string operands = symbols ? NamedOperands(opcode, entry.Word[1], entry.Word[2], *symbols)
                                                 : Disassemble(opcode, entry.Word[1], entry.Word[2]);
            if (!operands.empty()) {
                text.resize(std::max(text.size() + 1, size_t{ListingOperandColumn}), ' ');
                text += operands;
            }
            break;
        }
    }
    text.resize(std::max(text.size() + 1, TraceTextColumn), ' ');
    CpuState cpu;
    cpu.F = entry.F;
    cpu.AS = entry.AS;
    cpu.KO = entry.KO;
    cpu.KI = entry.KI;
    cpu.IE = entry.IE;
    cpu.IF = entry.IF;
    for (int n = 0; n < 8; ++n) SetIndex(cpu, n, entry.Index[static_cast<size_t>(n)]);
    char cycles[48];
    std::snprintf(cycles, sizeof cycles, " CYC=%d T=%llu", entry.Cycles, static_cast<unsigned long long>(entry.Total));
    return text + RegisterLineText(cpu) + cycles;
}

}  // namespace varnox
