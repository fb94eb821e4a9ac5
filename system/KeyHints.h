// The PC keys written beside each key of the face: those of the key map
// that the key's face does not already say ("F1" by MENU, "M" by 7, none
// by A), short enough to stand above a key.
#pragma once

#include <string>

#include "system/KeyMap.h"

namespace varnox {

// Key 1..50's hint under `map`: the PC keys' short names, separated by
// spaces; empty when the face says them all.
std::string KeyHint(const KeyMap& map, int key);

}  // namespace varnox
