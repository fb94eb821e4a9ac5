// The calculator's data files and its settings file. Loading never stops the
// emulator from starting and says what was wrong with each file; saving
// replaces each file only once its new contents are safely on disk, and
// first keeps a copy of a file that was not read in full, so a save never
// loses memory.
#include "system/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/Printable.h"
#include "system/AtomicReplace.h"
#include "system/DefaultKit.h"

namespace varnox {

namespace {

namespace fs = std::filesystem;

// ---- Opening ---------------------------------------------------------------

enum class Presence { Regular, Missing, Directory, Other };

FileStamp StampOf(const struct stat& status) {
    return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino),
            static_cast<int64_t>(status.st_size),
            static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

// A file opened for reading only when it is a regular file: a pipe or a
// device in its place counts as missing (opening a pipe would wait for a
// writer for ever).
struct OpenedFile {
    Presence presence = Presence::Missing;
    int fd = -1;
    int error = 0;  // why a regular file could not be opened
    struct stat status {};

    explicit OpenedFile(const fs::path& path) {
        if (::stat(path.c_str(), &status) != 0) return;
        if (S_ISDIR(status.st_mode)) {
            presence = Presence::Directory;
            return;
        }
        if (!S_ISREG(status.st_mode)) {
            presence = Presence::Other;
            return;
        }
        presence = Presence::Regular;
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            error = errno;
            return;
        }
        // Swapped for something else since the look: taken as missing.
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            Close();
            presence = Presence::Other;
        }
    }
    ~OpenedFile() { Close(); }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;

