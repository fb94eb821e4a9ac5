// The source assembler on arbitrary text. Checked: no sanitizer report;
// every error has a message and a line and column inside the source (a
// column may point just past the end of its line); a source without errors
// gives both ROM images at their full sizes.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "asm/SourceAsm.h"
#include "core/Def.h"

namespace {

// The length in bytes of each line, without its line feed.
std::vector<size_t> LineLengths(std::string_view source) {
    std::vector<size_t> lengths;
    size_t start = 0;
    for (;;) {
        const size_t end = source.find('\n', start);
        if (end == std::string_view::npos) {
            lengths.push_back(source.size() - start);
            return lengths;
        }
        lengths.push_back(end - start);
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    const varnox::SourceImages images = varnox::AssembleSource(source);
    const std::vector<size_t> lengths = LineLengths(source);
    for (const varnox::SourceError& error : images.Errors) {
        FUZZ_CHECK(!error.Message.empty(), "an error without a message at %d:%d", error.Line, error.Column);
        FUZZ_CHECK(error.Line >= 1 && static_cast<size_t>(error.Line) <= lengths.size(), "line %d of %zu: %s",
                   error.Line, lengths.size(), error.Message.c_str());
        const size_t length = lengths[static_cast<size_t>(error.Line - 1)];
        FUZZ_CHECK(error.Column >= 1 && static_cast<size_t>(error.Column) <= length + 1,
                   "column %d of a line of %zu bytes: %s", error.Column, length, error.Message.c_str());
    }
    if (images.Errors.empty()) {
        FUZZ_CHECK(images.Rom0.size() == static_cast<size_t>(varnox::InstrRomBytes), "rom0 of %zu bytes",
                   images.Rom0.size());
        FUZZ_CHECK(images.Rom1.size() == static_cast<size_t>(varnox::DataRomBytes), "rom1 of %zu bytes",
                   images.Rom1.size());
    }
    return 0;
}
