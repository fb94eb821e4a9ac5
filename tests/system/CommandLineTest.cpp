// `varnox [DIR]`: what the command line asks for and which directories can
// hold the calculator's files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "system/CommandLine.h"

namespace varnox {
namespace {

using Action = ProgramArguments::Action;

TEST(CommandLine, Arguments) {
    const struct {
        std::vector<std::string> args;
        Action action;
        std::string dirOrProblem;
    } cases[] = {
        {{}, Action::Run, ""},
        {{"kit"}, Action::Run, "kit"},
        {{"--", "-odd"}, Action::Run, "-odd"},
        {{"--help"}, Action::Help, ""},
        {{"kit", "-h"}, Action::Help, ""},
        {{"--version"}, Action::Version, ""},
        {{"--frob"}, Action::Refuse, "unknown option --frob"},
        {{"a", "b"}, Action::Refuse, "one directory at most, not 2"},
    };
    for (const auto& c : cases) {
        const ProgramArguments parsed = ParseProgramArguments(c.args);
        EXPECT_EQ(parsed.action, c.action);
        EXPECT_EQ(c.action == Action::Refuse ? parsed.problem : parsed.dir.string(), c.dirOrProblem);
    }
}

TEST(CommandLine, DirectoriesThatCannotHoldTheFiles) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("varnox-cl-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "file") << "x";
    EXPECT_EQ(UnusableDirectory(dir), std::nullopt);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // the probe is gone
    EXPECT_EQ(UnusableDirectory(dir / "none"), (dir / "none").string() + ": no such directory");
    EXPECT_EQ(UnusableDirectory(dir / "file"), (dir / "file").string() + ": not a directory");
    const auto proc = UnusableDirectory("/proc");  // not writable even for root
    ASSERT_TRUE(proc.has_value());
    EXPECT_NE(proc->find("/proc: cannot write there"), std::string::npos) << *proc;
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace varnox
