// The PC keyboard's keys as the key map window lists them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/KeyMap.h"

namespace varnox {
namespace {

TEST(KeyMap, PcKeysOfEachCalculatorKey) {
    using Names = std::vector<std::string>;
    const struct {
        int key;
        Names names;
    } cases[] = {{1, {"Home"}},   {3, {"\""}},     {13, {":"}},       {19, {"A"}},     {27, {"I", "("}},
                 {31, {"M", "7"}}, {47, {".", "["}}, {48, {"]"}},       {49, {"Space"}}, {50, {"Enter"}},
                 {35, {"Esc"}},    {51, {}},         {52, {"F8"}},      {53, {}},        {6, {}}};
    for (const auto& c : cases) EXPECT_EQ(PcKeysOf(c.key), c.names) << "key " << c.key;
}

TEST(KeyMap, CharactersAndNamedKeys) {
    EXPECT_EQ(KeyOfCharacter(U'm').key, 31);
    EXPECT_TRUE(KeyOfCharacter(U'm').scan);
    EXPECT_FALSE(KeyOfCharacter(U':').scan);
    EXPECT_EQ(KeyOfCharacter(U'!').key, 0);
    EXPECT_EQ(KeyOfCharacter(U'\u00e9').key, 0);
    EXPECT_EQ(KeyOfVirtualKey(VkF3), 0);
    EXPECT_EQ(KeyOfVirtualKey(VkDelete), 34);
}

}  // namespace
}  // namespace varnox
