// The key matrix position by position, row by KO mask, so that a key moved
// to another line or bit shows up by number.
#include <gtest/gtest.h>

#include <cstdint>

#include "peripherals/Keyboard.h"

namespace varnox {
namespace {

struct MatrixRow {
    uint8_t mask;
    int keys[8];  // by KI bit 0x01 .. 0x80; 0 = no key
};

constexpr MatrixRow Matrix[] = {
    {0x41, {35, 0, 0, 0, 0, 0, 0, 0}},
    {0x42, {1, 2, 6, 50, 0, 0, 51, 52}},
    {0x44, {7, 8, 9, 4, 5, 10, 11, 12}},
    {0x50, {13, 14, 3, 15, 16, 17, 18, 24}},
    {0x60, {25, 19, 20, 21, 22, 23, 29, 30}},
    {0x81, {31, 32, 33, 36, 37, 38, 39, 40}},
    {0x82, {41, 42, 43, 46, 47, 48, 44, 45}},
    {0x84, {0, 0, 0, 26, 27, 28, 34, 49}},
    {0xA0, {0, 0, 0, 0, 0, 0, 0, 53}},
};

TEST(KeyMatrixLayout, EveryKeySitsOnItsLineAndBit) {
    int placed = 0;
    for (const MatrixRow& row : Matrix) {
        for (int bit = 0; bit < 8; ++bit) {
            const int key = row.keys[bit];
            if (key == 0) continue;
            ++placed;
            EXPECT_EQ(KeyTable[key].mask, row.mask) << "key " << key;
            EXPECT_EQ(KeyTable[key].bit, 1 << bit) << "key " << key;
        }
    }
    EXPECT_EQ(placed, KeyCount);
}

}  // namespace
}  // namespace varnox
