// Replacing files so that each holds either its old contents or its whole
// new contents, whatever happens meanwhile (a full disk, a kill, a power
// cut): the new bytes go to a fresh temporary beside the file, reach the
// disk, and only then is the temporary renamed over the file. The memory
// images the emulator saves and the outputs of varnox-tool all go this way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace varnox {

// An existing target that is neither a regular file nor a directory (a
// device, a pipe): written in place, as a listing to /dev/stdout wants, or
// refused, as a memory image must be.
enum class OtherTargets { Refuse, WriteInPlace };

struct NewContents {
    std::filesystem::path Target;
    std::span<const uint8_t> Bytes;
};

struct ReplaceFailure {
    size_t Index = 0;    // of the file that failed
    std::string Reason;  // the system's text
};

// Writes every temporary, then every in-place target, and renames the
// temporaries into place only when all of that succeeded; on a failure the
// temporaries go and nothing was renamed. The old files stay aside until
// every rename is done, so a rename that fails puts back those done before
// it. A symbolic link as target is followed: the file it names is replaced
// and the link stays; a target that cannot be looked up (a loop of links)
// fails with the system's reason. Temporaries are created exclusively, under
// names no one else uses, and never through a link; stale ones of the same
// target are removed first. Two targets that are the same file are refused.
// In-place targets are opened without waiting: a pipe no one reads fails.
std::optional<ReplaceFailure> ReplaceFiles(std::span<const NewContents> files, OtherTargets others);

// The same for one file; returns the reason of a failure.
std::optional<std::string> ReplaceFile(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                                       OtherTargets others);

// Removes the temporaries of `target` that a killed process left behind:
// those named after a process that no longer runs.
void RemoveStaleTemporaries(const std::filesystem::path& target);

// Keeps the file `from` under the new name `to`, which must not exist yet:
// a hard link when the file system allows, a copy written through to the
// disk otherwise. Returns 0, or the error (EEXIST when `to` exists).
int KeepCopy(const std::filesystem::path& from, const std::filesystem::path& to);

// What makes a path one file: its device and inode when it exists, the path
// it resolves to (through links) when it does not yet.
struct FileIdentity {
    bool Exists = false;
    uint64_t Device = 0;
    uint64_t Inode = 0;
    std::filesystem::path Resolved;  // when it does not exist
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const std::filesystem::path& path);

// Whether two paths name one file: the same inode when both exist, the same
// resolved path otherwise.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace varnox
