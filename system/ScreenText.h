// The display read back as text: each cell of the firmware's text grid
// (8 rows of 16 characters, 6 x 8 dots each) matched against the glyphs of
// the machine's own character generator, so that scripts and tests can
// check what a page says without comparing pictures.
#pragma once

#include <string>
#include <vector>

#include "peripherals/Lcd.h"
#include "system/DisplayPicture.h"

namespace varnox {

constexpr int TextRows = 8;
constexpr int TextColumns = 16;
constexpr int TextCellWidth = 6;
constexpr int TextCellHeight = 8;

// The text rows top down, each of TextColumns characters as UTF-8: the
// printable ASCII glyphs as themselves, the kit font's arrows as
// "←", "→", "↑", "↓", a cell shown inverted (a highlight, a block cursor)
// as the glyph it inverts, and "?" for a cell that matches no glyph.
std::vector<std::string> ScreenText(const DisplayPicture& picture, const LcdController& lcd);

}  // namespace varnox
