// The 512-entry dispatch table, taken from the instruction set's
// description, and the decode of one instruction.
#include "core/Decode.h"

#include "core/FixedArg.h"
#include "core/InstructionSet.h"

namespace varnox {
namespace {

Handler WithFixedArg(Handler family, uint8_t arg) {
    for (const auto& families : {RegisterFixedArgFamilies(), MemoryFixedArgFamilies(), ControlFixedArgFamilies()}) {
        for (const FixedArgFamily& f : families) {
            if (f.family == family && arg < f.instances.size()) return f.instances[arg];
        }
    }
    return family;
}

// pst to IF or IE, cani, rti and off change the ports and requests; the
// LCD transfers set the controller's mode bits and, through its commands,
// the timer period. pst to KO scans the keys, which can only clear Halted,
// already clear while an instruction runs.
bool TouchesRunState(const Instruction& instruction) {
    const Handler h = instruction.handler;
    if (h == PutImmOp || h == PutRegOp) return instruction.arg == PortIF || instruction.arg == PortIE;
    for (const Handler changer : {CancelIrqOp, ReturnIrqOp, OffOp, LcdLoadOp, LcdLoadLowOp, LcdStoreOp, LcdStoreLowOp,
                                  LcdLoadMultiOp, LcdLoadLowMultiOp, LcdStoreMultiOp, LcdStoreLowMultiOp}) {
        if (h == changer) return true;
    }
    return false;
}

std::array<DispatchEntry, OpcodeCount> BuildTable() {
    std::array<DispatchEntry, OpcodeCount> table{};
    for (unsigned opcode = 0; opcode < OpcodeCount; ++opcode) {
        const Instruction& instruction = InstructionSet[opcode];
        table[opcode] = DispatchEntry{WithFixedArg(instruction.handler, instruction.arg), instruction.arg,
                                      TouchesRunState(instruction)};
    }
    return table;
}

}  // namespace

const std::array<DispatchEntry, 512> DispatchTable = BuildTable();

DecodedWord DecodeWord(const Machine& m, uint16_t wordAddress) {
    const uint8_t* bytes = &m.InstrRom[3u * wordAddress];
    DecodedWord decoded;
    std::memcpy(&decoded.window, bytes, sizeof decoded.window);
    const DispatchEntry& entry = DispatchTable[bytes[0] | ((bytes[1] & 0x80u) << 1)];
    decoded.arg = entry.arg;
    decoded.regBank = RegBankOf(bytes[0]);
    decoded.touchesRunState = entry.touchesRunState;
    decoded.handler = entry.handler;
    return decoded;
}

void DecodeThenRun(Machine& m, uint8_t) {
    CpuState& cpu = m.Cpu;
    DecodedWord& decoded = m.Decoded[cpu.InstrPC];
    decoded = DecodeWord(m, cpu.InstrPC);
    cpu.RegBank = decoded.regBank;
    decoded.handler(m, decoded.arg);
}

void DecodeAndDispatchPlain(Machine& m) {
    const unsigned opcode = FetchInstruction(m);
    m.Cpu.RegBank = RegBankOf(m.Cpu.InstrBytes[0]);
    m.Cpu.RegStep = 1;
    const Instruction& instruction = InstructionSet[opcode];
    instruction.handler(m, instruction.arg);
}

}  // namespace varnox
