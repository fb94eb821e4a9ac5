// The page's toolchain has zlib only as a port it builds from a download,
// which a machine without that network cannot make: there the CRC is
// computed by table. The page's test checks its states against the tool's.
#include "core/Crc32.h"

#include <array>

namespace varnox {
namespace {

constexpr uint32_t Polynomial = 0xEDB88320u;  // IEEE 802.3, bits reversed

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? Polynomial ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> CrcTable = MakeCrcTable();

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (const uint8_t byte : bytes) c = CrcTable[(c ^ byte) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

}  // namespace varnox
