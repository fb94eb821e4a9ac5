// The key matrix: KO drives lines, KI reads back the held keys.
#pragma once

#include <array>
#include <cstdint>

#include "core/Def.h"

namespace varnox {

constexpr int KeyCount = 53;
constexpr int PrintSwitchKey = 53;

struct KeyTableEntry {
    uint8_t mask;  // KO lines that must all be driven
    uint8_t bit;   // KI bit the key then sets
};

// Indexed by key number; entry 0 is unused.
extern const std::array<KeyTableEntry, KeyCount + 1> KeyTable;

// Recomputes KI from KO, HeldKeys and the self-test request; a key on the
// wake line (KI bit 0) clears Halted.
void KeyScan(Machine& m);

}  // namespace varnox
