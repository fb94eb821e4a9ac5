#include "system/KeyMap.h"

#include <string_view>

#include "peripherals/Keyboard.h"

namespace varnox {
namespace {

// Characters in the order of the keys they press; 'a' fills places that
// no upper-cased character can match.
constexpr std::string_view KeyLabels = "ABCDEFGHIJKLMNOaaPQRSTUVWXYZ[] ()aa789aa456*/123+-0.";

struct NamedKey {
    int virtualKey;
    const char* name;
    int key;
};

constexpr NamedKey NamedKeys[] = {
    {VkReturn, "Enter", KeyEnter}, {VkEscape, "Esc", KeyEscape}, {VkEnd, "End", KeyEnd},
    {VkHome, "Home", KeyHome},     {VkLeft, "Left", KeyLeft},    {VkUp, "Up", KeyUp},
    {VkRight, "Right", KeyRight},  {VkDown, "Down", KeyDown},    {VkDelete, "Delete", KeyDelete},
    {VkF8, "F8", KeyF8},
};

}  // namespace

CharacterKey KeyOfCharacter(char32_t c) {
    if (c >= U'a' && c <= U'z') c = c - U'a' + U'A';
    if (c == U'"') return {KeyQuote, false};
    if (c == U':') return {KeyColon, false};
    if (c > 0x7F) return {};
    const auto found = KeyLabels.find(static_cast<char>(c));
    if (found == std::string_view::npos) return {};
    // Positions 1..31 are keys 19..49 (letters A.. and ( ) [ ] space),
    // positions 36.. are keys 31.. (digits and operators).
    const int p = static_cast<int>(found) + 1;
    return {p <= 31 ? p + 18 : p - 5, true};
}

int KeyOfVirtualKey(int virtualKey) {
    for (const NamedKey& named : NamedKeys) {
        if (named.virtualKey == virtualKey) return named.key;
    }
    return 0;
}

std::vector<std::string> PcKeysOf(int key) {
    std::vector<std::string> names;
    // Capital letters first, then the other characters; small letters hold
    // the same keys as their capitals.
    for (const bool letters : {true, false}) {
        for (char32_t c = U' '; c < 0x7F; ++c) {
            if ((c >= U'A' && c <= U'Z') != letters || (c >= U'a' && c <= U'z')) continue;
            if (KeyOfCharacter(c).key != key) continue;
            names.push_back(c == U' ' ? "Space" : std::string(1, static_cast<char>(c)));
        }
    }
    for (const NamedKey& named : NamedKeys) {
        if (named.key == key) names.push_back(named.name);
    }
    return names;
}

}  // namespace varnox
