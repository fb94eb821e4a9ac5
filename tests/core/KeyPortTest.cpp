// The key matrix: which keys KI shows for the lines KO drives.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <memory>
#include <set>
#include <utility>

#include "core/Cpu.h"
#include "core/Def.h"
#include "peripherals/Keyboard.h"

namespace varnox {
namespace {

class KeyboardTest : public ::testing::Test {
protected:
    std::unique_ptr<Machine> m = std::make_unique<Machine>();

    uint8_t Scan(uint8_t ko, int32_t mouse, int32_t pcKey = 0, int32_t printSwitch = 0) {
        m->Cpu.KO = ko;
        m->HeldKeys = {mouse, pcKey, printSwitch};
        KeyScan(*m);
        return m->Cpu.KI;
    }
};

TEST_F(KeyboardTest, TableIsAMatrixOfTwoLineMasks) {
    std::set<std::pair<int, int>> seen;
    for (int key = 1; key <= KeyCount; ++key) {
        const KeyTableEntry& e = KeyTable[key];
        EXPECT_EQ(std::popcount(e.mask), 2) << key;
        EXPECT_NE(e.mask & 0xC0, 0) << key;
        EXPECT_EQ(std::popcount(e.bit), 1) << key;
        EXPECT_TRUE(seen.insert({e.mask, e.bit}).second) << "key " << key << " shares its position";
    }
}

TEST_F(KeyboardTest, WakeLineKeysClearHalted) {
    // The off state drives 0x41: only key 35 is seen and wakes the processor.
    m->Cpu.Halted = true;
    EXPECT_EQ(Scan(0x41, 1, 7), 0x00);
    EXPECT_TRUE(m->Cpu.Halted);
    EXPECT_EQ(Scan(0x41, 0, 35), 0x01);
    EXPECT_FALSE(m->Cpu.Halted);

    for (const int key : {1, 7, 13, 25, 31, 41}) {
        m->Cpu.Halted = true;
        EXPECT_EQ(Scan(KeyTable[key].mask, key), 0x01) << key;
        EXPECT_FALSE(m->Cpu.Halted) << key;
    }
    m->Cpu.Halted = true;
    EXPECT_EQ(Scan(0x42, 2), 0x02);
    EXPECT_TRUE(m->Cpu.Halted);
}

TEST_F(KeyboardTest, KeysAreSeenOnlyWhileBothLinesAreDriven) {
    m->Cpu.KI = 0x5A;
    EXPECT_EQ(Scan(0x3F, 1, 35, PrintSwitchKey), 0x5A);  // matrix not driven: KI kept

    for (int key = 1; key <= KeyCount; ++key) {
        EXPECT_EQ(Scan(0xFF, key), KeyTable[key].bit) << key;
        EXPECT_EQ(Scan(KeyTable[key].mask, 0, key), KeyTable[key].bit) << key;
        const uint8_t oneLine = static_cast<uint8_t>(KeyTable[key].mask & 0xC0);
        EXPECT_EQ(Scan(oneLine, 0, 0, key), 0) << key;  // only one of its lines
    }
    EXPECT_EQ(Scan(0x42, 1, 2), 0x03);
    EXPECT_EQ(Scan(0xFF, 1, 2, 53), 0x83);
    EXPECT_EQ(Scan(0x42, 1, 1), 0x01);
}

TEST_F(KeyboardTest, PrintSwitchNeedsLinesSevenAndFive) {
    EXPECT_EQ(Scan(0xA0, 0, 0, PrintSwitchKey), 0x80);
    EXPECT_EQ(Scan(0x80, 0, 0, PrintSwitchKey), 0x00);
    EXPECT_EQ(Scan(0xE0, 0, 0, PrintSwitchKey), 0x80);
    m->Cpu.KI = 0x22;
    EXPECT_EQ(Scan(0x20, 0, 0, PrintSwitchKey), 0x22);
}

TEST_F(KeyboardTest, SelfTestBitWhileCounterRuns) {
    m->Clock.SelfTestCounter = 3;
    EXPECT_EQ(Scan(0x40, 0), 0x10);
    EXPECT_EQ(Scan(0x42, 1), 0x11);
    m->Clock.SelfTestCounter = -1;
    EXPECT_EQ(Scan(0x80, 0), 0x10);
    m->Clock.SelfTestCounter = 0;
    EXPECT_EQ(Scan(0x80, 0), 0x00);
}

TEST_F(KeyboardTest, BadKeyNumbersAreIgnored) {
    for (const int32_t key : {0, -1, 54, 255, INT_MIN, INT_MAX}) {
        EXPECT_EQ(Scan(0xFF, key, key, key), 0x00) << key;
    }
    EXPECT_EQ(Scan(0xFF, 54, 41, -3), 0x01);
}

}  // namespace
}  // namespace varnox
