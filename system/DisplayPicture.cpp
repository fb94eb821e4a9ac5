#include "system/DisplayPicture.h"

#include <string>

namespace varnox {

DisplayPicture PictureOf(const LcdController& lcd) {
    DisplayPicture picture;
    picture.Powered = (lcd.LcdControl & LcdPowered) != 0;
    if (!picture.Powered) return picture;
    std::array<uint8_t, FrameNibbles> frame;
    LcdCompose(lcd, frame);
    // Nibble by nibble: each holds four dots of one column, the top one in
    // its highest bit.
    for (int i = 0; i < FrameNibbles; ++i) {
        const uint8_t nibble = frame[static_cast<size_t>(i)];
        if (nibble == 0) continue;
        const int column = FrameColumnOfNibble(i);
        const int top = FrameRowOfNibble(i);
        for (int k = 0; k < 4; ++k) {
            picture.Dots[static_cast<size_t>((top + k) * DisplayColumns + column)] = (nibble >> FrameBitOfDot(top + k)) & 1;
        }
    }
    return picture;
}

DisplayReader::Read DisplayReader::ReadFrom(const LcdController& lcd) {
    const DisplayPicture now = PictureOf(lcd);
    const bool whole = !read_ || lcd.LcdControl != control_;
    changed_.clear();
    if (!whole) {
        for (size_t i = 0; i < now.Dots.size(); ++i) {
            if (now.Dots[i] != picture_.Dots[i]) changed_.push_back(static_cast<uint16_t>(i));
        }
    }
    picture_ = now;
    control_ = lcd.LcdControl;
    read_ = true;
    return {picture_, whole, changed_};
}

std::vector<uint8_t> DisplayPixels(const DisplayPicture& picture, int scale, uint8_t on, uint8_t off) {
    const auto width = static_cast<size_t>(DisplayColumns * scale);
    std::vector<uint8_t> pixels;
    pixels.reserve(width * static_cast<size_t>(DisplayRows * scale));
    std::vector<uint8_t> row(width);
    for (int dotRow = 0; dotRow < DisplayRows; ++dotRow) {
        for (size_t x = 0; x < width; ++x) row[x] = picture.Dot(static_cast<int>(x) / scale, dotRow) ? on : off;
        for (int copy = 0; copy < scale; ++copy) pixels.insert(pixels.end(), row.begin(), row.end());
    }
    return pixels;
}

std::vector<uint8_t> EncodePbm(const DisplayPicture& picture, int scale) {
    const int width = DisplayColumns * scale;
    const std::string header = "P1\n" + std::to_string(width) + ' ' + std::to_string(DisplayRows * scale) + '\n';
    std::vector<uint8_t> file(header.begin(), header.end());
    const std::vector<uint8_t> pixels = DisplayPixels(picture, scale, '1', '0');
    for (size_t i = 0; i < pixels.size(); ++i) {
        const bool rowEnd = (i + 1) % static_cast<size_t>(width) == 0;
        file.push_back(pixels[i]);
        file.push_back(rowEnd ? '\n' : ' ');
    }
    return file;
}

}  // namespace varnox
