// The display as the pictures show it: black dots on white, each dot
// `scale` pixels square, never smoothed.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "peripherals/Lcd.h"

namespace varnox {

// The dots as the display shows them: composed frame nibbles, all clear
// while the display is unpowered.
using DisplayPicture = std::array<uint8_t, FrameNibbles>;

// What the display shows for the controller as it stands, composed aside:
// looking changes nothing.
DisplayPicture PictureOf(const LcdController& lcd);

// Whether dot (column, row) of the picture is black.
inline bool PictureDot(const DisplayPicture& picture, int column, int row) {
    return (picture[static_cast<size_t>(FrameIndexOfDot(column, row))] >> FrameBitOfDot(row)) & 1;
}

// One byte per pixel, rows top down, `on` for a black dot and `off` for
// the others.
std::vector<uint8_t> DisplayPixels(const DisplayPicture& picture, int scale, uint8_t on, uint8_t off);

// A plain PBM file ("P1"), one digit a pixel.
std::vector<uint8_t> EncodePbm(const DisplayPicture& picture, int scale);

}  // namespace varnox
