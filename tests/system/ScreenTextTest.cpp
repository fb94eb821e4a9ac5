// The display read back as text: every character the character set draws
// reads back as itself (or as the first character with the same picture),
// inverted as itself too, and a cell no glyph draws as "?".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "system/ScreenText.h"

namespace varnox {
namespace {

// The default kit's character set, expanded as the machine holds it.
LcdController KitCharset() {
    LcdController lcd;
    std::ifstream in(std::filesystem::path(VARNOX_RUN_DIR) / "charset.bin", std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(bytes.size(), static_cast<size_t>(CharsetFileBytes));
    for (size_t k = 0; k < bytes.size() && k < static_cast<size_t>(CharsetFileBytes); ++k) lcd.CharGenerator[k] = static_cast<uint8_t>(bytes[k]);
    ExpandCharGenerator(lcd);
    return lcd;
}

// Draws glyph `code` into text cell (row, column) as the firmware does.
void Draw(DisplayPicture& picture, const LcdController& lcd, int code, int row, int column, bool inverted = false) {
    for (int x = 0; x < TextCellWidth; ++x) {
        for (int y = 0; y < TextCellHeight; ++y) {
            const uint8_t nibble = lcd.CharGenerator[static_cast<size_t>(16 * code + 2 * x + y / 4)];
            const bool dot = ((nibble >> (3 - y % 4)) & 1) != inverted;
            picture.Dots[static_cast<size_t>((row * TextCellHeight + y) * DisplayColumns + column * TextCellWidth + x)] = dot;
        }
    }
}

bool SamePicture(const LcdController& lcd, int a, int b) {
    for (int j = 0; j < 2 * TextCellWidth; ++j) {
        if (lcd.CharGenerator[static_cast<size_t>(16 * a + j)] != lcd.CharGenerator[static_cast<size_t>(16 * b + j)]) return false;
    }
    return true;
}

TEST(ScreenText, EveryPrintableCharacterReadsBackPlainOrInverted) {
    const LcdController lcd = KitCharset();
    for (int code = ' '; code <= '~'; ++code) {
        for (const bool inverted : {false, true}) {
            DisplayPicture picture;
            Draw(picture, lcd, code, 3, 7, inverted);
            const std::vector<std::string> rows = ScreenText(picture, lcd);
            ASSERT_EQ(rows.size(), static_cast<size_t>(TextRows));
            const std::string& cell = rows[3].substr(7, 1);
            ASSERT_EQ(cell.size(), 1u);
            EXPECT_TRUE(SamePicture(lcd, cell[0], code)) << "code " << code << " read as " << cell;
            EXPECT_EQ(rows[0], std::string(TextColumns, ' '));
        }
    }
}

TEST(ScreenText, ArrowsReadAsArrowsAndAnUnknownCellAsAQuestionMark) {
    const LcdController lcd = KitCharset();
    DisplayPicture picture;
    for (int arrow = 0; arrow < 4; ++arrow) Draw(picture, lcd, 0x80 + arrow, 0, arrow);
    picture.Dots[static_cast<size_t>(7 * TextCellHeight * DisplayColumns + 15 * TextCellWidth)] = 1;  // a lone dot
    const std::vector<std::string> rows = ScreenText(picture, lcd);
    EXPECT_EQ(rows[0], "\u2190\u2192\u2191\u2193            ");
    EXPECT_EQ(rows[7], "               ?");
}

}  // namespace
}  // namespace varnox
