#include "system/BoundedRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace varnox {

std::optional<std::string> ReadBoundedFile(const std::filesystem::path& file, size_t maxBytes, std::string_view kind,
                                           std::vector<uint8_t>& bytes) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::string(std::strerror(errno));
    struct stat info {};
    std::optional<std::string> failure;
    if (::fstat(fd, &info) != 0) {
        failure = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        failure = "not a regular file";
    } else if (static_cast<size_t>(info.st_size) > maxBytes) {
        const auto size = static_cast<size_t>(info.st_size);
        failure = "not a " + std::string(kind) + " (" + std::to_string(size) + (size == 1 ? " byte" : " bytes") +
                  ", far too large)";
    } else {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                failure = std::strerror(errno);
                break;
            }
            if (n == 0) break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);  // a file that shrank while read is judged by what it held
    }
    ::close(fd);
    return failure;
}

}  // namespace varnox
