// The call stack as the stack itself holds it: from sp upward to the end
// of its 8 KB view of RAM, each pair of bytes that is the return address
// of a call (an instruction just before it calls) is a frame. Interrupt entries and data pushed between
// frames are passed over; the walk only reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "asm/Symbols.h"
#include "core/Def.h"

namespace varnox {

// How far above sp the walk looks, and how many frames it gives at most.
constexpr int CallStackScanBytes = 512;
constexpr int CallStackMaxFrames = 64;

struct CallFrame {
    uint16_t Slot = 0;           // where the return address is on the stack (high byte)
    uint16_t ReturnAddress = 0;  // where the caller goes on
    uint16_t CallAddress = 0;    // the calling instruction
    std::optional<uint16_t> Target;  // a cal's target; none for trp
};

// Innermost first.
std::vector<CallFrame> ReadCallStack(const Machine& m);

// "0135 main_loop+9 <- cal calc_enter": where the frame returns to and what
// it called.
std::string CallFrameText(const CallFrame& frame, const SymbolTable* symbols);

// The calling instruction that returns to the address, if an instruction
// that calls ends just before it.
std::optional<uint16_t> CallBefore(const Machine& m, uint16_t returnAddress);

}  // namespace varnox
