// The LCD controller driven nibble by nibble, as the transfer instructions do.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <random>

#include "peripherals/Lcd.h"

namespace varnox {
namespace {

constexpr uint8_t Powered = LcdPowered | LcdEnabled;

// One transfer instruction: the command/data bit set in LcdControl, then the
// nibbles. Returns the last result.
uint8_t Transfer(LcdController& lcd, bool command, std::initializer_list<uint8_t> nibbles) {
    LcdBeginTransfer(lcd);
    lcd.LcdControl = static_cast<uint8_t>(Powered | (command ? LcdCommandMode : 0));
    uint8_t result = 0;
    for (const uint8_t n : nibbles) result = LcdTransfer(lcd, n);
    return result;
}

void Command(LcdController& lcd, std::initializer_list<uint8_t> nibbles) { Transfer(lcd, true, nibbles); }

// A data byte, low half first, as one instruction sends it.
void DataByte(LcdController& lcd, uint8_t byte) {
    Transfer(lcd, false, {static_cast<uint8_t>(byte & 15), static_cast<uint8_t>(byte >> 4)});
}

uint8_t ChipSelect(int chip, int op) { return static_cast<uint8_t>(chip | (op << 1)); }

class LcdTest : public ::testing::Test {
protected:
    std::unique_ptr<LcdController> owned = std::make_unique<LcdController>();
    LcdController& lcd = *owned;

    void SetUp() override {
        lcd.LcdControl = Powered;
        LcdReset(lcd);
    }

