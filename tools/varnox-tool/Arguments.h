// Number arguments of the subcommands.
#pragma once

#include <charconv>
#include <optional>
#include <string>

namespace varnox::tool {

// The whole text as a number of the base within [low, high], or nothing.
inline std::optional<long long> ParseNumber(const std::string& text, int base, long long low, long long high) {
    long long value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, error] = std::from_chars(first, last, value, base);
    if (text.empty() || error != std::errc() || end != last || value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace varnox::tool
