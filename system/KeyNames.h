// The calculator's keys by name, for scripts and command lines: the words
// on their faces ("CALC", "7", "="), and names for the faces a keyboard
// cannot type ("LEFT" for the arrow, "ESC" for ON/C, "ENTER" for =).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnox {

// Key 1..53 of the name, any case; 0 for no such name. Numbers are not
// names: "7" is the key whose face says 7.
int KeyNamed(std::string_view name);

// The key's first name ("CALC"); empty for a key without one.
std::string KeyName(int key);

// Every name, each key's first name first.
std::vector<std::string> AllKeyNames();

// The names closest to a name that is none, nearest first, at most `most`:
// for a message that says what was meant.
std::vector<std::string> CloseKeyNames(std::string_view name, size_t most = 3);

}  // namespace varnox