    void Close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

// Reads into `buffer` until it is full or the file ends; returns the byte
// count, and the error that stopped it.
size_t ReadUpTo(int fd, std::span<uint8_t> buffer, int& error) {
    size_t got = 0;
    error = 0;
    while (got < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + got, buffer.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}

// ---- Settings --------------------------------------------------------------

constexpr const char* SettingsSection = "Settings";
constexpr const char* OscFreqKey = "OscFreq";
constexpr const char* SelfTestKey = "SelfTest";

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A signed decimal integer, or a hexadecimal one after "0x", "0X" or "$".
// Anything else, or a value outside signed 32 bits, is not an integer.
std::optional<int32_t> ParseInteger(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.starts_with("$")) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("+")) {
        text.remove_prefix(1);  // from_chars takes a minus sign only
    }
    // A sign after a hexadecimal prefix is not part of the format.
    if (text.empty() || (base == 16 && (text.front() == '-' || text.front() == '+'))) return std::nullopt;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Hands the settings text's lines, from the first, to `line` until it
// returns true: a file's read anew, or a text in memory.
using LineVisitor = std::function<bool(std::string_view line)>;
using IniLines = std::function<void(const LineVisitor& line)>;

IniLines LinesOfFile(const OpenedFile& file) {
    return [&file](const LineVisitor& line) {
        if (file.fd < 0 || ::lseek(file.fd, 0, SEEK_SET) != 0) return;
        const int fd = ::dup(file.fd);
        if (fd < 0) return;
        const std::unique_ptr<FILE, int (*)(FILE*)> in(::fdopen(fd, "r"), &std::fclose);
        if (!in) {
            ::close(fd);
            return;
        }
        char* buffer = nullptr;
        size_t capacity = 0;
        for (ssize_t length; (length = ::getline(&buffer, &capacity, in.get())) >= 0;) {
            if (line(std::string_view(buffer, static_cast<size_t>(length)))) break;
        }
        std::free(buffer);
    };
}

IniLines LinesOfText(std::string_view text) {
    return [text](const LineVisitor& line) {
        for (std::string_view rest = text; !rest.empty();) {
            const size_t end = rest.find('\n');
            const size_t length = end == std::string_view::npos ? rest.size() : end + 1;
            if (line(rest.substr(0, length))) return;
            rest.remove_prefix(length);
        }
    };
}

// The value of the first matching key in the first matching section, as ini
// readers look them up.
std::optional<std::string> FindIniValue(const IniLines& lines, std::string_view section, std::string_view key) {
    bool inSection = false;
    bool firstLine = true;
    std::optional<std::string> found;
    lines([&](std::string_view text) {
        if (firstLine && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // UTF-8 byte order mark
        firstLine = false;
        text = Trim(text);
        if (text.empty() || text.front() == ';' || text.front() == '#') return false;
        if (text.front() == '[') {
            const size_t close = text.find(']');
            inSection = close != std::string_view::npos && EqualsIgnoringCase(Trim(text.substr(1, close - 1)), section);
            return false;
        }
        if (!inSection) return false;
        const size_t equals = text.find('=');
        if (equals == std::string_view::npos) return false;
        if (EqualsIgnoringCase(Trim(text.substr(0, equals)), key)) found = std::string(Trim(text.substr(equals + 1)));
        return found.has_value();
    });
    return found;
}

// A setting's value, or the default with a warning when the value is not an
// integer or outside [low, high].
int32_t ReadIniInteger(const IniLines& lines, const char* key, int32_t fallback, int32_t low, int32_t high,
                       std::vector<std::string>& warnings) {
    const std::optional<std::string> text = FindIniValue(lines, SettingsSection, key);
    if (!text) return fallback;
    const std::optional<int32_t> value = ParseInteger(*text);
    if (value && *value >= low && *value <= high) return *value;
    std::string warning = std::string(SettingsFileName) + ": " + key + "=" + Printable(*text);
    if (!value) {
        warning += " is not an integer";
    } else {
        warning += " is out of range (" + std::to_string(low) + " to " + std::to_string(high) + ")";
    }
    warnings.push_back(warning + "; the default " + std::to_string(fallback) + " is used");
    return fallback;
}

std::vector<std::string> ReadSettings(Settings& settings, const IniLines& lines) {
    std::vector<std::string> warnings;
    const Settings defaults{};
    settings.OscFreq = ReadIniInteger(lines, OscFreqKey, defaults.OscFreq, MinOscFreq, MaxOscFreq, warnings);
    settings.SelfTest = ReadIniInteger(lines, SelfTestKey, defaults.SelfTest, INT32_MIN, INT32_MAX, warnings);
    return warnings;
}

// ---- Loading ---------------------------------------------------------------

constexpr const char* LoadFailedText = "Failed to load the file ";
constexpr const char* SaveFailedText = "Failed to save the file ";
constexpr const char* RestNotLoadedText = "; the rest of the files were not loaded";

enum class WhenMissing { Report, FillErased, Keep };

struct ImageFile {
    const char* name;
    std::span<uint8_t> region;
    WhenMissing whenMissing;
    bool isCharset;
    MemoryFileAtStart* atStart;  // for the files saved again
    bool chosen;
};

constexpr uint8_t ErasedRomByte = 0xFF;

struct ReadOutcome {
    FileOutcome kind = FileOutcome::InFull;
    std::optional<std::string> failure;  // stops the loading
    std::optional<std::string> warning;
};

// "1 byte", "2 bytes".
std::string ByteCount(uint64_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

// What reading `got` bytes of a file of `size` bytes into a region of
// `want` came to; `error` stopped the reading.
ReadOutcome JudgeRead(const char* name, size_t got, int error, uint64_t size, size_t want) {
    ReadOutcome outcome;
    const std::string expected = ", expected " + std::to_string(want);
    if (error) {
        outcome.kind = FileOutcome::Unreadable;
        outcome.failure = std::string(name) + ": " + std::strerror(error) + " after " + ByteCount(got) + expected;
    } else if (got < want) {
        outcome.kind = FileOutcome::Short;
        outcome.failure = std::string(name) + ": " + ByteCount(got) + expected;
    } else if (size > want) {
        outcome.kind = FileOutcome::Long;
        outcome.warning = std::string(name) + ": " + ByteCount(size) + expected + "; only the first " + ByteCount(want) +
                          " were used";
    }
    return outcome;
}

// Reads up to region.size() bytes; what was read before a failure stays in
// the region, a partial instruction word included.
ReadOutcome ReadImage(const OpenedFile& file, const char* name, std::span<uint8_t> region) {
    if (file.fd < 0) {
        ReadOutcome outcome;
        outcome.kind = FileOutcome::Unreadable;
        outcome.failure = std::string(name) + ": cannot be opened (" + std::strerror(file.error) + ")";
        return outcome;
    }
    int error = 0;
    const size_t got = ReadUpTo(file.fd, region, error);
    return JudgeRead(name, got, error, static_cast<uint64_t>(file.status.st_size), region.size());
}

// One image as its source holds it: read into its region, or why not.
struct ImageRead {
    Presence presence = Presence::Missing;
    ReadOutcome outcome;  // when Regular
    std::optional<FileStamp> stamp;  // of a file read in full
};

using ImageSource = std::function<ImageRead(const char* name, std::span<uint8_t> region)>;

ImageSource FolderImages(const fs::path& dir) {
    return [dir](const char* name, std::span<uint8_t> region) {
        const OpenedFile opened(dir / name);
        ImageRead read{opened.presence, {}, std::nullopt};
        if (opened.presence != Presence::Regular) return read;
        read.outcome = ReadImage(opened, name, region);
        if (read.outcome.kind == FileOutcome::InFull) read.stamp = StampOf(opened.status);
        return read;
    };
}

ImageSource KitImages(std::span<const KitFile> kit) {
    return [kit](const char* name, std::span<uint8_t> region) {
        ImageRead read;
        for (const KitFile& file : kit) {
            if (file.Name != name) continue;
            const size_t got = std::min(file.Bytes.size(), region.size());
            std::copy_n(file.Bytes.begin(), got, region.begin());
            read.presence = Presence::Regular;
            read.outcome = JudgeRead(name, got, 0, file.Bytes.size(), region.size());
        }
        return read;
    };
}

std::string NotAFile(const char* name, Presence presence) {
    return std::string(LoadFailedText) + name +
           (presence == Presence::Directory ? ": it is a directory" : ": it is not a regular file");
}

// ---- Saving ----------------------------------------------------------------

constexpr size_t CompareChunkBytes = 64 * 1024;
constexpr int MaxKeptCopies = 100;

// Whether the file holds exactly these bytes.
bool FileHolds(const fs::path& path, std::span<const uint8_t> bytes) {
    OpenedFile file(path);
    if (file.fd < 0 || file.status.st_size != static_cast<off_t>(bytes.size())) return false;
    std::vector<uint8_t> buffer(bytes.size());
    int error = 0;
    return ReadUpTo(file.fd, buffer, error) == bytes.size() && std::equal(buffer.begin(), buffer.end(), bytes.begin());
}

// Whether two regular files have the same contents.
bool SameContents(const fs::path& a, const fs::path& b) {
    OpenedFile first(a);
    OpenedFile second(b);
    if (first.fd < 0 || second.fd < 0 || first.status.st_size != second.status.st_size) return false;
    std::vector<uint8_t> left(CompareChunkBytes);
    std::vector<uint8_t> right(CompareChunkBytes);
    for (;;) {
        int error = 0;
        const size_t n = ReadUpTo(first.fd, left, error);
        if (error || ReadUpTo(second.fd, {right.data(), n}, error) != n || error) return false;
        if (!std::equal(left.begin(), left.begin() + static_cast<std::ptrdiff_t>(n), right.begin())) return false;
        if (n < left.size()) return true;
    }
}

// "ram.bin.bak", then "ram.bin.bak.1" and on: an earlier copy is never
// replaced.
fs::path CopyName(const fs::path& path, int n) {
    std::string name = path.string() + ".bak";
    if (n > 0) name.append(".").append(std::to_string(n));
    return name;
}

// What happened to a memory image that is kept before a save replaces it.
std::string KeptMessage(const char* name, const MemoryFileAtStart& atStart, const fs::path& kept) {
    const std::string copy = kept.filename().string();
    if (atStart.ReadInFull) return std::string(name) + " changed on disk since start; its contents are kept in " + copy;
    if (atStart.Absent) return std::string(name) + " was put there since start; its contents are kept in " + copy;
    return std::string(name) + " was not read in full at start; its old contents are kept in " + copy;
}

}  // namespace

std::optional<std::string> KeepUnvouchedFile(const fs::path& path, const std::optional<FileStamp>& vouched,
                                             std::span<const uint8_t> bytes, fs::path& kept) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    if (vouched && *vouched == StampOf(status)) return std::nullopt;
    if (FileHolds(path, bytes)) return std::nullopt;
    for (int n = 0; n < MaxKeptCopies; ++n) {
        const fs::path copy = CopyName(path, n);
        struct stat existing {};
        if (::lstat(copy.c_str(), &existing) == 0) {
            if (S_ISREG(existing.st_mode) && SameContents(path, copy)) {
                kept = copy;
                return std::nullopt;
            }
            continue;
        }
        const int error = KeepCopy(path, copy);
        if (error == EEXIST) continue;
        if (error) return std::string("no copy of the old file could be kept (") + std::strerror(error) + ")";
        kept = copy;
        return std::nullopt;
    }
    return std::string("no copy of the old file could be kept (") + std::strerror(EEXIST) + ")";
}

std::vector<fs::path> KeptCopies(const fs::path& file) {
    // One look at the directory rather than one per name a copy may have.
    std::set<std::string> names;
    for (int n = 0; n < MaxKeptCopies; ++n) names.insert(CopyName(file.filename(), n).string());
    std::vector<fs::path> copies;
    std::error_code error;
    const fs::path dir = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        if (names.count(it->path().filename().string())) copies.push_back(file.parent_path() / it->path().filename());
    }
    return copies;
}

