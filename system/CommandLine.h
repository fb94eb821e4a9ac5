// The program's command line, `varnox [DIR]`, read before any window opens.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varnox {

struct ProgramArguments {
    enum class Action { Run, Help, Version, Refuse } action = Action::Run;
    std::filesystem::path dir;  // the working directory when none is given
    std::string problem;        // for Refuse
};

// `args` without the program name.
ProgramArguments ParseProgramArguments(const std::vector<std::string>& args);

std::string ProgramUsage();

// Why the emulator cannot work in `dir` (it keeps RAM there, so it must be a
// directory it can create files in), or nothing.
std::optional<std::string> UnusableDirectory(const std::filesystem::path& dir);

}  // namespace varnox
