// The key matrix: KO drives lines, KI reads back the held keys.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace varnox {

constexpr int KeyCount = 53;

// Keys that the window's PC keys and switches press by name; the letter,
// digit and punctuation keys follow the window's character map.
enum KeyNumber : int {
    KeyHome = 1,
    KeyEnd = 2,
    KeyQuote = 3,
    KeyLeft = 4,
    KeyRight = 5,
    KeyUp = 10,
    KeyDown = 11,
    KeyColon = 13,
    KeyDelete = 34,
    KeyEscape = 35,  // the wake key: its lines are what off leaves driven
    KeyEnter = 50,
    KeyF8 = 52,      // no on-screen button
    PrintSwitchKey = 53,
};

struct KeyTableEntry {
    uint8_t mask;  // KO lines that must all be driven
    uint8_t bit;   // KI bit the key then sets
};

// Indexed by key number; entry 0 is unused.
extern const std::array<KeyTableEntry, KeyCount + 1> KeyTable;

// KI bit 0: a key on it wakes a halted processor.
constexpr uint8_t KeyWakeBit = 0x01;

// What KI reads with these keys held and KO driving its lines; nothing
// while KO drives no line of the matrix, and KI keeps its value.
std::optional<uint8_t> ScanKeyMatrix(uint8_t ko, std::span<const int32_t> heldKeys, bool selfTestRequest);

}  // namespace varnox
