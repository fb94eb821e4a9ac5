// Placeholder.
#include "peripherals/Keyboard.h"

namespace varnox {

const std::array<KeyTableEntry, KeyCount + 1> KeyTable{};
void KeyScan(Machine&) {}

}  // namespace varnox
