// Source lines for the debugger: which line of which source file each
// instruction-ROM word came from (the line rows of rom.sym), looked up
// both ways, and the source files' text read on demand for showing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asm/Symbols.h"
#include "debugger/ProgramPlace.h"  // FILE:LINE as typed is read there

namespace varnox {

class SourceMap {
public:
    // Takes the rows; one past the instruction ROM or a second row for a
    // word is left out (the first is kept).
    void Add(const SourceLineRow& row);
    void Clear();
    bool Empty() const { return rows_.empty(); }
    const std::vector<SourceLineRow>& All() const { return rows_; }

    // The source line of the word at the address, when one is known.
    const SourceLineRow* LineAt(uint16_t address) const;
    // Every word placed by the line, in address order. FILE is matched as
    // written in the rows, or else by its last component when only one
    // file has that name.
    std::vector<uint16_t> AddressesOf(std::string_view file, int line) const;
    // Where a breakpoint on the line goes: its first word, or when it
    // placed none (a comment, a label alone) the first word of the next
    // line of the file that placed one.
    std::optional<uint16_t> BreakAddressOf(std::string_view file, int line) const;
    // The rows' name of a file as typed: as written in the rows, or else by
    // its last component when only one file has that name. Nothing for a
    // file the rows do not name; Ambiguous when two have that name.
    struct FileMatch {
        const std::string* Name = nullptr;
        bool Ambiguous = false;
    };
    FileMatch FindFile(std::string_view file) const;
    // The files named by the rows, sorted.
    std::vector<std::string> Files() const;

private:
    std::vector<SourceLineRow> rows_;
    std::vector<int32_t> byAddress_;  // index into rows_ or -1, per InstrRom word
    std::map<std::pair<std::string, int>, std::vector<uint16_t>, std::less<>> byLine_;
};

// The text of the source files, read when first asked for, relative to the
// folder of the main source. Files that cannot be read say why.
class SourceTexts {
public:
    explicit SourceTexts(std::filesystem::path root = ".") : root_(std::move(root)) {}
    // The file's lines (without their line ends), or nothing with the
    // reason in problem.
    const std::vector<std::string>* Lines(const std::string& file, std::string* problem = nullptr);
    // The text of the line, or "" when it cannot be read.
    std::string LineText(const std::string& file, int line);

private:
    struct Loaded {
        std::vector<std::string> Lines;
        std::string Problem;
    };
    std::filesystem::path root_;
    std::map<std::string, Loaded, std::less<>> files_;
};

}  // namespace varnox
