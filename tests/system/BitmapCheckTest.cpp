// The cut-off bitmap check on headers as they come, crafted ones included.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "system/BitmapCheck.h"

namespace varnox {
namespace {

std::vector<uint8_t> Bitmap(int32_t width, int32_t height, uint16_t bits, uint32_t offset, size_t size,
                            uint32_t compression = 0) {
    std::vector<uint8_t> bytes(size < 54 ? 54 : size, 0);
    const auto put = [&](size_t at, uint32_t value, int count) {
        for (int i = 0; i < count; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(10, offset, 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(width), 4);
    put(22, static_cast<uint32_t>(height), 4);
    put(28, bits, 2);
    put(30, compression, 4);
    bytes.resize(size);
    return bytes;
}

TEST(BitmapCheck, TruncatedOnlyWhenThePixelsDoNotFit) {
    const struct {
        std::vector<uint8_t> bytes;
        bool truncated;
    } cases[] = {
        {Bitmap(210, 99, 24, 54, 54 + 632 * 99), false},
        {Bitmap(210, 99, 24, 54, 54 + 632 * 99 - 1), true},
        {Bitmap(210, -99, 24, 54, 54 + 632 * 99), false},  // top-down rows
        {Bitmap(210, 0, 24, 60, 54), true},                // pixels said to start past the end
        {Bitmap(1, 1, 1, 54, 58), false},
        {Bitmap(INT32_MAX, INT32_MAX, 0xFFFF, 54, 100), true},  // the product overflows 64 bits
        {Bitmap(INT32_MAX, INT32_MIN, 0xFFFF, 0xFFFFFFFF, 100), true},
        {Bitmap(210, 99, 24, 54, 100, 1), false},  // compressed: left to the reader
        {Bitmap(-5, 99, 24, 54, 100), false},
        {Bitmap(210, 99, 24, 54, 33), false},  // too short for a header
    };
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(IsTruncatedBitmap(cases[i].bytes), cases[i].truncated) << "case " << i;
}

}  // namespace
}  // namespace varnox
