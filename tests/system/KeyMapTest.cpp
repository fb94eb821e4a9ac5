// The PC keys of the calculator keys: the defaults, editing, and the map
// as the desktop's settings keep it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/KeyHints.h"
#include "system/KeyMap.h"

namespace varnox {
namespace {

using Names = std::vector<std::string>;

TEST(KeyMap, DefaultPcKeysOfEachCalculatorKey) {
    const KeyMap map;
    const struct {
        int key;
        Names names;
    } cases[] = {{1, {"Home"}},     {3, {"\""}},      {13, {":"}},      {19, {"A"}},        {27, {"I", "("}},
                 {31, {"M", "7"}},  {47, {".", "["}}, {48, {"]"}},      {49, {"Space"}},    {50, {"=", "Enter"}},
                 {35, {"Esc"}},     {34, {"Backspace", "Delete"}}, {51, {}},         {52, {"F8"}},     {53, {}}};
    for (const auto& c : cases) EXPECT_EQ(map.PcKeyNamesOf(c.key), c.names) << "key " << c.key;
    // Each of the 50 on-screen keys has one, and none is the window's.
    for (int key = 1; key <= 50; ++key) {
        EXPECT_FALSE(map.PcKeysOf(key).empty()) << "key " << key;
        for (const PcKey pcKey : map.PcKeysOf(key)) EXPECT_FALSE(ReservedUse(pcKey)) << PcKeyName(pcKey);
    }
}

// Above each key, the PC keys its face does not already say, in short.
TEST(KeyMap, HintsNameWhatTheFaceDoesNot) {
    KeyMap map;
    const struct {
        int key;
        const char* hint;
    } defaults[] = {{7, "F1"},   {1, ""},      {4, "Left"},  {6, "PgDn"},  {16, "Ins"},  {19, ""},  {27, ""},
                    {31, "M"},   {34, "Bksp"}, {35, "Esc"},  {47, "["},    {49, ""},     {50, "Enter"}, {0, ""}, {51, ""}};
    for (const auto& c : defaults) EXPECT_EQ(KeyHint(map, c.key), c.hint) << "key " << c.key;
    // The map as the user changed it.
    map.Bind(PcKeyOfCode(VkF5), 7);
    map.Bind('Q', 19);
    EXPECT_EQ(KeyHint(map, 7), "F1 F5");
    EXPECT_EQ(KeyHint(map, 12), "");
    EXPECT_EQ(KeyHint(map, 19), "Q");
}

TEST(KeyMap, CharactersAndCodes) {
    const KeyMap map;
    EXPECT_EQ(map.KeyOfCharacter(U'm').key, 31);
    EXPECT_TRUE(map.KeyOfCharacter(U'm').scan);
    EXPECT_FALSE(map.KeyOfCharacter(U':').scan);
    EXPECT_EQ(map.KeyOfCharacter(U'=').key, map.KeyOfVirtualKey(VkReturn));  // the sign on the key Enter presses
    EXPECT_EQ(map.KeyOfCharacter(U'!').key, 0);
    EXPECT_EQ(map.KeyOfCharacter(U'\u00e9').key, 0);
    EXPECT_EQ(map.KeyOfVirtualKey(VkF3), 0);
    EXPECT_EQ(map.KeyOfVirtualKey(VkDelete), 34);
    EXPECT_EQ(map.KeyOfVirtualKey(0), 0);
    for (const PcKey pcKey : {PcKey{' '}, PcKey{'('}, PcKeyOfCode(VkPageUp), PcKeyOfCode(VkF1 + 9)}) {
        EXPECT_EQ(PcKeyNamed(PcKeyName(pcKey)), pcKey) << PcKeyName(pcKey);
    }
}

TEST(KeyMap, BindingMovesAPcKeyAndRestoringTakesItBack) {
    KeyMap map;
    EXPECT_EQ(map.Bind(PcKeyOfCode(VkF5), 7), 12);  // CHAR's F5 to MENU
    EXPECT_EQ(map.PcKeyNamesOf(7), (Names{"F1", "F5"}));
    EXPECT_TRUE(map.PcKeysOf(12).empty());
    EXPECT_EQ(map.Bind(PcKeyOfCode(VkF9), 7), 0);  // the window's: refused
    EXPECT_EQ(map.Bind('Q', 53), 0);               // the print switch: refused
    EXPECT_EQ(map.KeyOf('Q'), 37);
    map.RestoreDefault(12);
    EXPECT_EQ(map.PcKeyNamesOf(7), Names{"F1"});
    EXPECT_EQ(map.PcKeyNamesOf(12), Names{"F5"});
    map.Clear(31);
    EXPECT_EQ(map.KeyOfCharacter(U'7').key, 0);
    EXPECT_NE(map, KeyMap());
    map.RestoreDefault(31);
    EXPECT_EQ(map, KeyMap());
}

// Entries as the settings hold them: what they do to the map, and the
// warning (its end) for one not used.
TEST(KeyMap, ReadFromSettings) {
    const struct {
        std::vector<KeyMapEntry> entries;
        int key;              // a key to look at afterwards
        Names names;          // its PC keys then
        const char* warning;  // "" when none
    } cases[] = {
        {{{"7", "F1 F5"}}, 7, {"F1", "F5"}, ""},
        {{{"7", "F1 F5"}}, 12, {}, ""},
        {{{"12", ""}}, 12, {}, ""},
        {{{"31", "m 7"}}, 31, {"M", "7"}, ""},
        {{{"31", "  Space   enter "}}, 31, {"Space", "Enter"}, ""},
        {{{"50", "="}}, 50, {"="}, ""},
        {{{"7", "Fx9"}}, 7, {"F1"}, ": \"Fx9\" is no PC key; key 7 keeps its default (F1)"},
        {{{"7", "F1 F9"}}, 7, {"F1"}, ": F9 loads state slot 1; key 7 keeps its default (F1)"},
        {{{"6", "Tab"}}, 6, {"PageDown"}, ": Tab fast-forwards while held; key 6 keeps its default (PageDown)"},
        {{{"51", "@QByteArray"}}, 51, {}, ": \"@QByteArray\" is no PC key; key 51 keeps its default (none)"},
        {{{"53", "F1"}}, 7, {"F1"}, ": no calculator key 1..52 is named so; ignored"},
        {{{"key7", "F1"}}, 7, {"F1"}, ": no calculator key 1..52 is named so; ignored"},
        {{{"07x", "F1"}}, 7, {"F1"}, ": no calculator key 1..52 is named so; ignored"},
        {{{"7\x01", "F1"}}, 7, {"F1"}, "key map entry \"7\\x01\" = \"F1\": no calculator key 1..52 is named so; ignored"},
        {{{"7", "F5"}, {"9", "F5 F4"}}, 9, {"F4"}, ": F5 is key 7's in an entry before; key 9 keeps its default (F4)"},
    };
    for (const auto& c : cases) {
        const KeyMapRead read = ReadKeyMap(c.entries);
        const std::string what = c.entries.back().Name + " = " + c.entries.back().Value;
        EXPECT_EQ(read.Map.PcKeyNamesOf(c.key), c.names) << what;
        if (*c.warning == 0) {
            EXPECT_TRUE(read.Warnings.empty()) << what;
        } else {
            ASSERT_EQ(read.Warnings.size(), 1u) << what;
            EXPECT_TRUE(read.Warnings[0].ends_with(c.warning)) << read.Warnings[0];
        }
    }
}

// Whatever is stored reads back as the same map; only what differs from
// the defaults is stored.
TEST(KeyMap, SettingsRoundTrip) {
    KeyMap map;
    EXPECT_TRUE(KeyMapEntries(map).empty());
    map.Bind(PcKeyOfCode(VkF1), 8);  // MENU's F1 to CALC
    map.Bind(PcKeyOfCode(VkF2), 7);  // and CALC's F2 to MENU: swapped
    map.Bind(',', 47);
    map.Bind(';', 34);
    map.Clear(52);
    const std::vector<KeyMapEntry> entries = KeyMapEntries(map);
    EXPECT_EQ(entries.size(), 5u);
    const KeyMapRead read = ReadKeyMap(entries);
    EXPECT_TRUE(read.Warnings.empty());
    EXPECT_EQ(read.Map, map);
}

}  // namespace
}  // namespace varnox
