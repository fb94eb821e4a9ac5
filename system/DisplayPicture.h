// The display as the pictures show it: black dots on white, each dot
// `scale` pixels square, never smoothed.
#pragma once

#include <cstdint>
#include <vector>

#include "peripherals/Lcd.h"

namespace varnox {

// One byte per pixel, rows top down, `on` for a black dot and `off` for
// the others.
std::vector<uint8_t> DisplayPixels(const LcdController& lcd, int scale, uint8_t on, uint8_t off);

// A plain PBM file ("P1"), one digit a pixel.
std::vector<uint8_t> EncodePbm(const LcdController& lcd, int scale);

}  // namespace varnox
