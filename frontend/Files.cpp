// The calculator's data files and its settings file. Loading never stops the
// emulator from starting; saving replaces each file only once its new
// contents are safely on disk, so a failed save never loses the old image.
#include "frontend/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

namespace varnox {

namespace {

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

// The value of the first matching key in the first matching section, as ini
// readers look them up.
std::optional<std::string> FindIniValue(const std::filesystem::path& file, std::string_view section,
                                        std::string_view key) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    bool inSection = false;
    std::string line;
    bool firstLine = true;
    while (std::getline(in, line)) {
        std::string_view text = line;
        if (firstLine && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // UTF-8 byte order mark
        firstLine = false;
        text = Trim(text);
        if (text.empty() || text.front() == ';' || text.front() == '#') continue;
        if (text.front() == '[') {
            const size_t close = text.find(']');
            inSection = close != std::string_view::npos && EqualsIgnoringCase(Trim(text.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection) continue;
        const size_t equals = text.find('=');
        if (equals == std::string_view::npos) continue;
        if (EqualsIgnoringCase(Trim(text.substr(0, equals)), key)) return std::string(Trim(text.substr(equals + 1)));
    }
    return std::nullopt;
}

int32_t ReadIniInteger(const std::filesystem::path& file, const char* key, int32_t fallback) {
    const std::optional<std::string> text = FindIniValue(file, SettingsSection, key);
    if (!text) return fallback;
    return ParseInteger(*text).value_or(fallback);
}

// ---- Loading ---------------------------------------------------------------

constexpr const char* ShortFileText = "Read beyond end of file";
constexpr const char* LoadFailedText = "Failed to load the file ";
constexpr const char* SaveFailedText = "Failed to save the file ";

// Only a regular file counts as present; a directory or device in its place
// is treated like a missing file.
bool IsPresent(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// Reads up to region.size() bytes. Returns an error text when the file cannot
// be opened or read in full; what was read before the failure is in the
// region, rounded down to whole records of recordSize bytes.
std::optional<std::string> ReadImage(const std::filesystem::path& path, std::span<uint8_t> region,
                                     size_t recordSize) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::string(std::strerror(errno));
    std::vector<uint8_t> buffer(region.size());
    size_t got = 0;
    std::optional<std::string> failure;
    while (got < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + got, buffer.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            failure = std::strerror(errno);
            break;
        }
        if (n == 0) {
            failure = ShortFileText;
            break;
        }
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    const size_t kept = got - got % recordSize;
    std::copy_n(buffer.begin(), kept, region.begin());
    return failure;
}

enum class WhenMissing { Report, FillErased, Keep };

struct ImageFile {
    const char* name;
    std::span<uint8_t> region;
    size_t recordSize;
    WhenMissing whenMissing;
    bool isCharset;
};

constexpr uint8_t ErasedRomByte = 0xFF;

// ---- Saving ----------------------------------------------------------------

bool WriteAll(int fd, std::span<const uint8_t> data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Creates a fresh temporary file next to the target; returns its descriptor
// or -1.
int CreateTemporary(const std::filesystem::path& target, std::filesystem::path& tempPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target;
        tempPath += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Makes the completed rename durable; a failure here does not undo the save.
void SyncDirectory(const std::filesystem::path& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Writes the image to a temporary file and renames it over the target, so
// the old file stays whole until the new one is complete.
bool SaveImage(const std::filesystem::path& dir, const char* name, std::span<const uint8_t> data) {
    std::filesystem::path target = dir / name;
    // A symbolic link is followed, so the file it names is replaced and the
    // link stays.
    std::error_code error;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(target, error))) {
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, error);
        if (error) return false;
        target = resolved;
    }
    std::filesystem::path tempPath;
    const int fd = CreateTemporary(target, tempPath);
    if (fd < 0) return false;
    // Keep the permissions of the file being replaced.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
    bool ok = WriteAll(fd, data);
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.c_str());
        return false;
    }
    SyncDirectory(target.parent_path());
    return true;
}

}  // namespace

void LoadSettings(Settings& settings, const std::filesystem::path& dir) {
    const std::filesystem::path file = dir / SettingsFileName;
    const Settings defaults{};
    settings.OscFreq = ReadIniInteger(file, OscFreqKey, defaults.OscFreq);
    settings.SelfTest = ReadIniInteger(file, SelfTestKey, defaults.SelfTest);
}

LoadResult LoadFiles(Machine& m, const std::filesystem::path& dir) {
    LoadResult result;
    const std::span<uint8_t> charset(m.Lcd.CharGenerator.data(), CharsetFileBytes);
    const ImageFile files[] = {
        {CharsetFileName, charset, 1, WhenMissing::Report, true},
        {Rom0FileName, m.InstrRom, 3, WhenMissing::Report, false},
        {Rom1FileName, m.DataRom, 1, WhenMissing::FillErased, false},
        {RamFileName, m.DataRam, 1, WhenMissing::Keep, false},
        {RegisterFileName, m.Cpu.MainRegisterFile, 1, WhenMissing::Keep, false},
    };
    for (const ImageFile& file : files) {
        const std::filesystem::path path = dir / file.name;
        std::optional<std::string> failure;
        if (IsPresent(path)) {
            failure = ReadImage(path, file.region, file.recordSize);
        } else if (file.whenMissing == WhenMissing::Report) {
            result.Messages.push_back(std::string(LoadFailedText) + file.name);
        } else if (file.whenMissing == WhenMissing::FillErased) {
            std::fill(file.region.begin(), file.region.end(), ErasedRomByte);
        }
        // The character generator must hold nibbles whatever happened to its
        // file, so it is expanded even when reading it failed: the glyphs of a
        // short file that were read are then usable, the rest stay blank.
        if (file.isCharset) ExpandCharGenerator(m.Lcd);
        if (failure) {
            result.Messages.push_back(*failure);
            result.Completed = false;
            break;
        }
    }
    return result;
}

LoadResult LoadMachine(Machine& m, const std::filesystem::path& dir) {
    LoadSettings(m.Config, dir);
    LoadResult result = LoadFiles(m, dir);
    if (result.Completed) LcdReset(m.Lcd);
    return result;
}

std::vector<std::string> SaveFiles(const Machine& m, const std::filesystem::path& dir) {
    std::vector<std::string> messages;
    const struct {
        const char* name;
        std::span<const uint8_t> data;
    } files[] = {
        {RamFileName, m.DataRam},
        {RegisterFileName, m.Cpu.MainRegisterFile},
    };
    for (const auto& file : files) {
        if (!SaveImage(dir, file.name, file.data)) messages.push_back(std::string(SaveFailedText) + file.name);
    }
    return messages;
}

}  // namespace varnox
