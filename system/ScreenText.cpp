#include "system/ScreenText.h"

#include <cstdint>
#include <unordered_map>

namespace varnox {
namespace {

constexpr int GlyphCount = CharGenNibbles / 16;
constexpr uint64_t CellMask = (uint64_t{1} << (TextCellWidth * TextCellHeight)) - 1;

// A cell's dots as bits, column by column, top dot first.
uint64_t CellBits(const DisplayPicture& picture, int row, int column) {
    uint64_t bits = 0;
    for (int x = 0; x < TextCellWidth; ++x) {
        for (int y = 0; y < TextCellHeight; ++y) {
            bits = (bits << 1) | (picture.Dot(column * TextCellWidth + x, row * TextCellHeight + y) ? 1u : 0u);
        }
    }
    return bits;
}

// The glyph's first TextCellWidth dot columns as CellBits lays them out:
// two nibbles a column, the upper four dots first, bit 3 on top.
uint64_t GlyphBits(const LcdController& lcd, int code) {
    uint64_t bits = 0;
    for (int j = 0; j < 2 * TextCellWidth; ++j) bits = (bits << 4) | (lcd.CharGenerator[static_cast<size_t>(16 * code + j)] & 0x0F);
    return bits;
}

// What a glyph code reads as; empty for the codes that stand for nothing a
// text can hold.
std::string CodeText(int code) {
    static constexpr const char* Arrows[] = {"\u2190", "\u2192", "\u2191", "\u2193"};
    if (code >= 0x80 && code <= 0x83) return Arrows[code - 0x80];
    if (code < ' ' || code > '~') return {};
    return std::string(1, static_cast<char>(code));
}

}  // namespace

std::vector<std::string> ScreenText(const DisplayPicture& picture, const LcdController& lcd) {
    // The first code that draws a picture wins: a blank cell reads as a
    // space, before any other blank glyph.
    std::unordered_map<uint64_t, int> codeOf;
    for (int code = 0; code < GlyphCount; ++code) {
        if (!CodeText(code).empty()) codeOf.emplace(GlyphBits(lcd, code), code);
    }
    std::vector<std::string> rows;
    for (int row = 0; row < TextRows; ++row) {
        std::string text;
        for (int column = 0; column < TextColumns; ++column) {
            const uint64_t bits = CellBits(picture, row, column);
            auto found = codeOf.find(bits);
            if (found == codeOf.end()) found = codeOf.find(~bits & CellMask);
            text += found == codeOf.end() ? "?" : CodeText(found->second);
        }
        rows.push_back(std::move(text));
    }
    return rows;
}

}  // namespace varnox
