#include "debugger/CallStack.h"

#include <cstdio>

#include "asm/OpcodeTable.h"
#include "core/InstructionRead.h"
#include "core/InstructionSet.h"
#include "debugger/AddressText.h"

#include "asm/SourceExpr.h"

namespace varnox {
namespace {

bool IsCall(unsigned opcode) {
    const Instruction& instruction = InstructionSet[opcode % OpcodeCount];
    return SameMnemonic("cal", instruction.mnemonic) || SameMnemonic("trp", instruction.mnemonic);
}

}  // namespace

std::optional<uint16_t> CallBefore(const Machine& m, uint16_t returnAddress) {
    // A ROM word is one address long; in data memory a call takes 3 bytes
    // and a trap 2.
    for (int length = 1; length <= 3; ++length) {
        if (returnAddress < length) break;
        const auto at = static_cast<uint16_t>(returnAddress - length);
        if ((at < DataInstrStart) != (length == 1)) continue;
        const InstructionAt instruction = ReadInstructionAt(m, at);
        if (instruction.Next == returnAddress && IsCall(instruction.Opcode)) return at;
    }
    return std::nullopt;
}

std::vector<CallFrame> ReadCallStack(const Machine& m) {
    std::vector<CallFrame> frames;
    const uint16_t sp = GetIndex(m.Cpu, RegSp);
    // The stack lives in one 8 KB view of RAM, up to its end: past it the
    // same RAM shows again from its start, where the variables are. A
    // pointer at the start of a view is an empty stack below the last one.
    const int viewEnd = (sp & ~(DataRamBytes - 1)) + DataRamBytes;
    if (!(sp & 0x4000) || sp % DataRamBytes == 0) return frames;
    for (int offset = 0; offset + 1 < CallStackScanBytes && static_cast<int>(frames.size()) < CallStackMaxFrames;) {
        const int slot = sp + offset;
        if (slot + 1 >= viewEnd) break;
        const auto address = static_cast<uint16_t>(slot);
        const auto returnAddress = static_cast<uint16_t>((MemReadUngated(m, address) << 8) |
                                                         MemReadUngated(m, static_cast<uint16_t>(address + 1)));
        const std::optional<uint16_t> call = CallBefore(m, returnAddress);
        if (!call) {
            ++offset;
            continue;
        }
        CallFrame frame{address, returnAddress, *call, std::nullopt};
        const InstructionAt instruction = ReadInstructionAt(m, *call);
        if (OpcodeTable[instruction.Opcode].Form == OperandForm::ConditionImm16) {
            frame.Target = static_cast<uint16_t>((instruction.Word[1] << 8) | instruction.Word[2]);
        }
        frames.push_back(frame);
        offset += 2;
    }
    return frames;
}

std::string CallFrameText(const CallFrame& frame, const SymbolTable* symbols) {
    char head[8];
    std::snprintf(head, sizeof head, "%04X ", frame.ReturnAddress);
    std::string text = Concat({head, CodePlace(frame.ReturnAddress, symbols)});
    text += frame.Target ? Concat({" <- cal ", CodePlace(*frame.Target, symbols)}) : std::string(" <- trp");
    return text;
}

}  // namespace varnox
