// The temporary is created exclusively, with a name of its own, and never
// through a symbolic link, so nothing planted beside the target is written.
#include "frontend/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace varnox {
namespace {

int CreateTemporary(const std::filesystem::path& target, std::filesystem::path& tempPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target;
        tempPath += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, std::span<const uint8_t> data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::optional<std::string> ReplaceFileAtomically(const std::filesystem::path& file, std::span<const uint8_t> data) {
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) return std::string(std::strerror(EISDIR));
    std::filesystem::path tempPath;
    const int fd = CreateTemporary(file, tempPath);
    if (fd < 0) return std::string(std::strerror(errno));
    bool ok = WriteAll(fd, data) && ::fsync(fd) == 0;
    int failure = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && ::rename(tempPath.c_str(), file.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
        return std::string(std::strerror(failure));
    }
    const std::filesystem::path dir = file.parent_path();
    const int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return std::nullopt;
}

}  // namespace varnox
