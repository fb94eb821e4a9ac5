#include "core/Printable.h"

#include <cstdint>
#include <cstdio>

namespace varnox {
namespace {

constexpr uint32_t LastCodePoint = 0x10FFFF;

// The lead bytes of sequences of two, three and four bytes.
struct Lead {
    uint8_t first, last;
    size_t length;
    uint8_t bits;    // of the code point in the lead byte
    uint32_t least;  // below it the sequence is overlong
};
constexpr Lead Leads[] = {{0xC2, 0xDF, 2, 0x1F, 0x80}, {0xE0, 0xEF, 3, 0x0F, 0x800}, {0xF0, 0xF4, 4, 0x07, 0x10000}};

// The length of the well-formed UTF-8 sequence of a printable character at
// `text[at]`, or 0.
size_t PrintableSequence(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[at + i]); };
    if (byte(0) >= 0x20 && byte(0) < 0x7F) return 1;
    for (const Lead& lead : Leads) {
        if (byte(0) < lead.first || byte(0) > lead.last) continue;
        if (at + lead.length > text.size()) return 0;
        uint32_t codePoint = byte(0) & lead.bits;
        for (size_t i = 1; i < lead.length; ++i) {
            if ((byte(i) & 0xC0) != 0x80) return 0;
            codePoint = (codePoint << 6) | (byte(i) & 0x3Fu);
        }
        const bool control = codePoint < 0xA0;  // C1
        const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
        const bool valid = codePoint >= lead.least && codePoint <= LastCodePoint && !surrogate;
        return valid && !control ? lead.length : 0;
    }
    return 0;  // controls, DEL, stray continuation bytes, bytes never in UTF-8
}

}  // namespace

std::string Printable(std::string_view text, size_t limit) {
    const std::string_view kept = text.substr(0, limit);
    std::string shown;
    shown.reserve(kept.size() + 3);
    for (size_t at = 0; at < kept.size();) {
        // A character the cut would split is escaped byte by byte.
        if (const size_t length = PrintableSequence(kept, at)) {
            shown.append(kept.substr(at, length));
            at += length;
            continue;
        }
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<uint8_t>(kept[at]));
        shown += escape;
        ++at;
    }
    if (text.size() > kept.size()) shown += "...";
    return shown;
}

}  // namespace varnox
