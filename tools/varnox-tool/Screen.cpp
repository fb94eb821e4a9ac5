// The display picture of varnox-tool run --screen, through libpng for PNG.
#include "Screen.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace varnox::tool {
namespace {

constexpr uint8_t GreyDot = 0x00;
constexpr uint8_t GreyBackground = 0xFF;

// One byte per pixel, rows top down, each dot repeated `scale` times both
// ways (nearest neighbour).
std::vector<uint8_t> Pixels(const DisplayPicture& picture, int scale, uint8_t on, uint8_t off) {
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
    const std::vector<uint8_t> pixels = Pixels(picture, scale, '1', '0');
    for (size_t i = 0; i < pixels.size(); ++i) {
        const bool rowEnd = (i + 1) % static_cast<size_t>(width) == 0;
        file.push_back(pixels[i]);
        file.push_back(rowEnd ? '\n' : ' ');
    }
    return file;
}

std::vector<uint8_t> EncodePng(const DisplayPicture& picture, int scale) {
    std::vector<uint8_t> pixels = Pixels(picture, scale, GreyDot, GreyBackground);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(DisplayColumns * scale);
    image.height = static_cast<png_uint_32>(DisplayRows * scale);
    image.format = PNG_FORMAT_GRAY;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr)) return {};
    std::vector<uint8_t> file(size);
    if (!png_image_write_to_memory(&image, file.data(), &size, 0, pixels.data(), 0, nullptr)) return {};
    file.resize(size);
    return file;
}

}  // namespace

bool IsPngName(const std::string& name) {
    constexpr std::string_view extension = ".png";
    return name.size() >= extension.size() &&
           std::equal(extension.begin(), extension.end(), name.end() - static_cast<std::ptrdiff_t>(extension.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

std::vector<uint8_t> EncodeScreen(const DisplayPicture& picture, int scale, bool png) {
    return png ? EncodePng(picture, scale) : EncodePbm(picture, scale);
}

}  // namespace varnox::tool
