// The file assembler for firmware authors: a source text of assembly lines,
// with labels, constants, expressions, data and placement directives and
// included files, into the two ROM images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/Symbols.h"

namespace varnox {

struct SourceError {
    int Line = 0;    // 1-based
    int Column = 0;  // 1-based
    std::string Message;
    std::string File;  // the included file it is in; empty for the main source
};

// At most this many errors are kept; ErrorCount counts them all.
constexpr size_t MaxSourceErrors = 100;

struct SourceImages {
    std::vector<uint8_t> Rom0;  // instruction ROM image, unused words 0
    std::vector<uint8_t> Rom1;  // data ROM image, unused bytes 0xFF
    std::vector<SourceError> Errors;  // in source order; the images are void when any
    size_t ErrorCount = 0;
    std::string Listing;  // address, bytes and source, one line per source line
    // Every label: code labels by word address, data and RAM labels by data
    // address; in order of address, code first. Empty when any error.
    std::vector<Symbol> Labels;
    // The source line of every code word placed, in the order placed; FILE
    // relative to the main source's folder. Empty when any error.
    std::vector<SourceLineRow> Lines;
};

// The most a source file may hold, the main one or an included one; the
// included files come to at most this much in all.
constexpr size_t MaxSourceFileBytes = size_t{64} << 20;

// Reads a file that the source includes: false, with the reason in
// problem, when it cannot (a file larger than MaxSourceFileBytes among the
// reasons, refused before it is read).
using SourceReader = std::function<bool(const std::string& path, std::string& text, std::string& problem)>;

struct SourceOptions {
    std::string FileName;  // the main source's path; included names are relative to it
    SourceReader ReadFile;  // without one, include is an error
    bool WantListing = true;
};

// Assembles a whole source text. Never fails on any input: every problem
// is an entry of Errors.
SourceImages AssembleSource(std::string_view source);
SourceImages AssembleSource(std::string_view source, const SourceOptions& options);

// "FILE:LINE:COLUMN: error: MESSAGE", FILE being the error's own file when
// it is in an included one.
std::string FormatSourceError(std::string_view file, const SourceError& error);

}  // namespace varnox
