// The display as every front end shows it: the window's paint, the page,
// the clips and the pictures of varnox-tool read the controller's dots here
// and nowhere else.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "peripherals/Lcd.h"

namespace varnox {

constexpr int DisplayDots = DisplayColumns * DisplayRows;

// What the display shows: its dots, rows top down, 1 a black dot (all clear
// while the controller is unpowered, which shows no dots at all).
struct DisplayPicture {
    std::array<uint8_t, DisplayDots> Dots{};
    bool Powered = false;

    bool Dot(int column, int row) const { return Dots[static_cast<size_t>(row * DisplayColumns + column)] != 0; }
    bool operator==(const DisplayPicture&) const = default;
};

// What the display shows for the controller as it stands, composed aside:
// looking changes nothing.
DisplayPicture PictureOf(const LcdController& lcd);

// The display read again and again by one viewer: the picture, and what
// changed since the viewer's last read.
class DisplayReader {
public:
    struct Read {
        const DisplayPicture& Picture;
        // Everything is to be drawn anew: the first read, or the controller's
        // control byte changed (its power or its mode).
        bool Whole;
        // Otherwise the dots that changed, as indices into Picture.Dots.
        const std::vector<uint16_t>& Changed;
        bool Any() const { return Whole || !Changed.empty(); }
    };

    Read ReadFrom(const LcdController& lcd);

private:
    DisplayPicture picture_;
    std::vector<uint16_t> changed_;
    uint8_t control_ = 0;  // the controller's control byte at the last read
    bool read_ = false;
};

// One byte per pixel, rows top down, `on` for a black dot and `off` for
// the others.
std::vector<uint8_t> DisplayPixels(const DisplayPicture& picture, int scale, uint8_t on, uint8_t off);

// A plain PBM file ("P1"), one digit a pixel.
std::vector<uint8_t> EncodePbm(const DisplayPicture& picture, int scale);

}  // namespace varnox
