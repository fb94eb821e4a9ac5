#include "system/BitmapCheck.h"

namespace varnox {

bool IsTruncatedBitmap(std::span<const uint8_t> bytes) {
    if (bytes.size() < 34 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    auto field = [&](size_t at, size_t size) {
        uint32_t value = 0;
        for (size_t i = size; i-- > 0;) value = (value << 8) | bytes[at + i];
        return value;
    };
    if (field(14, 4) < 40) return false;  // old OS/2 headers
    const int64_t width = static_cast<int32_t>(field(18, 4));
    const int64_t height = static_cast<int32_t>(field(22, 4));
    const int64_t bitsPerPixel = field(28, 2);
    if (field(30, 4) != 0 || width <= 0 || bitsPerPixel == 0) return false;
    // Below 2^47 each, so these products and sums fit in 64 bits; the rows
    // times the row size may not, hence the division.
    const int64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    const int64_t rows = height < 0 ? -height : height;
    const int64_t available = static_cast<int64_t>(bytes.size()) - static_cast<int64_t>(field(10, 4));
    if (rows == 0) return available < 0;
    return available < 0 || rowBytes > available / rows;
}

}  // namespace varnox
