#include "debugger/DebugInput.h"

#include <algorithm>
#include <limits>

namespace varnox {

int HexDigitValue(char16_t ch) {
    const size_t found = HexDigits.find(ch);
    if (found == std::u16string_view::npos) return 16;
    const int position = static_cast<int>(found) + 1;
    return position <= 16 ? position - 1 : position - 7;
}

FilteredText FilterDigits(std::u16string_view text, int caret, int selection, int base) {
    FilteredText result{std::u16string(text), caret, selection};
    // j is 1-based, as the caret arithmetic is stated in it.
    size_t j = 1;
    while (j <= result.Text.size()) {
        if (HexDigitValue(result.Text[j - 1]) < base) {
            ++j;
            continue;
        }
        result.Text.erase(j - 1, 1);
        const long long at = static_cast<long long>(j);
        if (at <= result.Caret) {
            --result.Caret;
        } else if (at <= static_cast<long long>(result.Caret) + result.Selection) {
            --result.Selection;
        }
    }
    return result;
}

std::optional<uint64_t> ReadTypedNumber(std::u16string_view text, int base) {
    const auto blank = [](char16_t ch) { return ch <= u' '; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    constexpr uint64_t Largest = std::numeric_limits<uint64_t>::max();
    const auto b = static_cast<uint64_t>(base);
    uint64_t value = 0;  // the "0" put in front
    for (const char16_t ch : text) {
        const int digit = HexDigitValue(ch);
        if (digit >= base) return std::nullopt;
        const auto d = static_cast<uint64_t>(digit);
        value = value > (Largest - d) / b ? Largest : value * b + d;
    }
    return value;
}

int ScrollKeyPosition(int key, const ScrollRange& range) {
    const long long position = range.Position;
    long long requested = position;
    switch (key) {
        case VkPageUp: requested = position - range.LargeChange; break;
        case VkPageDown: requested = position + range.LargeChange; break;
        case VkEnd: requested = range.Maximum; break;
        case VkHome: requested = range.Minimum; break;
        case VkUp: requested = position - range.SmallChange; break;
        case VkDown: requested = position + range.SmallChange; break;
        default: break;
    }
    const long long low = range.Minimum;
    const long long high = std::max(range.Minimum, range.Maximum);
    requested = std::clamp(requested, low, high);
    return requested == position ? -1 : static_cast<int>(requested);
}

}  // namespace varnox
