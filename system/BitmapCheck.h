// A check of uncompressed bitmap files before they are decoded: picture
// readers fill in whatever rows a cut-off file lacks, and such a file is not
// a picture to show.
#pragma once

#include <cstdint>
#include <span>

namespace varnox {

// True when the header of an uncompressed bitmap announces more pixel data
// than the file holds. Other formats, compressed bitmaps and old OS/2
// headers are left to their readers (false). Any header, however crafted,
// is judged without overflow.
bool IsTruncatedBitmap(std::span<const uint8_t> bytes);

}  // namespace varnox