    // Glyph c gets nibbles value(j) for j = 0..15.
    template <typename F>
    void SetGlyph(int c, F value) {
        for (int j = 0; j < 16; ++j) lcd.CharGenerator[16 * c + j] = static_cast<uint8_t>(value(j) & 15);
    }
};

TEST_F(LcdTest, AddressCommandsReduceColumnHalfAndBand) {
    Command(lcd, {2, 0, 0xF, 0x7, 0x0});
    EXPECT_EQ(lcd.LcdAddress, 95);  // 15 + 112 folds back to the last column
    Command(lcd, {2, 0, 0xF, 0xF, 0x0});
    EXPECT_EQ(lcd.LcdAddress, 191);  // second half
    Command(lcd, {1, 0, 0x3, 0x2, 0x3});
    EXPECT_EQ(lcd.LcdAddress, 3 + 32 + 576);
    Command(lcd, {3, 0, 0x1});
    EXPECT_EQ(lcd.LcdAddress, 1);  // a short command sets only what it reached

    // A write at the last address of chip 1 lands there and wraps to 0.
    Command(lcd, {2, ChipSelect(1, 4), 0xF, 0xF, 0x3});
    EXPECT_EQ(lcd.LcdAddress, 767);
    Transfer(lcd, false, {0x9, 0x6});
    EXPECT_EQ(lcd.DisplayRam[768 + 767], 0x9);
    EXPECT_EQ(lcd.DisplayRam[768 + 0], 0x6);
    EXPECT_EQ(lcd.DisplayRam[767], 0);  // chip 0 untouched
}

TEST_F(LcdTest, WritePixelOperations) {
    const auto writeAt0 = [&](int op, uint8_t value) {
        Command(lcd, {2, ChipSelect(0, op), 0, 0, 0});
        Transfer(lcd, false, {value});
        return lcd.DisplayRam[0];
    };
    EXPECT_EQ(writeAt0(4, 0xA), 0xA);  // replace
    EXPECT_EQ(writeAt0(1, 0x6), 0xC);
    EXPECT_EQ(writeAt0(1, 0x6), 0xA);  // XOR twice restores
    EXPECT_EQ(writeAt0(5, 0x5), 0xF);
    EXPECT_EQ(writeAt0(3, 0x3), 0xC);
    EXPECT_EQ(writeAt0(0, 0x6), 0x2);  // value AND NOT target
    EXPECT_EQ(writeAt0(7, 0x0), 0x2);  // no change
    EXPECT_EQ(writeAt0(3, 0xF), 0x0);  // clear
    EXPECT_EQ(writeAt0(4, 0xF), 0xF);
    EXPECT_EQ(writeAt0(6, 0x5), 0x0);
    EXPECT_EQ(writeAt0(4, 0xF), 0xF);
    EXPECT_EQ(writeAt0(2, 0x5), 0x0);
    EXPECT_EQ(LcdApplyOp(0x3, 0xC, 99), 0x3);
    EXPECT_EQ(LcdApplyOp(0x3, 0xC, -1), 0x3);
}

TEST_F(LcdTest, ReadsNeedOperationSevenButAlwaysAdvance) {
    Command(lcd, {2, ChipSelect(1, 4), 4, 0, 0});
    Transfer(lcd, false, {0x3, 0xC});
    Command(lcd, {1, ChipSelect(1, 2), 4, 0, 0});
    EXPECT_EQ(Transfer(lcd, false, {0}), 0x0F);
    EXPECT_EQ(lcd.LcdAddress, 5);
    Command(lcd, {1, ChipSelect(1, 7), 4, 0, 0});
    EXPECT_EQ(Transfer(lcd, false, {0}), 0x3);
    EXPECT_EQ(Transfer(lcd, false, {0}), 0xC);  // each instruction goes on from the address
    EXPECT_EQ(lcd.LcdAddress, 6);
    Command(lcd, {1, ChipSelect(1, 7), 5, 0, 0});
    EXPECT_EQ(Transfer(lcd, false, {0}), 0xC);
    EXPECT_EQ(lcd.DisplayRam[768 + 4], 0x3);  // reads change nothing
}

TEST_F(LcdTest, CharactersDrawGlyphWidthColumns) {
    SetGlyph(0x41, [](int j) { return j + 1; });
    Command(lcd, {3, ChipSelect(0, 4), 0, 0, 0});
    DataByte(lcd, 0x41);
    EXPECT_EQ(lcd.LcdAddress, 16);
    for (int j = 0; j < 16; ++j) EXPECT_EQ(lcd.DisplayRam[j], (j + 1) & 15) << j;

    Command(lcd, {8, 3});
    EXPECT_EQ(lcd.GlyphWidth, 5);
    Command(lcd, {3, ChipSelect(1, 4), 0, 0, 1});
    DataByte(lcd, 0x41);
    EXPECT_EQ(lcd.LcdAddress, 192 + 10);
    for (int j = 0; j < 10; ++j) EXPECT_EQ(lcd.DisplayRam[768 + 192 + j], j + 1) << j;
    EXPECT_EQ(lcd.DisplayRam[768 + 192 + 10], 0);

    // Two bytes in one instruction draw two characters side by side; the
    // pixel operation of the command applies to each.
    Command(lcd, {8, 0});
    Command(lcd, {3, ChipSelect(0, 1), 0, 0, 0});
    Transfer(lcd, false, {0x1, 0x4, 0x1, 0x4});
    for (int j = 0; j < 16; ++j) EXPECT_EQ(lcd.DisplayRam[j], 0) << j;  // XOR erased the first
    for (int j = 0; j < 16; ++j) EXPECT_EQ(lcd.DisplayRam[16 + j], (j + 1) & 15) << j;
}

TEST_F(LcdTest, LosingPowerResetsAndDisabledIgnores) {
    Command(lcd, {13, 1});
    EXPECT_EQ(lcd.TimerPeriod, 4);
    Command(lcd, {13, 15});
    EXPECT_EQ(lcd.TimerPeriod, 4096);
    Command(lcd, {2, ChipSelect(0, 4), 0, 0, 0});
    Transfer(lcd, false, {0x7});
    Command(lcd, {4, 1});

    LcdBeginTransfer(lcd);
    lcd.LcdControl = LcdPowered | LcdCommandMode;  // enabled bit clear: ignored
    EXPECT_EQ(LcdTransfer(lcd, 4), 0x0F);
    EXPECT_EQ(LcdTransfer(lcd, 0), 0x0F);
    EXPECT_TRUE(lcd.DisplayOn);
    EXPECT_EQ(lcd.DisplayRam[0], 0x7);

    lcd.CodeLatch = 0x5A;
    lcd.LcdControl = LcdEnabled;  // unpowered
    EXPECT_EQ(LcdTransfer(lcd, 3), 0x0F);
    EXPECT_EQ(lcd.DisplayRam[0], 0);
    EXPECT_EQ(lcd.TimerPeriod, 8192);
    EXPECT_FALSE(lcd.DisplayOn);
    EXPECT_EQ(lcd.CodeLatch, 0x5A);
    EXPECT_EQ(lcd.LcdControl, LcdEnabled);
}

TEST_F(LcdTest, UserGlyphChangesLaterCharactersAndCursors) {
    Command(lcd, {11, 0, 2});
    LcdBeginTransfer(lcd);
    lcd.LcdControl = Powered;
    for (int j = 0; j < 18; ++j) LcdTransfer(lcd, static_cast<uint8_t>(15 - j));  // the last two wrap
    for (int j = 0; j < 16; ++j) {
        const int expected = j < 2 ? (15 - (16 + j)) & 15 : 15 - j;
        EXPECT_EQ(lcd.CharGenerator[16 * 0xFE + j], expected) << j;
    }
    EXPECT_EQ(lcd.CharGenerator[16 * 0xFD], 0);
    EXPECT_EQ(lcd.CharGenerator[16 * 0xFF], 0);

    Command(lcd, {3, ChipSelect(0, 4), 0, 0, 0});
    DataByte(lcd, 0xFE);
    for (int j = 0; j < 16; ++j) EXPECT_EQ(lcd.DisplayRam[j], lcd.CharGenerator[16 * 0xFE + j]) << j;

    Command(lcd, {7, ChipSelect(1, 0), 3});
    EXPECT_EQ(lcd.Cursor[1].phase, 3);
    DataByte(lcd, 0xFE);
    for (int j = 0; j < 16; ++j) EXPECT_EQ(lcd.Cursor[1].pattern[j], lcd.CharGenerator[16 * 0xFE + j]) << j;
}

TEST_F(LcdTest, RefreshFollowsDisplayOnWithoutTouchingMemory) {
    Command(lcd, {2, ChipSelect(1, 4), 0, 0, 3});
    Transfer(lcd, false, {0x9});
    LcdRefresh(lcd);
    EXPECT_EQ(lcd.FrameBuffer[768 + 576], 0);
    EXPECT_EQ(lcd.DisplayRam[768 + 576], 0x9);
    Command(lcd, {4, 1});
    LcdRefresh(lcd);
    EXPECT_EQ(lcd.FrameBuffer, lcd.DisplayRam);
    Command(lcd, {4, 0});
    LcdRefresh(lcd);
    for (const uint8_t n : lcd.FrameBuffer) ASSERT_EQ(n, 0);
}

TEST_F(LcdTest, CursorOverlays) {
    Command(lcd, {4, 1});
    Command(lcd, {6, ChipSelect(0, 0), 0});
    Transfer(lcd, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0});
    Command(lcd, {14, ChipSelect(0, 0), 0, 0, 0});
    Command(lcd, {9, 1 | (4 << 1)});  // shown, replacing
    LcdRefresh(lcd);
    // Chip 0 ends at its column: at column 0 only the last two nibbles show.
    EXPECT_EQ(lcd.FrameBuffer[0], 13);  // pattern[(0 + 14 + 14) & 15]
    EXPECT_EQ(lcd.FrameBuffer[1], 14);
    for (int i = 2; i < 1536; ++i) ASSERT_EQ(lcd.FrameBuffer[i], 0) << i;

