// The file assembler for firmware authors: a source text of assembly lines,
// with labels and placement directives, into the two ROM images.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnox {

struct SourceError {
    int Line = 0;    // 1-based
    int Column = 0;  // 1-based
    std::string Message;
};

struct SourceImages {
    std::vector<uint8_t> Rom0;  // instruction ROM image, unused words 0
    std::vector<uint8_t> Rom1;  // data ROM image, unused bytes 0xFF
    std::vector<SourceError> Errors;  // in line order; images are void when any
    std::string Listing;  // address, bytes and source, one line per source line
};

// Assembles a whole source text. Never fails on any input: every problem
// is an entry of Errors.
SourceImages AssembleSource(std::string_view source);

// "FILE:LINE:COLUMN: error: MESSAGE".
std::string FormatSourceError(std::string_view file, const SourceError& error);

}  // namespace varnox
