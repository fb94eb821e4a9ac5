// The CRC that states, recordings and symbol files keep of the ROMs: files
// written by earlier builds must still match.
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "core/Crc32.h"

namespace varnox {
namespace {

struct CrcCase {
    std::string_view text;
    uint32_t crc;
};

TEST(Crc32Test, KnownValues) {
    const CrcCase cases[] = {
        {"", 0x00000000},
        {"123456789", 0xCBF43926},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339},
    };
    for (const CrcCase& c : cases) {
        const std::vector<uint8_t> bytes(c.text.begin(), c.text.end());
        EXPECT_EQ(Crc32(bytes), c.crc) << c.text;
    }
}

}  // namespace
}  // namespace varnox
