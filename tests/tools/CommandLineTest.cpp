// varnox-tool's command-line manners: help on stdout with status 0 for the
// tool and every command, the version, unknown commands named, and
// --option=value beside --option value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ToolRunner.h"

namespace varnox {
namespace {

using test::RunTool;
using test::ScratchDir;

TEST(ToolCommandLine, HelpAndVersionGoToStdoutWithStatusZero) {
    ScratchDir dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"-h"}, {"run", "--help"}, {"run", "--ticks", "5", "-h"},
          {"line", "--help"}, {"dis", "-h"}, {"list", "--help"}, {"asm", "--help"}}) {
        const auto r = RunTool(dir.path(), args);
        EXPECT_EQ(r.status, 0) << args[0];
        EXPECT_EQ(r.out.rfind("usage: varnox-tool", 0), 0u) << r.out;
        EXPECT_TRUE(r.err.empty()) << r.err;
    }
    EXPECT_NE(RunTool(dir.path(), {"asm", "-h"}).out.find("--listing FILE"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "ram.bin"));  // help runs nothing

    const auto version = RunTool(dir.path(), {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("varnox-tool ", 0), 0u);
}

TEST(ToolCommandLine, MisuseIsNamedWithStatusTwo) {
    ScratchDir dir;
    const struct {
        std::vector<std::string> args;
        const char* said;
    } cases[] = {
        {{}, "usage: varnox-tool COMMAND"},
        {{"frob"}, "unknown command: frob"},
        {{"list", "--lines"}, "--lines needs a value"},
        {{"list", "--from=1XYZ"}, "bad value: 1XYZ"},  // neither hex nor a name
        {{"line"}, "missing operand"},
        {{"line", "nop", "nop"}, "unexpected argument: nop"},
        {{"dis", "1", "2", "3", "4"}, "unexpected argument: 4"},
        {{"asm", "x.asm"}, "-o DIR"},
    };
    for (const auto& c : cases) {
        const auto r = RunTool(dir.path(), c.args);
        EXPECT_EQ(r.status, 2) << c.said;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

// Names from outside reach the terminal with their control bytes escaped,
// as the settings warnings show them; other UTF-8 stays readable.
TEST(ToolCommandLine, ControlBytesInNamesAreEscaped) {
    ScratchDir dir;
    dir.Write("rom0.bin", std::vector<unsigned char>(18432));
    dir.Write("charset.bin", std::vector<unsigned char>(2048));
    dir.WriteText("\x1B[2Jx.asm", "  jmp nowhere\n");
    dir.WriteText("main.asm", "  include \"\x1B[2Jx.asm\"\n");
    const struct {
        std::vector<std::string> args;
        const char* said;
    } cases[] = {
        {{"run", "--load-state", "\x1B[31mX\a"}, "Failed to load the state file \\x1B[31mX\\x07: No such file or directory\n"},
        {{"run", "--load-state", "\xC3\xA9t\xC3\xA9\xC2\x9B\xFF.vxs"},
         "Failed to load the state file \xC3\xA9t\xC3\xA9\\xC2\\x9B\\xFF.vxs: No such file or directory\n"},
        {{"asm", "main.asm", "-o", "out"}, "\\x1B[2Jx.asm:1:7: error: unknown name 'nowhere'\n"},
        {{"asm", "\r.asm", "-o", "out"}, "\\x0D.asm: error: the source file does not exist\n"},
        {{"\x1B]0;title\a"}, "varnox-tool: unknown command: \\x1B]0;title\\x07\n"},
    };
    for (const auto& c : cases) {
        const auto r = RunTool(dir.path(), c.args);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), c.said);
    }
}

TEST(ToolCommandLine, OptionValuesAfterAnEqualsSign) {
    ScratchDir dir;
    dir.Write("rom0.bin", std::vector<unsigned char>(18432));
    auto r = RunTool(dir.path(), {"run", "--ticks=5", "--no-save"});
    EXPECT_NE(r.out.find("TICKS=5\n"), std::string::npos) << r.out;
    r = RunTool(dir.path(), {"list", "--lines=2", "--from=10"});
    EXPECT_EQ(r.out.rfind("0010: ", 0), 0u) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2);
    // "--" ends the options: a line that looks like one is assembled.
    r = RunTool(dir.path(), {"line", "--", "-h"});
    EXPECT_EQ(r.out, "error at 1\n");
}

}  // namespace
}  // namespace varnox
