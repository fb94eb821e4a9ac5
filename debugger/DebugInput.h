// The debugger's input mechanics, without a window: hex digits, the
// filtering of typed digits with the caret kept, typed numbers and the
// scroll position a navigation key asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "system/KeyMap.h"  // the PC key codes, VkReturn .. VkDown

namespace varnox {

// Upper-case digits first, so a search from the start finds them.
constexpr std::u16string_view HexDigits = u"0123456789ABCDEFabcdef";

// 0..15 for a hex digit of either case; 16 for any other character.
int HexDigitValue(char16_t ch);

struct FilteredText {
    std::u16string Text;
    int Caret = 0;      // 0-based
    int Selection = 0;  // length from the caret
};

// Removes every character that is not a digit of the base; a removed
// character before the caret moves it left, one inside the selection
// shortens it.
FilteredText FilterDigits(std::u16string_view text, int caret, int selection, int base);

// A typed number: blanks around it removed and a "0" put in front, so an
// empty field reads as 0. Values too large for 64 bits stay at the largest.
// Nothing when the text holds a character that is not a digit of the base.
std::optional<uint64_t> ReadTypedNumber(std::u16string_view text, int base);

// A scroll bar's state, as the keys see it.
struct ScrollRange {
    int Position = 0;
    int Minimum = 0;
    int Maximum = 0;
    int SmallChange = 1;
    int LargeChange = 1;
};

// The position a navigation key asks for, kept within the range; -1 when
// that is the current position or the key does not scroll.
int ScrollKeyPosition(int key, const ScrollRange& range);

}  // namespace varnox
