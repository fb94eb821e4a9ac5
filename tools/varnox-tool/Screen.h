// The display as a picture file: PNG when the name ends in ".png", PBM
// otherwise; black dots on white, each dot `scale` pixels square.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "system/ScreenClip.h"

namespace varnox::tool {

constexpr int MaxScreenScale = 32;

bool IsPngName(const std::string& name);

// The file's bytes, or empty when the picture could not be encoded.
std::vector<uint8_t> EncodeScreen(const DisplayPicture& picture, int scale, bool png);

}  // namespace varnox::tool