FileOutcome LoadResult::OutcomeOf(std::string_view name) const {
    for (const auto& [file, outcome] : Outcomes) {
        if (file == name) return outcome;
    }
    return FileOutcome::NotRead;
}

bool LoadResult::Lacks(std::string_view name) const {
    const FileOutcome outcome = OutcomeOf(name);
    return outcome == FileOutcome::Missing || outcome == FileOutcome::Unreadable;
}

std::vector<std::string> LoadSettings(Settings& settings, const fs::path& dir) {
    const OpenedFile file(dir / SettingsFileName);
    return ReadSettings(settings, LinesOfFile(file));
}

namespace {

LoadResult LoadImages(Machine& m, const FileChoice& choice, const ImageSource& source) {
    LoadResult result;
    const std::span<uint8_t> charset(m.Lcd.CharGenerator.data(), CharsetFileBytes);
    const ImageFile files[] = {
        {CharsetFileName, charset, WhenMissing::Report, true, nullptr, choice.Charset},
        {Rom0FileName, m.InstrRom, WhenMissing::Report, false, nullptr, true},
        {Rom1FileName, m.DataRom, WhenMissing::FillErased, false, nullptr, choice.Rom1},
        {RamFileName, m.DataRam, WhenMissing::Keep, false, &result.Guard.Ram, choice.Ram},
        {RegisterFileName, m.Cpu.MainRegisterFile, WhenMissing::Keep, false, &result.Guard.Register, choice.Registers},
    };
    for (const ImageFile& file : files) {
        if (!file.chosen) continue;
        const ImageRead read = source(file.name, file.region);
        ReadOutcome outcome = read.outcome;
        if (read.presence == Presence::Regular) {
            if (file.atStart) file.atStart->ReadInFull = read.stamp;
        } else {
            outcome.kind = FileOutcome::Missing;
            if (file.atStart) file.atStart->Absent = read.presence == Presence::Missing;
            if (read.presence != Presence::Missing) {
                result.Messages.push_back(NotAFile(file.name, read.presence));
            } else if (file.whenMissing == WhenMissing::Report) {
                result.Messages.push_back(std::string(LoadFailedText) + file.name);
            }
            if (file.whenMissing == WhenMissing::FillErased) {
                std::fill(file.region.begin(), file.region.end(), ErasedRomByte);
            }
        }
        // The character generator must hold nibbles whatever happened to its
        // file, so it is expanded even when reading it failed: the glyphs of a
        // short file that were read are then usable, the rest stay blank.
        if (file.isCharset) ExpandCharGenerator(m.Lcd);
        result.Outcomes.emplace_back(file.name, outcome.kind);
        if (outcome.warning) result.Messages.push_back(*outcome.warning);
        if (outcome.failure) {
            const bool last = std::none_of(&file + 1, std::end(files), [](const ImageFile& f) { return f.chosen; });
            result.Messages.push_back(*outcome.failure + (last ? "" : RestNotLoadedText));
            result.Completed = false;
            break;
        }
    }
    return result;
}

// Settings first, then the images, then the LCD reset, which an
// input/output error while loading skips.
LoadResult StartFrom(Machine& m, const IniLines& settings, const std::function<LoadResult()>& images) {
    std::vector<std::string> warnings = ReadSettings(m.Config, settings);
    LoadResult result = images();
    result.Messages.insert(result.Messages.begin(), warnings.begin(), warnings.end());
    if (result.Completed) LcdReset(m.Lcd);
    return result;
}

}  // namespace

