// The two LCD controller chips: display memory, character generator, cursor
// overlay and the timer period the run loop reads. Nibbles are held one per
// byte, values 0..15.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace varnox {

constexpr int LcdChipNibbles = 768;
constexpr int FrameNibbles = 1536;
constexpr int CharGenNibbles = 4096;
constexpr int CharsetFileBytes = 2048;

constexpr int DisplayColumns = 96;
constexpr int DisplayRows = 64;

// Where dot (column, row) lives in FrameBuffer: bands of eight dot rows,
// two nibbles a column, the upper four dots first, bit 3 the top dot.
constexpr int FrameIndexOfDot(int column, int row) { return (row / 8) * 192 + column * 2 + (row % 8) / 4; }
constexpr int FrameBitOfDot(int row) { return 3 - row % 4; }
// The first dot row a frame nibble shows.
constexpr int FrameRowOfNibble(int index) { return (index / 192) * 8 + (index % 2) * 4; }
constexpr int FrameColumnOfNibble(int index) { return (index % 192) / 2; }

// LcdControl bits.
constexpr uint8_t LcdPowered = 0x80;
constexpr uint8_t LcdEnabled = 0x01;
constexpr uint8_t LcdCommandMode = 0x20;

struct CursorRecord {
    std::array<uint8_t, 16> pattern{};
    int32_t phase = 0;
    int32_t half = 0;    // 0 or 96
    int32_t column = 0;
    int32_t band = 0;    // 0, 192, 384 or 576
};

struct LcdController {
    uint8_t LcdControl = 0;
    std::array<uint8_t, 2 * LcdChipNibbles> DisplayRam{};
    std::array<uint8_t, 6> CommandBuffer{};
    int32_t NibbleCount = 0;
    int32_t LcdAddress = 0;
    int32_t GlyphWidth = 8;
    bool DisplayOn = false;
    uint8_t CodeLatch = 0;
    std::array<CursorRecord, 2> Cursor{};
    int32_t CursorMode = 0;
    int32_t TimerPeriod = 8192;
    // The first 2048 bytes receive "charset.bin"; LoadFiles expands them in
    // place to one nibble per byte.
    std::array<uint8_t, CharGenNibbles> CharGenerator{};
    std::array<uint8_t, FrameNibbles> FrameBuffer{};
};

void LcdReset(LcdController& lcd);
void LcdBeginTransfer(LcdController& lcd);
// Passes the low four bits of n; returns a display nibble for a read,
// otherwise 0x0F.
uint8_t LcdTransfer(LcdController& lcd, uint8_t n);
uint8_t LcdApplyOp(uint8_t target, uint8_t value, int op);
void LcdRefresh(LcdController& lcd);

// Whether the dot shows black in FrameBuffer (an unpowered display shows
// nothing).
inline bool LcdDotOn(const LcdController& lcd, int column, int row) {
    if (!(lcd.LcdControl & LcdPowered)) return false;
    return (lcd.FrameBuffer[static_cast<size_t>(FrameIndexOfDot(column, row))] >> FrameBitOfDot(row)) & 1;
}

// Expands 2048 glyph bytes (already in CharGenerator[0..2047]) into 4096
// nibbles, high half first, working backwards so it can run in place.
void ExpandCharGenerator(LcdController& lcd);

}  // namespace varnox
