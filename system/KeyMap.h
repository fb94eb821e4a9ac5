// Which calculator key each PC key holds: the map the window's key handlers
// read and the user edits, its defaults, the names it is stored and shown
// by, and the PC keys the window keeps for itself.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnox {

// PC key codes as the key handlers of both windows know them.
enum VirtualKey : int {
    VkBack = 8,
    VkTab = 9,
    VkReturn = 13,
    VkPause = 19,
    VkEscape = 27,
    VkPageUp = 33,
    VkPageDown = 34,
    VkEnd = 35,
    VkHome = 36,
    VkLeft = 37,
    VkUp = 38,
    VkRight = 39,
    VkDown = 40,
    VkPrint = 44,
    VkInsert = 45,
    VkDelete = 46,
    VkF1 = 112,
    VkF2 = 113,
    VkF3 = 114,
    VkF4 = 115,
    VkF5 = 116,
    VkF6 = 117,
    VkF7 = 118,
    VkF8 = 119,
    VkF9 = 120,
    VkF12 = 123,
};

// A PC key as the map holds it: a typed character (printable ASCII, letters
// upper case) as its code, or a key that types none as PcKeyOfCode(its
// virtual-key code). 0 is no key.
using PcKey = int;

PcKey PcKeyOfCharacter(char32_t character);  // 0 for characters no key of the map types
PcKey PcKeyOfCode(int virtualKey);           // 0 for codes the map does not know

// "A", "(", "Space", "Enter", "PageUp", "F1"; and back, 0 for no such name.
std::string PcKeyName(PcKey key);
PcKey PcKeyNamed(std::string_view name);

// What the window does with a PC key it keeps for itself (F3, Tab, F9..F12,
// Print), which therefore holds no calculator key; nothing for the others.
std::optional<std::string> ReservedUse(PcKey key);

// The calculator keys a PC key can hold: all but the print switch.
constexpr int FirstMappedKey = 1;
constexpr int LastMappedKey = 52;

struct CharacterKey {
    int key = 0;        // 0: the character holds no key
    bool scan = false;  // the double quote and the colon hold their keys without a key scan
};

class KeyMap {
public:
    // The default map.
    KeyMap();

    // A typed character, and a key by its virtual-key code (0: none).
    CharacterKey KeyOfCharacter(char32_t character) const;
    int KeyOfVirtualKey(int virtualKey) const;

    int KeyOf(PcKey pcKey) const;
    // Capital letters first, then the other characters, then the keys
    // without one: "M", "7"; "Enter".
    std::vector<PcKey> PcKeysOf(int key) const;
    std::vector<std::string> PcKeyNamesOf(int key) const;

    // `pcKey` holds `key` from now on, whichever key it held before; a
    // reserved key or a key out of range changes nothing. Returns the key
    // it held before (0: none).
    int Bind(PcKey pcKey, int key);
    // `pcKey` holds no key from now on.
    void Unbind(PcKey pcKey) { keys_.erase(pcKey); }
    void Clear(int key);
    // The key's default PC keys, taken back from any key holding them now.
    void RestoreDefault(int key);

    bool operator==(const KeyMap& other) const = default;

private:
    std::map<PcKey, int> keys_;
};

// The key map as the desktop's settings hold it: one entry per calculator
// key whose PC keys differ from the default, named by the key's number, its
// value the PC keys' names separated by spaces ("" for none).
struct KeyMapEntry {
    std::string Name;
    std::string Value;
};

struct KeyMapRead {
    KeyMap Map;
    // One per entry that was not used, saying which and why.
    std::vector<std::string> Warnings;
};

// An entry that is damaged or unknown leaves its key at the default.
KeyMapRead ReadKeyMap(const std::vector<KeyMapEntry>& entries);
std::vector<KeyMapEntry> KeyMapEntries(const KeyMap& map);

}  // namespace varnox
