// What a command may write: never a file it reads or keeps, never one file
// for two outputs, and never a pipe that could hold it up.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace varnox {

// A path and what it is to the command, as a message names it: "the
// listing", "the source file itself".
struct RolePath {
    std::string Role;
    std::filesystem::path Path;
};

// Why the outputs cannot be written as asked, or nothing: an output that is
// a pipe, a socket or a block device (writing could wait for ever; the
// command's own standard output and error are written as they are), one
// that is an input, or one that is an earlier output. Files are compared by
// identity, through symbolic and hard links.
std::optional<std::string> CheckOutputs(std::span<const RolePath> inputs, std::span<const RolePath> outputs);

// Why the window may not write `output` (a recording, a state, a picture the
// user chose or a slot): it is one of the machine's files in `dir` (its kit,
// its memory images and the copies kept of them, or one of `others`, such as
// its symbol file), or a pipe; or nothing.
std::optional<std::string> CheckWindowOutput(const std::filesystem::path& dir, const RolePath& output,
                                             std::span<const char* const> others = {});

}  // namespace varnox
