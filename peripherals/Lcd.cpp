// The two LCD controller chips. Every nibble the processor sends is accepted;
// addresses and indices are reduced before use so that no controller state,
// however it was reached, can index outside the memories.
#include "peripherals/Lcd.h"

#include <algorithm>

namespace varnox {

namespace {

constexpr int GlyphNibbles = 16;
constexpr int UserGlyphFirst = 0xFC;
constexpr int MaxGlyphWidth = 8;  // a glyph holds 8 dot columns

// Command codes (first command nibble).
constexpr uint8_t CmdReadAddress = 1;
constexpr uint8_t CmdWriteAddress = 2;
constexpr uint8_t CmdCharAddress = 3;
constexpr uint8_t CmdDisplayOnOff = 4;
constexpr uint8_t CmdCursorNibbles = 6;
constexpr uint8_t CmdCursorGlyph = 7;
constexpr uint8_t CmdGlyphWidth = 8;
constexpr uint8_t CmdCursorMode = 9;
constexpr uint8_t CmdUserGlyph = 11;
constexpr uint8_t CmdTimerPeriod = 13;
constexpr uint8_t CmdCursorPosition = 14;

constexpr int32_t BytePhaseBit = 8;  // NibbleCount bit 3 in data mode

// Signed 32-bit addition that wraps instead of overflowing.
int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Non-negative remainder, so that even a negative address stays in range.
int32_t WrapChip(int64_t address) {
    const int64_t r = address % LcdChipNibbles;
    return static_cast<int32_t>(r < 0 ? r + LcdChipNibbles : r);
}

// Glyph width as the drawing loops use it; only commands can set it, and they
// keep it within 5..8.
int EffectiveGlyphWidth(const LcdController& lcd) {
    return std::clamp<int32_t>(lcd.GlyphWidth, 0, MaxGlyphWidth);
}

uint8_t& ChipNibble(LcdController& lcd, int chip, int32_t address) {
    return lcd.DisplayRam[static_cast<size_t>(chip) * LcdChipNibbles + static_cast<size_t>(address)];
}

// Address reduction of the read/write/character address commands: nibble 3
// sets the low part, nibble 4 the column (folding 96..127 back and choosing
// the half), nibble 5 the band.
void SetAddressNibble(LcdController& lcd, int k, uint8_t n) {
    switch (k) {
        case 3: lcd.LcdAddress = n; break;
        case 4:
            lcd.LcdAddress = WrapAdd(lcd.LcdAddress, (n & 7) * 16);
            if (lcd.LcdAddress >= 96) lcd.LcdAddress -= 32;
            if (n > 7) lcd.LcdAddress = WrapAdd(lcd.LcdAddress, 96);
            break;
        case 5: lcd.LcdAddress = WrapAdd(lcd.LcdAddress, (n & 3) * 192); break;
        default: break;
    }
}

void CommandNibble(LcdController& lcd, uint8_t n) {
    if (lcd.NibbleCount >= 0 && lcd.NibbleCount < static_cast<int32_t>(lcd.CommandBuffer.size())) {
        lcd.CommandBuffer[static_cast<size_t>(lcd.NibbleCount)] = n;
        lcd.NibbleCount += 1;
    }
    const int32_t k = lcd.NibbleCount;
    const int chip = lcd.CommandBuffer[1] & 1;
    CursorRecord& cursor = lcd.Cursor[static_cast<size_t>(chip)];
    switch (lcd.CommandBuffer[0]) {
        case CmdReadAddress:
        case CmdWriteAddress:
        case CmdCharAddress: SetAddressNibble(lcd, k, n); break;
        case CmdDisplayOnOff:
            if (k == 2) lcd.DisplayOn = (n & 1) != 0;
            break;
        case CmdCursorNibbles:
        case CmdCursorGlyph:
            lcd.LcdAddress = 0;
            if (k == 3) cursor.phase = n;
            break;
        case CmdGlyphWidth:
            if (k == 2) lcd.GlyphWidth = 8 - (n & 3);
            break;
        case CmdCursorMode:
            if (k == 2) lcd.CursorMode = n;
            break;
        case CmdUserGlyph: lcd.LcdAddress = 0; break;
        case CmdTimerPeriod:
            if (k == 2) lcd.TimerPeriod = TimerPeriodTable[n & 15];
            break;
        case CmdCursorPosition:
            if (k == 3) {
                cursor.column = n;
            } else if (k == 4) {
                cursor.column = WrapAdd(cursor.column, (n & 7) * 16);
                cursor.half = n > 7 ? 96 : 0;
            } else if (k == 5) {
                cursor.band = (n & 3) * 192;
            }
            break;
        default: break;
    }
}

// A data byte arrives low half first: the first nibble is latched, the second
// completes the code. Returns true when the code is complete.
bool LatchCodeNibble(LcdController& lcd, uint8_t n) {
    const bool complete = (lcd.NibbleCount & BytePhaseBit) != 0;
    if (complete) {
        lcd.CodeLatch = static_cast<uint8_t>(lcd.CodeLatch + 16 * n);
    } else {
        lcd.CodeLatch = n;
    }
    lcd.NibbleCount ^= BytePhaseBit;
    return complete;
}

uint8_t DataNibble(LcdController& lcd, uint8_t n) {
    const int chip = lcd.CommandBuffer[1] & 1;
    const int op = lcd.CommandBuffer[1] >> 1;
    CursorRecord& cursor = lcd.Cursor[static_cast<size_t>(chip)];
    uint8_t result = 0x0F;
    switch (lcd.CommandBuffer[0]) {
        case CmdReadAddress:
            lcd.LcdAddress = WrapChip(lcd.LcdAddress);
            if (op == 7) result = ChipNibble(lcd, chip, lcd.LcdAddress) & 0x0F;
            lcd.LcdAddress += 1;
            break;
        case CmdWriteAddress: {
            lcd.LcdAddress = WrapChip(lcd.LcdAddress);
            uint8_t& target = ChipNibble(lcd, chip, lcd.LcdAddress);
            target = LcdApplyOp(target, n, op);
            lcd.LcdAddress += 1;
            break;
        }
        case CmdCharAddress:
            if (LatchCodeNibble(lcd, n)) {
                const int base = GlyphNibbles * lcd.CodeLatch;
                const int count = 2 * EffectiveGlyphWidth(lcd);
                for (int j = 0; j < count; ++j) {
                    lcd.LcdAddress = WrapChip(lcd.LcdAddress);
                    uint8_t& target = ChipNibble(lcd, chip, lcd.LcdAddress);
                    target = LcdApplyOp(target, lcd.CharGenerator[static_cast<size_t>(base + j)], op);
                    lcd.LcdAddress += 1;
                }
            }
            break;
        case CmdCursorNibbles:
            lcd.LcdAddress &= 15;
            cursor.pattern[static_cast<size_t>(lcd.LcdAddress)] = n;
            lcd.LcdAddress += 1;
            break;
        case CmdCursorGlyph:
            if (LatchCodeNibble(lcd, n)) {
                const auto first = lcd.CharGenerator.begin() + GlyphNibbles * lcd.CodeLatch;
                std::copy(first, first + GlyphNibbles, cursor.pattern.begin());
            }
            break;
        case CmdUserGlyph: {
            const int glyph = UserGlyphFirst + (lcd.CommandBuffer[2] & 3);
            lcd.CharGenerator[static_cast<size_t>(GlyphNibbles * glyph + (lcd.LcdAddress & 15))] = n;
            lcd.LcdAddress = WrapAdd(lcd.LcdAddress, 1);
            break;
        }
        default: break;
    }
    return result;
}

// Draws one chip's cursor overlay into the frame. Chip 0's overlay ends at
// its column, chip 1's starts there.
void DrawCursor(const LcdController& lcd, std::array<uint8_t, FrameNibbles>& frame, int chip, int op) {
    const CursorRecord& r = lcd.Cursor[static_cast<size_t>(chip)];
    const int width = EffectiveGlyphWidth(lcd);
    const int64_t shift = chip == 0 ? 2 * (width - 1) : 0;
    const int64_t start = static_cast<int64_t>(r.column) - shift;
    const int64_t rowBase = static_cast<int64_t>(r.band) + r.half;
    for (int j = 0; j < 2 * width; ++j) {
        const int64_t p = start + j;
        if (p < 0) continue;
        if (p > 95) break;
        uint8_t& target = frame[static_cast<size_t>(chip * LcdChipNibbles + WrapChip(rowBase + p))];
        const int64_t patternIndex = (static_cast<int64_t>(r.phase) - start + j) & 15;
        target = LcdApplyOp(target, r.pattern[static_cast<size_t>(patternIndex)], op);
    }
}

}  // namespace

void LcdReset(LcdController& lcd) {
    lcd.DisplayRam.fill(0);
    lcd.CommandBuffer.fill(0);
    lcd.NibbleCount = 0;
    lcd.LcdAddress = 0;
    lcd.TimerPeriod = 8192;
    lcd.GlyphWidth = 8;
    lcd.DisplayOn = false;
    lcd.Cursor[0] = CursorRecord{};
    lcd.Cursor[1] = CursorRecord{};
    lcd.CursorMode = 0;
}

void LcdBeginTransfer(LcdController& lcd) { lcd.NibbleCount = 0; }

uint8_t LcdTransfer(LcdController& lcd, uint8_t n) {
    n &= 0x0F;
    if (!(lcd.LcdControl & LcdPowered)) {
        LcdReset(lcd);
        return 0x0F;
    }
    if (!(lcd.LcdControl & LcdEnabled)) return 0x0F;
    if (lcd.LcdControl & LcdCommandMode) {
        CommandNibble(lcd, n);
        return 0x0F;
    }
    return DataNibble(lcd, n);
}

uint8_t LcdApplyOp(uint8_t target, uint8_t value, int op) {
    int result;
    switch (op) {
        case 0: result = value & ~target; break;
        case 1: result = target ^ value; break;
        case 2: result = 0; break;
        case 3: result = target & ~value; break;
        case 4: result = value; break;
        case 5: result = target | value; break;
        case 6: result = 0; break;
        default: result = target; break;
    }
    return static_cast<uint8_t>(result & 0x0F);
}

void LcdCompose(const LcdController& lcd, std::array<uint8_t, FrameNibbles>& frame) {
    if (!lcd.DisplayOn) {
        frame.fill(0);
        return;
    }
    frame = lcd.DisplayRam;
    if (!(lcd.CursorMode & 1)) return;
    const int op = lcd.CursorMode >> 1;
    DrawCursor(lcd, frame, 0, op);
    DrawCursor(lcd, frame, 1, op);
}

void LcdRefresh(LcdController& lcd) { LcdCompose(lcd, lcd.FrameBuffer); }

void ExpandCharGenerator(LcdController& lcd) {
    auto& table = lcd.CharGenerator;
    for (int k = CharsetFileBytes - 1; k >= 0; --k) {
        const uint8_t byte = table[static_cast<size_t>(k)];
        table[static_cast<size_t>(2 * k + 1)] = byte & 0x0F;
        table[static_cast<size_t>(2 * k)] = static_cast<uint8_t>(byte >> 4);
    }
}

}  // namespace varnox
