#include "core/Crc32.h"

#include <zlib.h>

namespace varnox {

uint32_t Crc32(std::span<const uint8_t> bytes) {
    return static_cast<uint32_t>(crc32_z(0, bytes.data(), bytes.size()));
}

}  // namespace varnox
