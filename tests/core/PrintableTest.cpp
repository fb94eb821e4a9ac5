// Text from outside as messages show it: escaped and cut.
#include <gtest/gtest.h>

#include <string>

#include "core/Printable.h"

namespace varnox {
namespace {

struct ShownCase {
    std::string text;
    size_t limit;
    std::string shown;
};

TEST(PrintableTest, EscapesControlsAndCuts) {
    const ShownCase cases[] = {
        {"plain", 40, "plain"},
        {"\x1B[2J\a\x7F", 40, "\\x1B[2J\\x07\\x7F"},
        {"\xC3\xA9t\xC3\xA9\xC2\x9B\xFF", 40, "\xC3\xA9t\xC3\xA9\\xC2\\x9B\\xFF"},  // C1 and stray bytes
        {std::string(100000, 'x'), 3, "xxx..."},
        {"ab\xC3\xA9", 3, "ab\\xC3..."},  // a character the cut splits
        {std::string(5, '\0'), WholeText, "\\x00\\x00\\x00\\x00\\x00"},
    };
    for (const ShownCase& c : cases) EXPECT_EQ(Printable(c.text, c.limit), c.shown) << c.shown;
}

}  // namespace
}  // namespace varnox
