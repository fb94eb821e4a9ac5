// The CRC-32 (IEEE 802.3) that states, recordings and symbol files keep of
// the ROMs they were made with.
#pragma once

#include <cstdint>
#include <span>

namespace varnox {

uint32_t Crc32(std::span<const uint8_t> bytes);

}  // namespace varnox
