// varnox-kit FONT OUTDIR: writes the default kit's character set
// ("charset.bin") from the dot font in FONT, and the key faces
// ("keys.bmp") with legends drawn in the same font: what the default
// firmware does with each key, and beside it, in the font's small letters,
// the PC key that presses it where that says something more.
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

namespace {

constexpr int GlyphCount = 256;
constexpr int GlyphSize = 8;
constexpr int FaceWidth = 35;
constexpr int FaceHeight = 11;
constexpr int LegendAdvance = 6;  // 5 dot columns and a gap
constexpr int LegendRows = 7;
constexpr int SmallWidth = 3;
constexpr int SmallRows = 5;
constexpr int SmallAdvance = SmallWidth + 1;

using Glyph = std::array<std::array<bool, GlyphSize>, GlyphSize>;  // [row][column]
using SmallGlyph = std::array<std::array<bool, SmallWidth>, SmallRows>;

struct Font {
    std::array<Glyph, GlyphCount> glyphs{};
    std::array<SmallGlyph, 128> small{};  // by ASCII code
    std::array<bool, 128> hasSmall{};
};

// What a key does in the default firmware, and the PC key that presses it
// when its name adds to that (drawn small beside it where there is room).
struct Legend {
    std::string_view action;
    std::string_view pcKey;
};

// By key number 1..50. \x80..\x83 are the font's arrows.
constexpr std::array<Legend, 51> Legends = {{
    {"", ""},
    {"HOME", ""}, {"END", ""}, {"\"", ""}, {"\x80", "LEFT"}, {"\x81", "RIGHT"}, {"OFF", "PGDN"},
    {"MENU", "F1"}, {"CALC", "F2"}, {"MEMO", "F4"}, {"\x82", "UP"}, {"\x83", "DOWN"}, {"CHAR", "F5"},
    {":", ""}, {"TEST", "F6"}, {"CUR", "PGUP"}, {"123", "INS"}, {"CLR", "PAUS"}, {"CLK0", "F7"},
    {"A", ""}, {"B", ""}, {"C", ""}, {"D", ""}, {"E", ""}, {"F", ""},
    {"G", ""}, {"H", ""}, {"I (", ""}, {"J )", ""}, {"K", ""}, {"L", ""},
    {"7", "M"}, {"8", "N"}, {"9", "O"}, {"DEL", ""}, {"ON/C", "ESC"},
    {"4", "P"}, {"5", "Q"}, {"6", "R"}, {"*", "S"}, {"/", "T"},
    {"1", "U"}, {"2", "V"}, {"3", "W"}, {"+", "X"}, {"-", "Y"},
    {"0", "Z"}, {".", "["}, {"ANS", "]"}, {"SPACE", ""}, {"=", "ENTER"},
}};

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
    int small = -1;  // the small glyph being read, or -1
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        const std::string where = std::string(path) + ":" + std::to_string(lineNumber) + ": ";
        const bool opens = line.rfind("glyph ", 0) == 0 || line.rfind("small ", 0) == 0;
        if (opens && (row < (small >= 0 ? SmallRows : GlyphSize))) {
            error = where + "the glyph before has too few rows";
            return std::nullopt;
        }
        if (line.rfind("small ", 0) == 0) {
            const auto c = static_cast<unsigned char>(line.size() == 7 ? line[6] : 0);
            if (c <= ' ' || c >= 128) {
                error = where + "expected \"small C\" with one printable character";
                return std::nullopt;
            }
            small = c;
            font.hasSmall[c] = true;
            row = 0;
            continue;
        }
        if (small >= 0 && row < SmallRows) {
            if (!IsDotRow(line, SmallWidth)) {
                error = where + "expected a row of 3 '#' or '.'";
                return std::nullopt;
            }
            for (int column = 0; column < SmallWidth; ++column) font.small[small][row][column] = line[column] == '#';
            ++row;
            continue;
        }
        if (line.rfind("glyph ", 0) == 0) {
            small = -1;
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
        if (glyph < 0 || small >= 0 || row >= GlyphSize || !IsDotRow(line, GlyphSize)) {
            error = where + "expected a row of 8 '#' or '.'";
            return std::nullopt;
        }
        for (int column = 0; column < GlyphSize; ++column) font.glyphs[glyph][row][column] = line[column] == '#';
        ++row;
    }
    if (row < (small >= 0 ? SmallRows : GlyphSize)) {
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
int SmallTextWidth(std::string_view text) { return static_cast<int>(text.size()) * SmallAdvance - 1; }

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

void DrawSmall(Picture& image, int x, int y, std::string_view text, const Font& font) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 128) continue;
        for (int row = 0; row < SmallRows; ++row) {
            for (int column = 0; column < SmallWidth; ++column) {
                if (font.small[c][row][column]) image.setPixel(x + static_cast<int>(i) * SmallAdvance + column, y + row, Ink);
            }
        }
    }
}

// The action in the big letters, centred; the PC key in small letters
// beside it, on the same baseline, when both fit the face.
void DrawLegend(Picture& image, int left, int top, const Legend& legend, const Font& font) {
    const int actionWidth = ActionWidth(legend.action);
    int gap = -1;
    if (!legend.pcKey.empty()) {
        const int both = actionWidth + SmallTextWidth(legend.pcKey);
        if (both + 2 <= FaceWidth) gap = 2;
    }
    const int width = gap < 0 ? actionWidth : actionWidth + gap + SmallTextWidth(legend.pcKey);
    const int x = left + (FaceWidth - width) / 2;
    const int y = top + (FaceHeight - LegendRows) / 2;
    DrawAction(image, x, y, legend.action, font);
    if (gap >= 0) DrawSmall(image, x + actionWidth + gap, y + LegendRows - SmallRows, legend.pcKey, font);
}

// 6 x 9 cells of 35 x 11: keys 1..30 in rows 0..4, keys 31..50 in rows
// 5..8 (column 5 of those rows is unused).
Picture KeyFaces(const Font& font) {
    Picture image(6 * FaceWidth, 9 * FaceHeight, FaceColour);
    for (int key = 1; key <= 50; ++key) {
        const int column = key <= 30 ? (key - 1) % 6 : (key - 31) % 5;
        const int row = key <= 30 ? (key - 1) / 6 : 5 + (key - 31) / 5;
        DrawLegend(image, column * FaceWidth, row * FaceHeight, Legends[key], font);
    }
    return image;
}

// Every small letter a legend uses must be in the font.
std::string MissingSmallLetters(const Font& font) {
    std::string missing;
    for (const Legend& legend : Legends) {
        for (char c : legend.pcKey) {
            const auto u = static_cast<unsigned char>(c);
            if ((u >= 128 || !font.hasSmall[u]) && missing.find(c) == std::string::npos) missing += c;
        }
    }
    return missing;
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
    if (const std::string missing = MissingSmallLetters(*font); !missing.empty()) {
        std::fprintf(stderr, "varnox-kit: %s: no small letters for \"%s\"\n", argv[1], missing.c_str());
        return 1;
    }
    const std::string dir = argv[2];
    const bool written = WriteFile(dir + "/charset.bin", Charset(*font)) && WriteFile(dir + "/keys.bmp", KeyFaces(*font).Bmp());
    return written ? 0 : 1;
}
