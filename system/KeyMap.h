// Which calculator key each typed character and each named PC key holds,
// for the window's key handlers and for the key map it shows.
#pragma once

#include <string>
#include <vector>

namespace varnox {

// PC key codes as the key handlers of both windows know them.
enum VirtualKey : int {
    VkReturn = 13,
    VkEscape = 27,
    VkPageUp = 33,
    VkPageDown = 34,
    VkEnd = 35,
    VkHome = 36,
    VkLeft = 37,
    VkUp = 38,
    VkRight = 39,
    VkDown = 40,
    VkDelete = 46,
    VkF3 = 114,
    VkF8 = 119,
};

struct CharacterKey {
    int key = 0;        // 0: the character holds no key
    bool scan = false;  // the double quote and the colon hold their keys without a key scan
};

CharacterKey KeyOfCharacter(char32_t character);

// 0 for keys that hold none (F3 opens the debugger instead).
int KeyOfVirtualKey(int virtualKey);

// The characters (upper case) and PC key names that hold the key, in the
// order "M", "7" or "Enter".
std::vector<std::string> PcKeysOf(int key);

}  // namespace varnox
