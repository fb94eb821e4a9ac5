// Temporary, flush, rename: the one way files are replaced.
#include "system/AtomicReplace.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>
#include <system_error>
#include <vector>

namespace varnox {

namespace fs = std::filesystem;

namespace {

// "NAME.tmpPID-N": the process that writes it, so that a later start can
// tell a leftover from a save in progress.
constexpr std::string_view TemporaryMark = ".tmp";
constexpr int TemporaryAttempts = 100;
constexpr size_t CopyChunkBytes = 64 * 1024;

std::string Reason(int error) { return std::strerror(error); }

int WriteAll(int fd, std::span<const uint8_t> data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

// The file a target names: symbolic links are followed, a dangling one to
// the file it would name, so that file is replaced and the link stays. A
// device or pipe behind a link (/dev/stdout) is opened through the link.
fs::path Resolve(const fs::path& target) {
    constexpr int MaxLinks = 40;
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(target, error))) return target;
    struct stat status {};
    if (::stat(target.c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) return target;
        const fs::path real = fs::canonical(target, error);
        return error ? target : real;
    }
    fs::path path = target;
    for (int i = 0; i < MaxLinks && fs::is_symlink(fs::symlink_status(path, error)); ++i) {
        const fs::path next = fs::read_symlink(path, error);
        if (error) break;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

// The process id in a temporary's name, when the name is one of ours for
// `base`.
std::optional<pid_t> TemporaryOwner(std::string_view name, std::string_view base) {
    if (!name.starts_with(base)) return std::nullopt;
    name.remove_prefix(base.size());
    if (!name.starts_with(TemporaryMark)) return std::nullopt;
    name.remove_prefix(TemporaryMark.size());
    const size_t dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == name.size()) return std::nullopt;
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
    if (error != std::errc() || end != name.data() + dash || pid <= 0) return std::nullopt;
    for (const char c : name.substr(dash + 1)) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    return pid;
}

// Our own temporaries are never in progress when this runs (one thread
// saves), so a name with our id is a leftover of an earlier process that
// had it. A process of another user still runs when kill says EPERM.
bool StillRunning(pid_t pid) { return pid != ::getpid() && (::kill(pid, 0) == 0 || errno != ESRCH); }

fs::path TemporaryName(const fs::path& target, int attempt) {
    fs::path name = target;
    name += std::string(TemporaryMark) + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    return name;
}

// A fresh temporary beside the target, created exclusively and never
// through a link; returns its descriptor or -1 with errno set.
int CreateTemporary(const fs::path& target, fs::path& temporary) {
    for (int attempt = 0; attempt < TemporaryAttempts; ++attempt) {
        temporary = TemporaryName(target, attempt);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// The old target kept under a temporary's name, so that a set of renames
// can be undone; a leftover of a killed process goes like a temporary.
int KeepAside(const fs::path& target, fs::path& aside) {
    for (int attempt = 0; attempt < TemporaryAttempts; ++attempt) {
        aside = TemporaryName(target, attempt);
        const int error = KeepCopy(target, aside);
        if (error != EEXIST) {
            if (error) aside.clear();
            return error;
        }
    }
    aside.clear();
    return EEXIST;
}

// Makes completed renames durable; a failure here does not undo them.
void SyncDirectory(const fs::path& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

struct Pending {
    fs::path target;     // resolved
    fs::path temporary;  // empty when written in place
    fs::path aside;      // the old target while the set is renamed
    bool existed = false;
    bool inPlace = false;
};

void RemoveTemporaries(const std::vector<Pending>& pending) {
    for (const Pending& p : pending) {
        if (!p.temporary.empty()) ::unlink(p.temporary.c_str());
        if (!p.aside.empty()) ::unlink(p.aside.c_str());
    }
}

// Puts back the targets renamed before a rename failed: each old file from
// its copy aside, or no file where there was none.
void UndoRenames(std::vector<Pending>& pending, size_t renamed) {
    for (size_t i = 0; i < renamed; ++i) {
        Pending& p = pending[i];
        if (p.inPlace) continue;
        if (p.existed) {
            if (!p.aside.empty() && ::rename(p.aside.c_str(), p.target.c_str()) == 0) p.aside.clear();
        } else {
            ::unlink(p.target.c_str());
        }
        SyncDirectory(p.target.parent_path());
    }
}

// Writes one temporary beside the target, with the permissions of the file
// it replaces, through to the disk. Returns 0 or the error.
int WriteTemporary(Pending& p, std::span<const uint8_t> bytes) {
    RemoveStaleTemporaries(p.target);
    const int fd = CreateTemporary(p.target, p.temporary);
    if (fd < 0) {
        const int error = errno;
        p.temporary.clear();
        return error;
    }
    struct stat old {};
    if (::stat(p.target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
    int error = WriteAll(fd, bytes);
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    return error;
}

// A device or pipe is written as it is; flushing does not apply to most.
// Opening never waits: a pipe no one reads fails at once (ENXIO), and a
// device that would wait for a line opens all the same.
int WriteInPlace(const Pending& p, std::span<const uint8_t> bytes) {
    const int fd = ::open(p.target.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    int error = WriteAll(fd, bytes);
    if (::close(fd) != 0 && !error) error = errno;
    return error;
}

}  // namespace

std::optional<ReplaceFailure> ReplaceFiles(std::span<const NewContents> files, OtherTargets others) {
    std::vector<Pending> pending(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (SameFile(files[i].Target, files[j].Target)) {
                return ReplaceFailure{i, "the same file as " + files[j].Target.string()};
            }
        }
        Pending& p = pending[i];
        p.target = Resolve(files[i].Target);
        struct stat status {};
        if (::stat(p.target.c_str(), &status) != 0) {
            if (errno == ENOENT) continue;  // a new file
            // A loop of links, say: replacing the link would hide the fault.
            return ReplaceFailure{i, Reason(errno)};
        }
        if (S_ISDIR(status.st_mode)) return ReplaceFailure{i, Reason(EISDIR)};
        if (!S_ISREG(status.st_mode)) {
            if (others == OtherTargets::Refuse) return ReplaceFailure{i, "not a regular file"};
            p.inPlace = true;
        }
        p.existed = true;
    }

    const auto fail = [&](size_t index, int error) {
        RemoveTemporaries(pending);
        return ReplaceFailure{index, Reason(error)};
    };
    for (size_t i = 0; i < files.size(); ++i) {
        if (pending[i].inPlace) continue;
        if (const int error = WriteTemporary(pending[i], files[i].Bytes)) return fail(i, error);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (!pending[i].inPlace) continue;
        if (const int error = WriteInPlace(pending[i], files[i].Bytes)) return fail(i, error);
    }
    // With more than one rename, a later one may fail after an earlier one
    // is done: the old files are kept aside until all are in place.
    const size_t renames = static_cast<size_t>(
        std::count_if(pending.begin(), pending.end(), [](const Pending& p) { return !p.inPlace; }));
    for (size_t i = 0; i < files.size() && renames > 1; ++i) {
        if (pending[i].inPlace || !pending[i].existed) continue;
        if (const int error = KeepAside(pending[i].target, pending[i].aside)) return fail(i, error);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        Pending& p = pending[i];
        if (p.inPlace) continue;
        if (::rename(p.temporary.c_str(), p.target.c_str()) != 0) {
            const int error = errno;
            UndoRenames(pending, i);
            return fail(i, error);
        }
        p.temporary.clear();
        SyncDirectory(p.target.parent_path());
    }
    RemoveTemporaries(pending);
    return std::nullopt;
}

std::optional<std::string> ReplaceFile(const fs::path& target, std::span<const uint8_t> bytes, OtherTargets others) {
    const NewContents file{target, bytes};
    if (auto failure = ReplaceFiles({&file, 1}, others)) return std::move(failure->Reason);
    return std::nullopt;
}

void RemoveStaleTemporaries(const fs::path& target) {
    const fs::path resolved = Resolve(target);
    const std::string base = resolved.filename().string();
    const fs::path dir = resolved.parent_path().empty() ? fs::path(".") : resolved.parent_path();
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        const std::optional<pid_t> owner = TemporaryOwner(path.filename().string(), base);
        if (owner && !StillRunning(*owner) && fs::is_regular_file(it->symlink_status(error))) ::unlink(path.c_str());
    }
}

int KeepCopy(const fs::path& from, const fs::path& to) {
    if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        SyncDirectory(to.parent_path());
        return 0;
    }
    if (errno == EEXIST || errno == ENOENT) return errno;
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    int error = 0;
    std::vector<uint8_t> buffer(CopyChunkBytes);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0) error = errno;
            break;
        }
        if ((error = WriteAll(out, {buffer.data(), static_cast<size_t>(n)}))) break;
    }
    if (!error && ::fsync(out) != 0) error = errno;
    if (::close(out) != 0 && !error) error = errno;
    ::close(in);
    if (error) {
        ::unlink(to.c_str());
        return error;
    }
    SyncDirectory(to.parent_path());
    return 0;
}

FileIdentity IdentityOf(const fs::path& path) {
    FileIdentity identity;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        identity.Exists = true;
        identity.Device = static_cast<uint64_t>(status.st_dev);
        identity.Inode = static_cast<uint64_t>(status.st_ino);
        return identity;
    }
    std::error_code error;
    const fs::path absolute = fs::absolute(Resolve(path), error);
    identity.Resolved = fs::weakly_canonical(absolute, error);
    if (error) identity.Resolved = absolute.lexically_normal();
    return identity;
}

bool SameFile(const fs::path& a, const fs::path& b) { return IdentityOf(a) == IdentityOf(b); }

}  // namespace varnox