    // Chip 1 starts at its column, here column 90 of the second half of band
    // 1, and is cut at the right edge.
    Command(lcd, {6, ChipSelect(1, 0), 2});
    Transfer(lcd, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0});
    Command(lcd, {14, ChipSelect(1, 0), 0xA, 0xD, 1});
    EXPECT_EQ(lcd.Cursor[1].column, 90);
    EXPECT_EQ(lcd.Cursor[1].half, 96);
    EXPECT_EQ(lcd.Cursor[1].band, 192);
    LcdRefresh(lcd);
    const int base = 768 + 192 + 96;
    // The pattern index runs from phase - column: (2 - 90) & 15 = 8 first.
    const uint8_t expected[] = {9, 10, 11, 12, 13, 14};
    for (int p = 90; p < 96; ++p) EXPECT_EQ(lcd.FrameBuffer[base + p], expected[p - 90]) << p;
    EXPECT_EQ(lcd.FrameBuffer[base + 96], 0);
    EXPECT_EQ(lcd.FrameBuffer[base + 89], 0);

    // The overlay is never stored, and clearing the mode removes it.
    for (const uint8_t n : lcd.DisplayRam) ASSERT_EQ(n, 0);
    Command(lcd, {9, 0});
    LcdRefresh(lcd);
    for (const uint8_t n : lcd.FrameBuffer) ASSERT_EQ(n, 0);
}

TEST_F(LcdTest, CommandNibblesBeyondTheSixthAreIgnored) {
    Command(lcd, {2, 0, 1, 0, 0, 5, 7, 7, 7});
    EXPECT_EQ(lcd.LcdAddress, 1);
    EXPECT_EQ(lcd.CommandBuffer[5], 5);
    Command(lcd, {5, 0, 1, 2});  // no action
    EXPECT_EQ(lcd.LcdAddress, 1);
}

// Whatever state the controller is put in, no transfer or refresh may reach
// outside its memories (checked under the address sanitizer).
TEST_F(LcdTest, ArbitraryStateStaysInBounds) {
    std::mt19937 random(12345);
    const int32_t extremes[] = {INT32_MIN, INT32_MIN + 1, -769, -1, 0, 95, 127, 767, 768, 5000, INT32_MAX - 1, INT32_MAX};
    const auto pick = [&]() {
        return random() % 2 ? extremes[random() % std::size(extremes)] : static_cast<int32_t>(random());
    };
    for (int round = 0; round < 2000; ++round) {
        lcd.LcdAddress = pick();
        lcd.NibbleCount = pick();
        lcd.GlyphWidth = pick();
        lcd.CursorMode = pick();
        for (CursorRecord& cursor : lcd.Cursor) {
            cursor.phase = pick();
            cursor.half = pick();
            cursor.column = pick();
            cursor.band = pick();
        }
        for (uint8_t& n : lcd.CommandBuffer) n = static_cast<uint8_t>(random());
        lcd.CodeLatch = static_cast<uint8_t>(random());
        lcd.DisplayOn = true;
        lcd.LcdControl = static_cast<uint8_t>(random() | Powered);
        for (int i = 0; i < 40; ++i) {
            const uint8_t result = LcdTransfer(lcd, static_cast<uint8_t>(random()));
            ASSERT_LE(result, 0x0F);
        }
        LcdRefresh(lcd);
        if (round % 4 == 0) {
            lcd.CursorMode |= 1;
            LcdRefresh(lcd);
        }
    }
    for (const uint8_t n : lcd.DisplayRam) ASSERT_LE(n, 0x0F);
}

}  // namespace
}  // namespace varnox
