// Replacing a file so that it is never seen half-written: the new contents
// go to a fresh temporary file beside it, which is renamed over it only once
// complete and on disk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace varnox {

// Returns the system's reason on failure; the old file is then untouched
// and no temporary file is left behind.
std::optional<std::string> ReplaceFileAtomically(const std::filesystem::path& file, std::span<const uint8_t> data);

}  // namespace varnox
