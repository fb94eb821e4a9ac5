// The key map's reader on arbitrary settings: one entry a line, NAME=VALUE.
// Every entry it does not use is one warning at most, each short; the map
// it reads writes back to entries that read as the same map, silently.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "system/KeyMap.h"

namespace {

// Two quoted words of a few dozen characters, each byte perhaps escaped as
// \xNN, in a sentence.
constexpr size_t LongestWarning = 600;

std::vector<varnox::KeyMapEntry> EntriesOf(std::string_view text) {
    std::vector<varnox::KeyMapEntry> entries;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        const size_t equals = line.find('=');
        entries.push_back({std::string(line.substr(0, equals)),
                           equals == std::string_view::npos ? std::string() : std::string(line.substr(equals + 1))});
        start = end + 1;
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<varnox::KeyMapEntry> entries = EntriesOf(std::string_view(reinterpret_cast<const char*>(data), size));
    const varnox::KeyMapRead read = varnox::ReadKeyMap(entries);
    FUZZ_CHECK(read.Warnings.size() <= entries.size(), "%zu warnings for %zu entries", read.Warnings.size(),
               entries.size());
    for (const std::string& warning : read.Warnings) {
        FUZZ_CHECK(warning.size() <= LongestWarning, "a warning of %zu bytes", warning.size());
    }
    const varnox::KeyMapRead again = varnox::ReadKeyMap(varnox::KeyMapEntries(read.Map));
    FUZZ_CHECK(again.Warnings.empty(), "written entries warn: %s", again.Warnings.front().c_str());
    FUZZ_CHECK(again.Map == read.Map, "written entries read back as another map");
    return 0;
}
