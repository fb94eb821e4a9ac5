// Runs varnox-tool in a scratch directory and collects what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace varnox::test {

struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

// A fresh, empty directory under the system's temporary directory, removed
// when the object goes away.
class ScratchDir {
public:
    ScratchDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / ("varnox-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

    void Write(const std::string& name, const std::vector<unsigned char>& bytes) const {
        std::ofstream out(path_ / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void WriteText(const std::string& name, const std::string& text) const {
        std::ofstream out(path_ / name, std::ios::binary);
        out << text;
    }
    std::string ReadText(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path path_;
};

inline std::string ShellQuote(const std::string& s) {
    std::string quoted = "'";
    for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs `varnox-tool ARGS...` with DIR as the working directory, after the
// shell command before (such as a ulimit) when one is given.
inline ToolResult RunTool(const std::filesystem::path& dir, const std::vector<std::string>& args,
                          const std::string& before = {}) {
    const std::filesystem::path errFile = dir / ".stderr";
    std::string command = "cd ";
    command.append(ShellQuote(dir.string())).append(" && ");
    if (!before.empty()) command.append(before).append(" && ");
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
