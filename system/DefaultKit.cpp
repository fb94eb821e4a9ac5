#include "system/DefaultKit.h"

#include <algorithm>
#include <system_error>

#include "system/AtomicReplace.h"
#include "system/BoundedRead.h"
#include "system/Files.h"

namespace varnox {

namespace fs = std::filesystem;

namespace {

// Whether the name holds exactly `bytes`: a regular file (or a link to
// one) of those contents; a FIFO in its place is not waited on.
bool HoldsAlready(const fs::path& path, std::span<const uint8_t> bytes) {
    std::vector<uint8_t> there;
    return !ReadBoundedFile(path, bytes.size(), "kit file", there) && std::equal(there.begin(), there.end(), bytes.begin(), bytes.end());
}

}  // namespace

KitWritten WriteKit(std::span<const KitFile> kit, const fs::path& dir, KitOverwrite overwrite) {
    KitWritten result;
    std::error_code error;
    fs::create_directories(dir, error);
    if (error || !fs::is_directory(dir, error)) {
        result.Failure = dir.string() + ": cannot make the folder (" +
                         (error ? error : std::make_error_code(std::errc::not_a_directory)).message() + ")";
        return result;
    }
    std::vector<NewContents> files;
    for (const KitFile& file : kit) {
        const fs::path path = dir / file.Name;
        const std::string name(file.Name);
        std::error_code ignored;
        const fs::file_status status = fs::symlink_status(path, ignored);
        const bool there = fs::exists(status);
        // Not read at all: a start into the data folder looks every time.
        if (there && overwrite == KitOverwrite::MissingOnly) continue;
        if (there && HoldsAlready(path, file.Bytes)) continue;
        if (fs::is_symlink(status)) {
            result.Links.push_back(name);
            continue;
        }
        if (there && overwrite == KitOverwrite::Refuse) {
            result.Refused.push_back(name);
            continue;
        }
        files.push_back({path, file.Bytes});
    }
    if (!result.Refused.empty() || !result.Links.empty()) return result;
    for (const NewContents& file : files) {
        fs::path kept;
        if (const auto problem = KeepUnvouchedFile(file.Target, std::nullopt, file.Bytes, kept)) {
            result.Failure = file.Target.string() + ": " + *problem;
            return result;
        }
        if (!kept.empty()) result.Copies.push_back(kept.filename().string());
    }
    if (const auto failure = ReplaceFiles(files, OtherTargets::Refuse)) {
        result.Failure = files[failure->Index].Target.string() + ": " + failure->Reason;
    }
    return result;
}

}  // namespace varnox
