// Reading "rom.sym" for the window and the tools: a file that is missing
// is no symbols and no message; one that cannot be read, holds malformed
// lines or does not match the ROM it sits beside says so, naming the file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "asm/Symbols.h"
#include "core/Def.h"
#include "debugger/SourceLines.h"

namespace varnox {

struct SymbolLoad {
    SymbolTable Table;
    SourceMap Lines;  // the line rows of the instruction ROM's words
    std::optional<uint32_t> Rom0Crc;  // the images the file was written with, when it says
    std::optional<uint32_t> Rom1Crc;
    std::vector<std::string> Messages;
    bool Found = false;  // there was a file to read
};

// How far a file that names another ROM image is trusted: the one beside
// rom0.bin is left unused then (an older build's would mislead); one the
// user chose is used with a warning.
enum class SymbolTrust { MatchingImageOnly, Anyway };

SymbolLoad LoadSymbolFile(const std::filesystem::path& file, const Machine& m, SymbolTrust trust);

// rom.sym in the directory, when there is one.
SymbolLoad LoadSymbolsBeside(const std::filesystem::path& dir, const Machine& m);

}  // namespace varnox
