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
    // file the rows do not name; Ambiguous when two have that name, which
    // are then the candidates.
    struct FileMatch {
        const std::string* Name = nullptr;
        bool Ambiguous = false;
        std::vector<std::string> Candidates;
    };
    FileMatch FindFile(std::string_view file) const;
    // The files named by the rows, sorted.
    std::vector<std::string> Files() const;

private:
    std::vector<SourceLineRow> rows_;
    std::vector<int32_t> byAddress_;  // index into rows_ or -1, per InstrRom word
    std::map<std::pair<std::string, int>, std::vector<uint16_t>, std::less<>> byLine_;
};

// A source file's text and its lines, numbered from 1, without their line
// ends. Only every 64th line's start is kept, so a file of short lines
// costs little more than its bytes; a line is found from the nearest.
class SourceFile {
public:
    explicit SourceFile(std::string text);
    size_t LineCount() const { return lines_; }
    // The line's text, "" beyond the file.
    std::string_view Line(int line) const;

private:
    static constexpr size_t Stride = 64;
    std::string text_;
    std::vector<uint32_t> starts_;  // of lines 1, 1 + Stride, 1 + 2 x Stride...
    size_t lines_ = 0;
};

// The text of the source files, read when first asked for, relative to the
// folder of the main source. Files that cannot be read say why. A file read
// is kept until forgotten: all of them after a rebuild, or those changed on
// disk since they were read.
class SourceTexts {
public:
    explicit SourceTexts(std::filesystem::path root = ".") : root_(std::move(root)) {}
    const std::filesystem::path& Root() const { return root_; }
    // The file's text, or nothing with the reason in problem.
    const SourceFile* File(const std::string& file, std::string* problem = nullptr);
    // The text of the line, or "" when it cannot be read.
    std::string LineText(const std::string& file, int line);
    // Every file is read again when next asked for.
    void Forget() { files_.clear(); }
    // Forgets the files whose size or time changed on disk since they were
    // read (or that came or went); true when there was one.
    bool ForgetChanged();

private:
    struct Stamp {
        bool Present = false;
        uintmax_t Size = 0;
        std::filesystem::file_time_type Time{};
        bool operator==(const Stamp&) const = default;
    };
    struct Loaded {
        std::optional<SourceFile> Text;
        std::string Problem;
        Stamp Seen;
    };
    Stamp StampOf(const std::string& file) const;
    std::filesystem::path root_;
    std::map<std::string, Loaded, std::less<>> files_;
};

}  // namespace varnox