LoadResult LoadFiles(Machine& m, const fs::path& dir, const FileChoice& choice) {
    for (const char* name : {RamFileName, RegisterFileName}) {
        const bool chosen = name == RamFileName ? choice.Ram : choice.Registers;
        if (chosen) RemoveStaleTemporaries(dir / name);
    }
    return LoadImages(m, choice, FolderImages(dir));
}

LoadResult LoadMachine(Machine& m, const fs::path& dir) {
    const OpenedFile settings(dir / SettingsFileName);
    return StartFrom(m, LinesOfFile(settings), [&] { return LoadFiles(m, dir); });
}

LoadResult LoadKitMachine(Machine& m, std::span<const KitFile> kit) {
    std::string_view settings;
    for (const KitFile& file : kit) {
        if (file.Name == SettingsFileName) settings = {reinterpret_cast<const char*>(file.Bytes.data()), file.Bytes.size()};
    }
    return StartFrom(m, LinesOfText(settings), [&] { return LoadImages(m, {}, KitImages(kit)); });
}

SaveResult SaveFiles(const Machine& m, const fs::path& dir, SaveGuard& guard) {
    SaveResult result;
    const struct {
        const char* name;
        std::span<const uint8_t> data;
        MemoryFileAtStart& atStart;
    } files[] = {
        {RamFileName, m.DataRam, guard.Ram},
        {RegisterFileName, m.Cpu.MainRegisterFile, guard.Register},
    };
    for (const auto& file : files) {
        const fs::path path = dir / file.name;
        const auto fail = [&](const std::string& reason) {
            result.Messages.push_back(std::string(SaveFailedText) + file.name + ": " + reason);
            result.Failed = true;
        };
        fs::path kept;
        if (const auto problem = KeepUnvouchedFile(path, file.atStart.ReadInFull, file.data, kept)) {
            fail(*problem);  // replacing it now would lose it
            continue;
        }
        if (!kept.empty()) result.Messages.push_back(KeptMessage(file.name, file.atStart, kept));
        if (const auto reason = ReplaceFile(path, file.data, OtherTargets::Refuse)) {
            fail(*reason);
            continue;
        }
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0) file.atStart.ReadInFull = StampOf(status);
    }
    return result;
}

}  // namespace varnox
