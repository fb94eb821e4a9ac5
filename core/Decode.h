// The dispatch table: each 9-bit opcode selects a handler family and the
// argument that parameterises it.
#pragma once

#include <array>
#include <cstdint>

#include "core/Def.h"
#include "core/Exec.h"

namespace varnox {

struct DispatchEntry {
    Handler handler;
    uint8_t arg;
};

extern const std::array<DispatchEntry, 512> DispatchTable;

// Fetches one instruction and runs its handler.
void DecodeAndDispatch(Machine& m);

}  // namespace varnox
