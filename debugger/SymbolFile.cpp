#include "debugger/SymbolFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "asm/SourceExpr.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

// Far more than the labels two ROMs can hold.
constexpr off_t MaxSymbolFileBytes = off_t{16} << 20;

// A whole regular file; a FIFO, device or directory is refused without
// blocking on it.
std::string ReadRegularFile(const std::filesystem::path& file, std::string& text) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::strerror(errno);
    struct stat info {};
    std::string problem;
    if (::fstat(fd, &info) != 0) {
        problem = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        problem = "not a regular file";
    } else if (info.st_size > MaxSymbolFileBytes) {
        problem = "far too large for a symbol file";
    } else {
        text.resize(static_cast<size_t>(info.st_size));
        size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                problem = std::strerror(errno);
                break;
            }
            if (n == 0) break;
            got += static_cast<size_t>(n);
        }
        text.resize(got);
    }
    ::close(fd);
    return problem;
}

}  // namespace

SymbolLoad LoadSymbolFile(const std::filesystem::path& file, const Machine& m, SymbolTrust trust) {
    SymbolLoad load;
    const std::string name = file.string();
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, error))) {
        load.Messages.push_back(Concat({name, ": no such file"}));
        return load;
    }
    load.Found = true;
    std::string text;
    if (const std::string problem = ReadRegularFile(file, text); !problem.empty()) {
        load.Messages.push_back(Concat({name, ": cannot be read: ", problem}));
        return load;
    }
    ParsedSymbols parsed = ParseSymbolText(text, name);
    load.Messages = std::move(parsed.Messages);
    if (parsed.Rom0Crc && *parsed.Rom0Crc != Crc32(m.InstrRom)) {
        if (trust == SymbolTrust::MatchingImageOnly) {
            load.Messages.push_back(Concat({name, ": written for another rom0.bin (an older build?): its symbols are not used"}));
            return load;
        }
        load.Messages.push_back(Concat({name, ": written for another rom0.bin (an older build?): names may be wrong"}));
    }
    // A code name must stand on an instruction-ROM word, where a listing line starts.
    for (const Symbol& symbol : parsed.Table.All()) {
        if (symbol.Space == SymbolSpace::Code && symbol.Address >= DataInstrStart) {
            char address[8];
            std::snprintf(address, sizeof address, "%04X", symbol.Address);
            load.Messages.push_back(Concat({name, ": code symbol '", symbol.Name, "' at ", address,
                                            " is not an instruction-ROM word; left out"}));
            continue;
        }
        load.Table.Add(symbol);
    }
    return load;
}

SymbolLoad LoadSymbolsBeside(const std::filesystem::path& dir, const Machine& m) {
    const std::filesystem::path file = dir / SymbolFileName;
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, error))) return {};
    return LoadSymbolFile(file, m, SymbolTrust::MatchingImageOnly);
}

}  // namespace varnox
