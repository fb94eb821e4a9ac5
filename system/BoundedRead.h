// Reading a whole file that the user names: only a regular file of moderate
// size, and never waiting on a FIFO or device put in its place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnox {

// Reads the file into `bytes`; on failure returns the reason ("not a
// regular file", the system's text, or "not a KIND (N bytes, far too
// large)" beyond `maxBytes`).
std::optional<std::string> ReadBoundedFile(const std::filesystem::path& file, size_t maxBytes, std::string_view kind,
                                           std::vector<uint8_t>& bytes);

}  // namespace varnox
