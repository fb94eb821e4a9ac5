// The display picture of varnox-tool run --screen, through libpng for PNG.
#include "Screen.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "system/DisplayPicture.h"

namespace varnox::tool {
namespace {

constexpr uint8_t GreyDot = 0x00;
constexpr uint8_t GreyBackground = 0xFF;

std::vector<uint8_t> EncodePng(const DisplayPicture& picture, int scale) {
    std::vector<uint8_t> pixels = DisplayPixels(picture, scale, GreyDot, GreyBackground);
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
