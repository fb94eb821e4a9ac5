// Outputs against inputs and against each other, before anything runs.
#include "system/OutputCheck.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "system/AtomicReplace.h"
#include "system/Files.h"

namespace varnox {
namespace {

bool IsStandardStream(const struct stat& status) {
    for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        struct stat stream {};
        if (::fstat(fd, &stream) == 0 && stream.st_dev == status.st_dev && stream.st_ino == status.st_ino) return true;
    }
    return false;
}

// What an existing output is when it is a kind that could block a write.
std::optional<std::string> BlockingKind(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || IsStandardStream(status)) return std::nullopt;
    if (S_ISFIFO(status.st_mode)) return "a pipe";
    if (S_ISSOCK(status.st_mode)) return "a socket";
    if (S_ISBLK(status.st_mode)) return "a block device";
    return std::nullopt;
}

std::string Named(const RolePath& file) { return file.Role + " (" + file.Path.string() + ")"; }

}  // namespace

std::optional<std::string> CheckOutputs(std::span<const RolePath> inputs, std::span<const RolePath> outputs) {
    // Each path is looked up once: a run has a couple of hundred inputs.
    const auto identities = [](std::span<const RolePath> files) {
        std::vector<FileIdentity> found;
        for (const RolePath& file : files) found.push_back(IdentityOf(file.Path));
        return found;
    };
    const std::vector<FileIdentity> in = identities(inputs);
    const std::vector<FileIdentity> out = identities(outputs);
    for (size_t i = 0; i < outputs.size(); ++i) {
        const RolePath& output = outputs[i];
        if (const auto kind = BlockingKind(output.Path)) return Named(output) + " is " + *kind + ", not a regular file";
        for (size_t j = 0; j < inputs.size(); ++j) {
            if (out[i] == in[j]) return Named(output) + " is " + inputs[j].Role;
        }
        for (size_t j = 0; j < i; ++j) {
            if (out[i] == out[j]) return Named(output) + " is the same file as " + outputs[j].Role;
        }
    }
    return std::nullopt;
}

std::optional<std::string> CheckWindowOutput(const std::filesystem::path& dir, const RolePath& output,
                                             std::span<const char* const> others) {
    std::vector<RolePath> inputs;
    const auto machines = [&](const char* name) { inputs.push_back({std::string("the machine's ") + name, dir / name}); };
    for (const char* name : KitFileNames) machines(name);
    for (const char* name : others) machines(name);
    for (const char* name : MemoryFileNames) {
        machines(name);
        for (const auto& copy : KeptCopies(dir / name)) inputs.push_back({"a copy kept of " + std::string(name), copy});
    }
    return CheckOutputs(inputs, std::span(&output, 1));
}

}  // namespace varnox
