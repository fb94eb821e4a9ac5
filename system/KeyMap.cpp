#include "system/KeyMap.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "core/Printable.h"
#include "peripherals/Keyboard.h"

namespace varnox {
namespace {

// Characters in the order of the keys they press; 'a' fills places that
// no upper-cased character can match.
constexpr std::string_view KeyLabels = "ABCDEFGHIJKLMNOaaPQRSTUVWXYZ[] ()aa789aa456*/123+-0.";

// Keys that type no character sit above every character.
constexpr PcKey CodeBase = 0x100;

struct NamedCode {
    int virtualKey;
    const char* name;
};

constexpr NamedCode NamedCodes[] = {
    {VkBack, "Backspace"}, {VkTab, "Tab"},     {VkReturn, "Enter"},     {VkPause, "Pause"},   {VkEscape, "Esc"},
    {VkPageUp, "PageUp"},  {VkPageDown, "PageDown"}, {VkEnd, "End"},    {VkHome, "Home"},     {VkLeft, "Left"},
    {VkUp, "Up"},          {VkRight, "Right"}, {VkDown, "Down"},        {VkPrint, "Print"},   {VkInsert, "Insert"},
    {VkDelete, "Delete"},  {VkF1, "F1"},       {VkF2, "F2"},            {VkF3, "F3"},         {VkF4, "F4"},
    {VkF5, "F5"},          {VkF6, "F6"},       {VkF7, "F7"},            {VkF8, "F8"},         {VkF9, "F9"},
    {VkF9 + 1, "F10"},     {VkF9 + 2, "F11"},  {VkF12, "F12"},
};

struct DefaultCode {
    int virtualKey;
    int key;
};

// The named keys of the window's first key table, then a key each for
// the keys it left without one, on keys no shortcut takes: the function
// keys for the pages, and the keys that change the most (CLR) or switch
// off (OFF) where a typing hand does not hit them by chance; and
// Backspace beside Delete on DEL, the key every hand reaches for to erase.
constexpr DefaultCode DefaultCodes[] = {
    {VkReturn, KeyEnter}, {VkEscape, KeyEscape}, {VkEnd, KeyEnd},     {VkHome, KeyHome},       {VkLeft, KeyLeft},
    {VkUp, KeyUp},        {VkRight, KeyRight},   {VkDown, KeyDown},   {VkDelete, KeyDelete},   {VkF8, KeyF8},
    {VkF1, 7},            {VkF2, 8},             {VkF4, 9},           {VkF5, 12},              {VkF6, 14},
    {VkF7, 18},           {VkPageUp, 15},        {VkInsert, 16},      {VkPause, 17},           {VkPageDown, 6},
    {VkBack, KeyDelete},
};

// The characters' keys as the window has always typed them.
int DefaultKeyOfCharacter(char c) {
    if (c == '"') return KeyQuote;
    if (c == ':') return KeyColon;
    if (c == '=') return KeyEnter;  // the sign on the key, main keyboard and keypad alike
    const auto found = KeyLabels.find(c);
    if (found == std::string_view::npos) return 0;
    // Positions 1..31 are keys 19..49 (letters A.. and ( ) [ ] space),
    // positions 36.. are keys 31.. (digits and operators).
    const int p = static_cast<int>(found) + 1;
    return p <= 31 ? p + 18 : p - 5;
}

bool IsMappedKey(int key) { return key >= FirstMappedKey && key <= LastMappedKey; }

bool IsLetter(PcKey key) { return key >= 'A' && key <= 'Z'; }

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = text.find_first_not_of(' ', at);
        if (start == std::string_view::npos) break;
        const size_t end = std::min(text.find(' ', start), text.size());
        words.emplace_back(text.substr(start, end - start));
        at = end;
    }
    return words;
}

std::string NamesOf(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
    return text;
}

// The text of a setting shown in a message: quoted, escaped and cut.
std::string Quoted(std::string_view text) {
    std::string quoted(1, '"');
    quoted += Printable(text);
    quoted += '"';
    return quoted;
}

std::optional<int> KeyOfEntryName(std::string_view name) {
    int key = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), key);
    if (error != std::errc() || end != name.data() + name.size() || !IsMappedKey(key)) return std::nullopt;
    return key;
}

}  // namespace

PcKey PcKeyOfCharacter(char32_t c) {
    if (c >= U'a' && c <= U'z') c = c - U'a' + U'A';
    if (c < U' ' || c > U'~') return 0;
    return static_cast<PcKey>(c);
}

PcKey PcKeyOfCode(int virtualKey) {
    for (const NamedCode& named : NamedCodes) {
        if (named.virtualKey == virtualKey) return CodeBase + virtualKey;
    }
    return 0;
}

std::string PcKeyName(PcKey key) {
    if (key == ' ') return "Space";
    if (key > ' ' && key <= '~') return std::string(1, static_cast<char>(key));
    for (const NamedCode& named : NamedCodes) {
        if (CodeBase + named.virtualKey == key) return named.name;
    }
    return std::string();
}

PcKey PcKeyNamed(std::string_view name) {
    if (name.size() == 1) return name[0] == ' ' ? 0 : PcKeyOfCharacter(static_cast<unsigned char>(name[0]));
    const std::string lower = Lower(name);
    if (lower == "space") return ' ';
    for (const NamedCode& named : NamedCodes) {
        if (Lower(named.name) == lower) return CodeBase + named.virtualKey;
    }
    return 0;
}

