// Runs varnox-tool in a scratch directory and collects what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/ScratchDir.h"

namespace varnox::test {

struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ShellQuote(const std::string& s) {
    std::string quoted = "'";
    for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs `varnox-tool ARGS...` with DIR as the working directory, after the
// shell command before (such as a ulimit) when one is given, and ended after
// timeLimit seconds when one is given (a tool that waits for ever then fails
// its test instead of holding up the run).
inline ToolResult RunTool(const std::filesystem::path& dir, const std::vector<std::string>& args,
                          const std::string& before = {}, int timeLimit = 0) {
    const std::filesystem::path errFile = dir / ".stderr";
    std::string command = "cd ";
    command.append(ShellQuote(dir.string())).append(" && ");
    if (!before.empty()) command.append(before).append(" && ");
    if (timeLimit > 0) command.append("timeout ").append(std::to_string(timeLimit)).append(" ");
    command.append(ShellQuote(VARNOX_TOOL_PATH));
    for (const std::string& a : args) command.append(" ").append(ShellQuote(a));
    command.append(" 2>").append(ShellQuote(errFile.string())).append(" </dev/null");
    ToolResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errFile, std::ios::binary);
    result.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::error_code ignored;
    std::filesystem::remove(errFile, ignored);
    return result;
}

}  // namespace varnox::test
