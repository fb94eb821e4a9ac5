// varnox-kit FONT OUTDIR: writes the default kit's character set
// ("charset.bin") from the dot font in FONT, and the key faces
// ("keys.bmp") with legends drawn in the same font: what the default
// firmware does with each key. The window writes the PC key of each key
// above it, from the key map in use.
#include <array>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "system/FaceLayout.h"

namespace {

constexpr int GlyphCount = 256;
constexpr int GlyphSize = 8;
constexpr int FaceWidth = 35;
constexpr int FaceHeight = 11;
constexpr int LegendAdvance = 6;  // 5 dot columns and a gap
constexpr int LegendRows = 7;

using Glyph = std::array<std::array<bool, GlyphSize>, GlyphSize>;  // [row][column]

struct Font {
    std::array<Glyph, GlyphCount> glyphs{};
};

// The colour of the window's keys, so that a face blends into its button.
constexpr uint32_t FaceColour = 0xD4D0C8;
constexpr uint32_t Ink = 0x000000;

// A picture of 0xRRGGBB pixels, written as a 24-bit BMP file.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    Picture(int w, int h, uint32_t fill) : width(w), height(h), pixels(static_cast<size_t>(w * h), fill) {}
    void setPixel(int x, int y, uint32_t colour) { pixels[static_cast<size_t>(y * width + x)] = colour; }

    std::vector<char> Bmp() const {
        const int rowBytes = (width * 3 + 3) / 4 * 4;
        const int dataBytes = rowBytes * height;
        std::vector<char> file(54 + static_cast<size_t>(dataBytes), 0);
        const auto put = [&file](size_t at, uint32_t value, int bytes) {
            for (int i = 0; i < bytes; ++i) file[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
        };
        put(0, 'B' | ('M' << 8), 2);
        put(2, static_cast<uint32_t>(file.size()), 4);
        put(10, 54, 4);          // where the pixels start
        put(14, 40, 4);          // size of the info header
        put(18, static_cast<uint32_t>(width), 4);
        put(22, static_cast<uint32_t>(height), 4);
        put(26, 1, 2);           // planes
        put(28, 24, 2);          // bits per pixel
        put(34, static_cast<uint32_t>(dataBytes), 4);
        put(38, 2835, 4);        // 72 dots per inch
        put(42, 2835, 4);
        for (int y = 0; y < height; ++y) {  // bottom row first, blue green red
            const size_t row = 54 + static_cast<size_t>((height - 1 - y) * rowBytes);
            for (int x = 0; x < width; ++x) put(row + static_cast<size_t>(x * 3), pixels[static_cast<size_t>(y * width + x)], 3);
        }
        return file;
    }
};

bool IsDotRow(const std::string& line, size_t width) {
    return line.size() == width && line.find_first_not_of("#.") == std::string::npos;
}

std::optional<Font> ReadFont(const char* path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = std::string("cannot read ") + path;
        return std::nullopt;
    }
    Font font{};
    std::string line;
    int lineNumber = 0;
    int glyph = -1;
    int row = GlyphSize;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        const std::string where = std::string(path) + ":" + std::to_string(lineNumber) + ": ";
        if (line.rfind("glyph ", 0) == 0 && row < GlyphSize) {
            error = where + "the glyph before has too few rows";
            return std::nullopt;
        }
        if (line.rfind("glyph ", 0) == 0) {
            unsigned long code = 0;
            try {
                code = std::stoul(line.substr(6), nullptr, 16);
            } catch (...) {
                code = GlyphCount;
            }
            if (code >= GlyphCount) {
                error = where + "bad glyph code";
                return std::nullopt;
            }
            glyph = static_cast<int>(code);
            row = 0;
            continue;
        }
        if (glyph < 0 || row >= GlyphSize || !IsDotRow(line, GlyphSize)) {
            error = where + "expected a row of 8 '#' or '.'";
            return std::nullopt;
        }
        for (int column = 0; column < GlyphSize; ++column) font.glyphs[glyph][row][column] = line[column] == '#';
        ++row;
    }
    if (row < GlyphSize) {
        error = std::string(path) + ": the last glyph has fewer than 8 rows";
        return std::nullopt;
    }
    return font;
}

// Byte j of a glyph is dot column j, bit 7 the top dot.
std::vector<char> Charset(const Font& font) {
    std::vector<char> bytes(GlyphCount * GlyphSize, 0);
    for (int c = 0; c < GlyphCount; ++c) {
        for (int column = 0; column < GlyphSize; ++column) {
            unsigned byte = 0;
            for (int row = 0; row < GlyphSize; ++row) {
                if (font.glyphs[c][row][column]) byte |= 0x80u >> row;
            }
            bytes[c * GlyphSize + column] = static_cast<char>(byte);
        }
    }
    return bytes;
}

int ActionWidth(std::string_view text) { return static_cast<int>(text.size()) * LegendAdvance - 1; }
void DrawAction(Picture& image, int x, int y, std::string_view text, const Font& font) {
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph& glyph = font.glyphs[static_cast<unsigned char>(text[i])];
        for (int row = 0; row < LegendRows; ++row) {
            for (int column = 0; column < LegendAdvance - 1; ++column) {
                if (glyph[row][column]) image.setPixel(x + static_cast<int>(i) * LegendAdvance + column, y + row, Ink);
            }
        }
    }
}

// The action in the big letters, centred.
void DrawLegend(Picture& image, int left, int top, std::string_view action, const Font& font) {
    const int x = left + (FaceWidth - ActionWidth(action)) / 2;
    const int y = top + (FaceHeight - LegendRows) / 2;
    DrawAction(image, x, y, action, font);
}

// 6 x 9 cells of 35 x 11: keys 1..30 in rows 0..4, keys 31..50 in rows
// 5..8 (column 5 of those rows is unused).
Picture KeyFaces(const Font& font) {
    Picture image(6 * FaceWidth, 9 * FaceHeight, FaceColour);
    for (int key = 1; key <= 50; ++key) {
        const int column = key <= 30 ? (key - 1) % 6 : (key - 31) % 5;
        const int row = key <= 30 ? (key - 1) / 6 : 5 + (key - 31) / 5;
        DrawLegend(image, column * FaceWidth, row * FaceHeight, varnox::FaceLegends[key], font);
    }
    return image;
}

bool WriteFile(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) std::fprintf(stderr, "varnox-kit: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: varnox-kit FONT OUTDIR\n");
        return 2;
    }
    std::string error;
    const std::optional<Font> font = ReadFont(argv[1], error);
    if (!font) {
        std::fprintf(stderr, "varnox-kit: %s\n", error.c_str());
        return 1;
    }
    const std::string dir = argv[2];
    const bool written = WriteFile(dir + "/charset.bin", Charset(*font)) && WriteFile(dir + "/keys.bmp", KeyFaces(*font).Bmp());
    return written ? 0 : 1;
}
