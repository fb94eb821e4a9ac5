// The calculator's files and settings in a directory (the working directory
// for the emulator). Failures come back as the texts the user is shown.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Def.h"

namespace varnox {

inline constexpr const char* SettingsFileName = "varnox.ini";
inline constexpr const char* CharsetFileName = "charset.bin";
inline constexpr const char* Rom0FileName = "rom0.bin";
inline constexpr const char* Rom1FileName = "rom1.bin";
inline constexpr const char* RamFileName = "ram.bin";
inline constexpr const char* RegisterFileName = "register.bin";
inline constexpr const char* KeysFileName = "keys.bmp";

// The files a machine's directory holds for it besides its memory images.
inline constexpr const char* KitFileNames[] = {SettingsFileName, CharsetFileName, Rom0FileName, Rom1FileName,
                                               KeysFileName};
// The memory images, read at start and written back.
inline constexpr const char* MemoryFileNames[] = {RamFileName, RegisterFileName};

// The copies of a memory image's old contents that saves have kept beside
// it and that are there now: "ram.bin.bak", "ram.bin.bak.1" and on.
std::vector<std::filesystem::path> KeptCopies(const std::filesystem::path& file);

// The "OscFreq" values taken: beyond them a run tick would take longer
// than a tick of host time on any machine, or its grant would not fit.
inline constexpr int32_t MaxOscFreq = 100000;
inline constexpr int32_t MinOscFreq = -MaxOscFreq;

// Reads "OscFreq" and "SelfTest" of section "Settings"; anything absent or
// not an integer, and an "OscFreq" out of range, gives the default. Returns
// a warning for each value refused.
std::vector<std::string> LoadSettings(Settings& settings, const std::filesystem::path& dir);

// Which file was read: its identity, size and time of change.
struct FileStamp {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Size = 0;
    int64_t ChangedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// Before `path` is replaced by `bytes`: keeps a copy of the file there under
// the next such name, unless the stamp vouches for it or nothing would be
// lost. Sets `kept` to the copy's name (one found with the same contents
// counts); returns the reason when no copy could be kept.
std::optional<std::string> KeepUnvouchedFile(const std::filesystem::path& path, const std::optional<FileStamp>& vouched,
                                             std::span<const uint8_t> bytes, std::filesystem::path& kept);

// How a memory image was found at start.
struct MemoryFileAtStart {
    std::optional<FileStamp> ReadInFull;  // the file read in full, if one was
    bool Absent = false;                  // nothing was there
};

// The files "ram.bin" and "register.bin" as they were at start. Anything
// else in their place at a save (a file loading never reached, a short or
// long one, one changed or put there since) is kept beside it as a ".bak"
// before it is replaced, so nothing saved is ever lost.
struct SaveGuard {
    MemoryFileAtStart Ram;
    MemoryFileAtStart Register;
};

// What became of one file at start.
enum class FileOutcome {
    NotRead,     // not asked for, or the loading stopped before it
    Missing,     // absent, or a directory or pipe in its place
    Unreadable,  // could not be opened or read
    Short,
    Long,        // used as far as its size
    InFull,
};

struct LoadResult {
    std::vector<std::string> Messages;  // one message box each, in order
    bool Completed = true;  // false after an input/output error: skip LcdReset
    SaveGuard Guard;        // hand it to SaveFiles
    std::vector<std::pair<std::string, FileOutcome>> Outcomes;  // of the files asked for, in order

    FileOutcome OutcomeOf(std::string_view name) const;
    // Whether the file could not be had at all: missing or unreadable.
    bool Lacks(std::string_view name) const;
};

// Which files besides rom0.bin a start reads; the window reads them all, a
// command only those it needs.
struct FileChoice {
    bool Charset = true;
    bool Rom1 = true;
    bool Ram = true;
    bool Registers = true;
};

// Reads charset.bin, rom0.bin, rom1.bin, ram.bin, register.bin in that
// order (those chosen), after removing the temporaries an interrupted save
// left.
LoadResult LoadFiles(Machine& m, const std::filesystem::path& dir, const FileChoice& choice = {});

// The start of a machine from its directory, as the window is created:
// settings, then the files, then the LCD reset, which an input/output error
// while loading skips.
LoadResult LoadMachine(Machine& m, const std::filesystem::path& dir);

struct KitFile;

// The same start from a kit's files in memory (the built-in kit), with the
// messages a folder holding just those files would give.
LoadResult LoadKitMachine(Machine& m, std::span<const KitFile> kit);

struct SaveResult {
    std::vector<std::string> Messages;  // failures, and copies kept
    bool Failed = false;                // a file could not be saved
};

// Writes ram.bin then register.bin, each replaced whole or not at all,
// after keeping a copy of a file the guard does not vouch for; the guard
// then vouches for what was written.
SaveResult SaveFiles(const Machine& m, const std::filesystem::path& dir, SaveGuard& guard);

}  // namespace varnox
