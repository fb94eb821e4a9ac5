// varnox-kit FONT OUTDIR: writes the default kit's character set
// ("charset.bin") from the dot font in FONT, and the key faces
// ("keys.bmp") with legends drawn in the same font.
#include <QImage>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
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

// dots[c][row][column]
using Font = std::array<std::array<std::array<bool, GlyphSize>, GlyphSize>, GlyphCount>;

// The legend of each key, by key number 1..50: the PC keys that press it.
// Keys no PC key reaches stay plain.
constexpr std::array<std::string_view, 51> Legends = {
    "",
    "HOME", "END", "\"", "LEFT", "RIGHT", "",
    "", "", "", "UP", "DOWN", "",
    ":", "", "", "", "", "",
    "A", "B", "C", "D", "E", "F",
    "G", "H", "I (", "J )", "K", "L",
    "M 7", "N 8", "O 9", "DEL", "ESC",
    "P 4", "Q 5", "R 6", "S *", "T /",
    "U 1", "V 2", "W 3", "X +", "Y -",
    "Z 0", "[ .", "]", "SPC", "ENTER",
};

// The colour of the window's keys, so that a face blends into its button;
// the digit keys of the lower block are lighter.
constexpr QRgb UpperFace = 0xFFD4D0C8;
constexpr QRgb LowerFace = 0xFFECEAE6;
constexpr QRgb Ink = 0xFF000000;

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
        if (line.rfind("glyph ", 0) == 0) {
            if (row < GlyphSize) {
                error = where + "glyph " + std::to_string(glyph) + " has fewer than 8 rows";
                return std::nullopt;
            }
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
        if (glyph < 0 || row >= GlyphSize || line.size() != GlyphSize ||
            line.find_first_not_of("#.") != std::string::npos) {
            error = where + "expected a row of 8 '#' or '.'";
            return std::nullopt;
        }
        for (int column = 0; column < GlyphSize; ++column) font[glyph][row][column] = line[column] == '#';
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
                if (font[c][row][column]) byte |= 0x80u >> row;
            }
            bytes[c * GlyphSize + column] = static_cast<char>(byte);
        }
    }
    return bytes;
}

void DrawLegend(QImage& image, int left, int top, std::string_view text, const Font& font) {
    const int width = static_cast<int>(text.size()) * LegendAdvance - 1;
    const int x0 = left + (FaceWidth - width) / 2;
    const int y0 = top + (FaceHeight - LegendRows) / 2;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto& glyph = font[static_cast<unsigned char>(text[i])];
        for (int row = 0; row < LegendRows; ++row) {
            for (int column = 0; column < LegendAdvance - 1; ++column) {
                if (glyph[row][column]) image.setPixel(x0 + static_cast<int>(i) * LegendAdvance + column, y0 + row, Ink);
            }
        }
    }
}

// 6 x 9 cells of 35 x 11: keys 1..30 in rows 0..4, keys 31..50 in rows
// 5..8 (column 5 of those rows is unused).
QImage KeyFaces(const Font& font) {
    QImage image(6 * FaceWidth, 9 * FaceHeight, QImage::Format_RGB32);
    image.fill(UpperFace);
    for (int key = 1; key <= 50; ++key) {
        const int column = key <= 30 ? (key - 1) % 6 : (key - 31) % 5;
        const int row = key <= 30 ? (key - 1) / 6 : 5 + (key - 31) / 5;
        const int left = column * FaceWidth;
        const int top = row * FaceHeight;
        for (int y = top; y < top + FaceHeight; ++y) {
            for (int x = left; x < left + FaceWidth; ++x) image.setPixel(x, y, key <= 30 ? UpperFace : LowerFace);
        }
        DrawLegend(image, left, top, Legends[key], font);
    }
    return image;
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
    const std::vector<char> charset = Charset(*font);
    std::ofstream out(dir + "/charset.bin", std::ios::binary | std::ios::trunc);
    out.write(charset.data(), static_cast<std::streamsize>(charset.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "varnox-kit: cannot write %s/charset.bin\n", dir.c_str());
        return 1;
    }
    if (!KeyFaces(*font).save(QString::fromStdString(dir + "/keys.bmp"), "BMP")) {
        std::fprintf(stderr, "varnox-kit: cannot write %s/keys.bmp\n", dir.c_str());
        return 1;
    }
    return 0;
}
