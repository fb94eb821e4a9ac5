// The recording reader on arbitrary text. A recording that is read writes
// back to text that reads as the same recording; one that is refused says
// why in a message a box or a terminal can show.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

#include "FuzzCheck.h"
#include "system/Recording.h"

namespace {

// A line number, a sentence and a few dozen characters of the file.
constexpr size_t LongestMessage = 300;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = varnox::ParseRecording(text);
    if (const auto* message = std::get_if<std::string>(&parsed)) {
        FUZZ_CHECK(message->size() <= LongestMessage, "a message of %zu bytes", message->size());
        return 0;
    }
    const auto& recording = std::get<varnox::Recording>(parsed);
    const auto again = varnox::ParseRecording(varnox::FormatRecording(recording));
    FUZZ_CHECK(std::holds_alternative<varnox::Recording>(again), "a written recording is refused: %s",
               std::get<std::string>(again).c_str());
    FUZZ_CHECK(std::get<varnox::Recording>(again) == recording, "a written recording reads back otherwise");
    return 0;
}
