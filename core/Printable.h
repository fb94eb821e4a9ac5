// Text from outside (file contents, file names, typed values) shown in a
// message. Control bytes would move the cursor, clear the screen or ring
// the bell, and a whole bad line of a large file would make a message no
// terminal or box can show: controls are written as \xNN, and the text is
// cut.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varnox {

// For a whole message, not just the part that came from outside.
constexpr size_t WholeText = static_cast<size_t>(-1);

// At most `limit` bytes of the text, then "..." when there was more; control
// bytes (C0, DEL and C1) and bytes that are not UTF-8 as \xNN, other UTF-8
// kept readable.
std::string Printable(std::string_view text, size_t limit = 40);

}  // namespace varnox
