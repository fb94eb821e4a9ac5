// The two LCD controller chips: display memory, character generator, cursor
// overlay and the timer period the run loop reads. Nibbles are held one per
// byte, values 0..15.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "peripherals/SavedFields.h"

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

// Timer period selected by the nibble of command 13; the run loop's timer
// line toggles every 2 x TimerPeriod oscillator ticks.
inline constexpr std::array<int32_t, 16> TimerPeriodTable{
    8192, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 2048, 4096, 4096, 4096, 4096};
inline constexpr int32_t MaxTimerPeriod = 8192;

// LcdControl bits.
constexpr uint8_t LcdPowered = 0x80;
constexpr uint8_t LcdEnabled = 0x01;
constexpr uint8_t LcdCommandMode = 0x20;

inline constexpr int32_t CursorHalves[] = {0, 96};
inline constexpr int32_t CursorBands[] = {0, 192, 384, 576};

struct CursorRecord {
    std::array<uint8_t, 16> pattern{};
    int32_t phase = 0;
    int32_t half = 0;    // 0 or 96
    int32_t column = 0;
    int32_t band = 0;    // 0, 192, 384 or 576

    // Saved fields, in file order, with what command 14 and the cursor
    // commands can put in them (peripherals/SavedFields.h).
    template <class Io, class Self>
    static void Fields(Io& io, Self& s) {
        io("pattern", s.pattern, NibbleValue);
        io("phase", s.phase, Reach{0, 15});
        io("half", s.half, Reach{0, 96, CursorHalves});
        io("column", s.column, Reach{0, 127});
        io("band", s.band, Reach{0, 576, CursorBands});
    }
    bool operator==(const CursorRecord&) const = default;
};
// A new field breaks this on purpose: list it in Fields above (or say there
// why a state leaves it out), raise the state format version, then the size.
static_assert(sizeof(CursorRecord) == 32, "CursorRecord changed: list the new field in CursorRecord::Fields");

// What NibbleCount can hold: the command nibbles counted, or the byte phase
// bit of a data transfer.
inline constexpr int32_t NibbleCounts[] = {0, 1, 2, 3, 4, 5, 6, 8};

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

    // Saved fields, in file order (peripherals/SavedFields.h). LcdAddress
    // and CodeLatch take any value: the user glyph command counts the
    // address on without bound, and every use reduces it first.
    template <class Io, class Self>
    static void Fields(Io& io, Self& s) {
        static constexpr const char* CursorNames[] = {"Cursor[0]", "Cursor[1]"};
        io("LcdControl", s.LcdControl);
        io("DisplayRam", s.DisplayRam, NibbleValue);
        io("CommandBuffer", s.CommandBuffer, NibbleValue);
        io("NibbleCount", s.NibbleCount, Reach{0, 8, NibbleCounts});
        io("LcdAddress", s.LcdAddress);
        io("GlyphWidth", s.GlyphWidth, Reach{5, 8});
        io("DisplayOn", s.DisplayOn);
        io("CodeLatch", s.CodeLatch);
        for (size_t chip = 0; chip < s.Cursor.size(); ++chip) {
            io.Enter(CursorNames[chip]);
            CursorRecord::Fields(io, s.Cursor[chip]);
            io.Leave();
        }
        io("CursorMode", s.CursorMode, Reach{0, 15});
        io("TimerPeriod", s.TimerPeriod, Reach{4, MaxTimerPeriod, TimerPeriodTable});
        io("CharGenerator", s.CharGenerator, NibbleValue);
        io("FrameBuffer", s.FrameBuffer, NibbleValue);
    }
    bool operator==(const LcdController&) const = default;
};
// A new field breaks this on purpose: list it in Fields above (or say there
// why a state leaves it out), raise the state format version, then the size.
static_assert(sizeof(LcdController) == 7264, "LcdController changed: list the new field in LcdController::Fields");

void LcdReset(LcdController& lcd);
void LcdBeginTransfer(LcdController& lcd);
// Passes the low four bits of n; returns a display nibble for a read,
// otherwise 0x0F.
uint8_t LcdTransfer(LcdController& lcd, uint8_t n);
uint8_t LcdApplyOp(uint8_t target, uint8_t value, int op);
// The picture the controller shows: display memory with the cursor
// overlay. Reads the controller only.
void LcdCompose(const LcdController& lcd, std::array<uint8_t, FrameNibbles>& frame);
// LcdCompose into the controller's own FrameBuffer.
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
