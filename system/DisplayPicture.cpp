#include "system/DisplayPicture.h"

#include <string>

namespace varnox {

DisplayPicture PictureOf(const LcdController& lcd) {
    DisplayPicture picture{};
    if (lcd.LcdControl & LcdPowered) LcdCompose(lcd, picture);
    return picture;
}

std::vector<uint8_t> DisplayPixels(const DisplayPicture& picture, int scale, uint8_t on, uint8_t off) {
    const auto width = static_cast<size_t>(DisplayColumns * scale);
    std::vector<uint8_t> pixels;
    pixels.reserve(width * static_cast<size_t>(DisplayRows * scale));
    std::vector<uint8_t> row(width);
    for (int dotRow = 0; dotRow < DisplayRows; ++dotRow) {
        for (size_t x = 0; x < width; ++x) {
            row[x] = PictureDot(picture, static_cast<int>(x) / scale, dotRow) ? on : off;
        }
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
