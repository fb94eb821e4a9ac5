#include "system/CommandLine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace varnox {

std::string ProgramUsage() {
    return "usage: varnox [DIR]\n"
           "Runs the calculator in the window, with its files in DIR: rom0.bin,\n"
           "rom1.bin, charset.bin, keys.bmp and varnox.ini are read there; ram.bin,\n"
           "register.bin and the save states are written there. Without DIR, the\n"
           "current directory when it holds any of these files, else the user's\n"
           "data folder ($XDG_DATA_HOME/varnox, or ~/.local/share/varnox), which\n"
           "gets the default kit at the first start.\n"
           "  -h, --help     print this help and exit\n"
           "  --version      print the version and exit\n";
}

ProgramArguments ParseProgramArguments(const std::vector<std::string>& args) {
    ProgramArguments result;
    bool optionsEnded = false;
    std::vector<std::string> dirs;
    for (const std::string& arg : args) {
        if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            result.action = ProgramArguments::Action::Help;
            return result;
        }
        if (!optionsEnded && arg == "--version") {
            result.action = ProgramArguments::Action::Version;
            return result;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            result.action = ProgramArguments::Action::Refuse;
            result.problem = "unknown option " + arg;
            return result;
        } else {
            dirs.push_back(arg);
        }
    }
    if (dirs.size() > 1) {
        result.action = ProgramArguments::Action::Refuse;
        result.problem = "one directory at most, not " + std::to_string(dirs.size());
        return result;
    }
    if (!dirs.empty()) result.dir = dirs.front();
    return result;
}

std::optional<std::string> UnusableDirectory(const std::filesystem::path& dir) {
    std::error_code error;
    const auto status = std::filesystem::status(dir, error);
    if (!std::filesystem::exists(status)) return dir.string() + ": no such directory";
    if (!std::filesystem::is_directory(status)) return dir.string() + ": not a directory";
    // Permission bits do not tell (root, read-only mounts, access lists):
    // try to create a file.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path probe =
            dir / (".varnox-probe" + std::to_string(::getpid()) + "-" + std::to_string(attempt));
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.c_str());
            return std::nullopt;
        }
        if (errno != EEXIST) {
            return dir.string() + ": cannot write there (" + std::strerror(errno) +
                   "), so the calculator's memory could not be saved";
        }
    }
    return dir.string() + ": cannot create a file there";
}

}  // namespace varnox
