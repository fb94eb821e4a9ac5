// The keys' names: one key each, any case, agreeing with what the window's
// key map types for the same character, and close names offered for one
// that is none.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "system/KeyMap.h"
#include "system/KeyNames.h"

namespace varnox {
namespace {

TEST(KeyNames, EachNameHoldsOneKeyInAnyCaseAndTheFirstNameLeadsBack) {
    std::set<std::string> seen;
    for (const std::string& name : AllKeyNames()) {
        EXPECT_TRUE(seen.insert(name).second) << name << " is given twice";
        const int key = KeyNamed(name);
        ASSERT_GE(key, 1) << name;
        ASSERT_LE(key, 53) << name;
        EXPECT_EQ(KeyNamed(KeyName(key)), key) << name;
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(KeyNamed(lower), key) << lower;
    }
}

TEST(KeyNames, AOneCharacterNameIsTheKeyThatCharacterTypes) {
    const KeyMap map;
    for (const std::string& name : AllKeyNames()) {
        if (name.size() != 1) continue;
        const int typed = map.KeyOfCharacter(static_cast<unsigned char>(name[0])).key;
        if (typed != 0) {
            EXPECT_EQ(typed, KeyNamed(name)) << name;
        }
    }
}

TEST(KeyNames, ANameThatIsNoneGetsNoKeyAndTheClosestNames) {
    const struct {
        const char* name;
        const char* close;  // the first name offered, "" for none
    } cases[] = {
        {"CALK", "CALC"}, {"ent", "END"}, {"MEM", "MEMO"}, {"LEF", "LEFT"}, {"XYZZY", ""}, {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeyNamed(c.name), 0) << c.name;
        const auto close = CloseKeyNames(c.name);
        EXPECT_LE(close.size(), 3u);
        EXPECT_EQ(close.empty() ? "" : close.front(), std::string(c.close)) << c.name;
    }
    EXPECT_EQ(KeyNamed("7"), KeyNamed("8") - 1) << "a digit is the key of that face, not key number 7";
    EXPECT_EQ(KeyName(51), "");
}

}  // namespace
}  // namespace varnox