std::optional<std::string> ReservedUse(PcKey key) {
    const int code = key - CodeBase;
    if (code == VkF3) return "opens the debugger";
    if (code == VkTab) return "fast-forwards while held";
    if (code == VkPrint) return "saves a screenshot";
    if (code >= VkF9 && code <= VkF12) return "loads state slot " + std::to_string(code - VkF9 + 1);
    return std::nullopt;
}

KeyMap::KeyMap() {
    for (char c = ' '; c <= '~'; ++c) {
        if (c >= 'a' && c <= 'z') continue;  // typed as their capitals
        if (const int key = DefaultKeyOfCharacter(c)) keys_[PcKeyOfCharacter(static_cast<unsigned char>(c))] = key;
    }
    for (const DefaultCode& code : DefaultCodes) keys_[PcKeyOfCode(code.virtualKey)] = code.key;
}

CharacterKey KeyMap::KeyOfCharacter(char32_t c) const {
    const PcKey pcKey = PcKeyOfCharacter(c);
    if (pcKey == 0) return {};
    return {KeyOf(pcKey), c != U'"' && c != U':'};
}

int KeyMap::KeyOfVirtualKey(int virtualKey) const {
    const PcKey pcKey = PcKeyOfCode(virtualKey);
    return pcKey == 0 ? 0 : KeyOf(pcKey);
}

int KeyMap::KeyOf(PcKey pcKey) const {
    const auto found = keys_.find(pcKey);
    return found == keys_.end() ? 0 : found->second;
}

std::vector<PcKey> KeyMap::PcKeysOf(int key) const {
    std::vector<PcKey> pcKeys;
    for (const bool letters : {true, false}) {
        for (const auto& [pcKey, held] : keys_) {
            if (held == key && IsLetter(pcKey) == letters) pcKeys.push_back(pcKey);
        }
    }
    return pcKeys;
}

std::vector<std::string> KeyMap::PcKeyNamesOf(int key) const {
    std::vector<std::string> names;
    for (const PcKey pcKey : PcKeysOf(key)) names.push_back(PcKeyName(pcKey));
    return names;
}

int KeyMap::Bind(PcKey pcKey, int key) {
    if (PcKeyName(pcKey).empty() || ReservedUse(pcKey) || !IsMappedKey(key)) return 0;
    const int before = KeyOf(pcKey);
    keys_[pcKey] = key;
    return before;
}

void KeyMap::Clear(int key) {
    std::erase_if(keys_, [key](const auto& entry) { return entry.second == key; });
}

void KeyMap::RestoreDefault(int key) {
    Clear(key);
    for (const PcKey pcKey : KeyMap().PcKeysOf(key)) keys_[pcKey] = key;
}

KeyMapRead ReadKeyMap(const std::vector<KeyMapEntry>& entries) {
    KeyMapRead read;
    const KeyMap defaults;
    std::map<PcKey, int> claimed;  // by the entries used so far
    for (const KeyMapEntry& entry : entries) {
        const std::string setting = "key map entry " + Quoted(entry.Name) + " = " + Quoted(entry.Value);
        const std::optional<int> key = KeyOfEntryName(entry.Name);
        if (!key) {
            read.Warnings.push_back(setting + ": no calculator key " + std::to_string(FirstMappedKey) + ".." +
                                    std::to_string(LastMappedKey) + " is named so; ignored");
            continue;
        }
        const std::string fallback = "; key " + std::to_string(*key) + " keeps its default (" +
                                     (defaults.PcKeysOf(*key).empty() ? "none" : NamesOf(defaults.PcKeyNamesOf(*key))) + ")";
        std::vector<PcKey> pcKeys;
        std::string fault;
        for (const std::string& name : Words(entry.Value)) {
            const PcKey pcKey = PcKeyNamed(name);
            if (pcKey == 0) {
                fault = Quoted(name) + " is no PC key";
            } else if (const auto use = ReservedUse(pcKey)) {
                fault = name + " " + *use;
            } else if (const auto other = claimed.find(pcKey); other != claimed.end() && other->second != *key) {
                fault = name + " is key " + std::to_string(other->second) + "'s in an entry before";
            } else {
                pcKeys.push_back(pcKey);
                continue;
            }
            break;
        }
        if (!fault.empty()) {
            read.Warnings.push_back(setting + ": " + fault + fallback);
            continue;
        }
        read.Map.Clear(*key);
        for (const PcKey pcKey : pcKeys) {
            read.Map.Bind(pcKey, *key);
            claimed[pcKey] = *key;
        }
    }
    return read;
}

std::vector<KeyMapEntry> KeyMapEntries(const KeyMap& map) {
    const KeyMap defaults;
    std::vector<KeyMapEntry> entries;
    for (int key = FirstMappedKey; key <= LastMappedKey; ++key) {
        if (map.PcKeysOf(key) != defaults.PcKeysOf(key)) entries.push_back({std::to_string(key), NamesOf(map.PcKeyNamesOf(key))});
    }
    return entries;
}

}  // namespace varnox
