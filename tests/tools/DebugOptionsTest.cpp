// varnox-tool with symbols: asm writes rom.sym, list and run --break read
// it, run --watch stops on an access, --trace-regs adds the registers.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/ToolRunner.h"

namespace varnox {
namespace {

namespace fs = std::filesystem;
using test::RunTool;
using test::ScratchDir;

constexpr const char* Source =
    "start:  ldw ix,count\n"
    "loop:   cal bump\n"
    "        jmp loop\n"
    "bump:   st (ix),&H07\n"
    "        rtn\n"
    "        ram &HC010\n"
    "count:  ds 1\n";

class ToolSymbols : public ::testing::Test {
protected:
    void SetUp() override {
        dir.WriteText("prog.asm", Source);
        const auto r = RunTool(dir.path(), {"asm", "prog.asm", "-o", "."});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    ScratchDir dir;
};

TEST_F(ToolSymbols, ListAndBreakUseTheNames) {
    const std::string symbols = dir.ReadText("rom.sym");
    EXPECT_EQ(symbols.substr(symbols.find('\n', symbols.find('\n') + 1) + 1),
              "code 0000 start\ncode 0001 loop\ncode 0003 bump\ndata C010 count\nline 0000 prog.asm:1\n"
              "line 0001 prog.asm:2\nline 0002 prog.asm:3\nline 0003 prog.asm:4\nline 0004 prog.asm:5\n");
    auto r = RunTool(dir.path(), {"list", "--from", "loop", "--lines", "3"});
    EXPECT_EQ(r.out, "loop:\n0001: cal   bump\n0002: jmp   loop\nbump:\n0003: st    (ix),&H07\n");
    r = RunTool(dir.path(), {"run", "--no-save", "--break", "bump"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 8), "PC=0003 ");
    r = RunTool(dir.path(), {"run", "--no-save", "--break", "nowhere"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no symbol named 'nowhere'"), std::string::npos) << r.err;
    // A symbol file of another build is not used, and says so.
    dir.WriteText("rom.sym", "; rom0.bin CRC-32 00000000\ncode 0002 bump\n");
    r = RunTool(dir.path(), {"list", "--lines", "1"});
    EXPECT_EQ(r.out, "0000: ldw   ix,&HC010\n");
    EXPECT_NE(r.err.find("rom.sym: written for another rom0.bin"), std::string::npos) << r.err;
}

TEST_F(ToolSymbols, SourceLinesForBreakAndList) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;  // what the output starts with
    };
    const Case cases[] = {
        {{"run", "--no-save", "--break", "prog.asm:4"}, 0, "PC=0003 "},
        {{"run", "--no-save", "--break", "prog.asm:6"}, 2, ""},  // no code from there on
        {{"list", "--from", "loop", "--lines", "2", "--source", "."}, 0,
         "; prog.asm:2  loop:   cal bump\nloop:\n0001: cal   bump\n; prog.asm:3          jmp loop\n"},
    };
    for (const Case& c : cases) {
        const auto r = RunTool(dir.path(), c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back() << r.err;
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << c.args.back();
    }
}

// What --break says of a place it cannot take, before and after rom.sym
// is read: the first line of the error output.
TEST_F(ToolSymbols, BreakSaysWhyAPlaceIsRefused) {
    const struct {
        std::string place;
        std::string message;
    } cases[] = {
        {"prog.asm:6", "bad breakpoint line: prog.asm:6 (no code at or after prog.asm:6)"},
        {"nosuch.asm:1", "bad breakpoint line: nosuch.asm:1 (rom.sym names no file nosuch.asm; its files: prog.asm)"},
        {"count", "bad breakpoint address: count is a data name; the program counter never goes there"},
        {"nowhere", "bad breakpoint address: nowhere (no symbol named 'nowhere')"},
        {"prog.asm:0", "bad breakpoint address (hex, a name or FILE:LINE): prog.asm:0"},
        {"1g", "bad breakpoint address (hex, a name or FILE:LINE): 1g"},
    };
    for (const auto& c : cases) {
        const auto r = RunTool(dir.path(), {"run", "--no-save", "--break", c.place});
        EXPECT_EQ(r.status, 2) << c.place;
        const size_t line = r.err.find("varnox-tool run: ");
        ASSERT_NE(line, std::string::npos) << r.err;
        EXPECT_EQ(r.err.substr(line + 17, r.err.find('\n', line) - line - 17), c.message) << c.place;
    }
    dir.WriteText("rom.sym", "code 0001 loop\n");  // no line rows
    const auto r = RunTool(dir.path(), {"run", "--no-save", "--break", "prog.asm:2"});
    EXPECT_NE(r.err.find("bad breakpoint line: prog.asm:2 (no source lines (rom.sym has no line rows))"),
              std::string::npos) << r.err;
}

// list --source reads the sources under DIR alone, says once for each
// file why it could not be read (then exit 1), and prints what it read as
// text: a tab as blanks, other control bytes escaped.
TEST_F(ToolSymbols, ListSaysWhichSourcesCouldNotBeRead) {
    const fs::path src = dir.path() / "src", mine = dir.path() / "prog.asm";
    const auto named = [this](const std::string& name) {  // the rows' file renamed
        std::string symbols = dir.ReadText("rom.sym");
        for (size_t at = 0; (at = symbols.find(" prog.asm:", at)) != std::string::npos; at += name.size()) symbols.replace(at + 1, 8, name);
        dir.WriteText("rom.sym", symbols);
    };
    const std::string unreadable = "; prog.asm:1  \n", outside = ": not under the sources' folder src; only files there are read\n";
    const struct {
        std::function<void()> prepare;  // src/ is there, empty
        std::string out;                // the first row
        std::string err;                // all of stderr, after "varnox-tool list: "
    } cases[] = {
        {[&] { fs::remove(src); }, unreadable, "src/prog.asm: No such file or directory\n"},
        {[&] { ASSERT_EQ(::mkfifo((src / "prog.asm").c_str(), 0600), 0); }, unreadable, "src/prog.asm: not a regular file\n"},
        {[&] { fs::create_symlink("prog.asm", src / "prog.asm"); }, unreadable, "src/prog.asm: Too many levels of symbolic links\n"},
        {[&] { dir.WriteText("src/prog.asm", ""), fs::resize_file(src / "prog.asm", (size_t{64} << 20) + 1); }, unreadable,
         "src/prog.asm: not a source file (67108865 bytes, far too large)\n"},
        {[&] { named(mine.string()); }, "; " + mine.string() + ":1  \n", mine.string() + outside},
        {[&] { named("../prog.asm"); }, "; ../prog.asm:1  \n", "../prog.asm" + outside},
        {[&] { named("e\x1b[2J.asm"), dir.WriteText("src/e\x1b[2J.asm", "start:\tldw ix,count\a\n"); },
         "; e\\x1B[2J.asm:1  start:  ldw ix,count\\x07\n", ""},
    };
    for (const auto& c : cases) {
        SetUp();
        fs::remove_all(src);
        fs::create_directories(src);
        c.prepare();
        const auto r = RunTool(dir.path(), {"list", "--lines", "4", "--source", "src"}, {}, 20);
        EXPECT_EQ(r.status, c.err.empty() ? 0 : 1) << c.err;
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out);
        EXPECT_EQ(r.err, c.err.empty() ? "" : "varnox-tool list: " + c.err);
    }
}

// The function rows of --profile-all add up to the total it gives.
TEST_F(ToolSymbols, ProfileRowsAddUpToTheRunsCycles) {
    const auto r = RunTool(dir.path(), {"run", "--no-save", "--ticks", "3", "--profile-all"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream out(r.out.substr(r.out.find('\n') + 1));
    unsigned long long total = 0, sum = 0, cycles = 0;
    std::string line;
    out >> total;
    std::getline(out, line);
    std::getline(out, line);  // the heading
    while (std::getline(out, line) && line.find("function") == std::string::npos && line.find(" line") == std::string::npos) {
        std::istringstream(line) >> cycles;
        sum += cycles;
    }
    EXPECT_EQ(total, 27300u);  // 3 run ticks of 9100 cycles at the default clock, spent exactly
    EXPECT_EQ(sum, total);
    EXPECT_NE(r.out.find(" loop\n"), std::string::npos);
}

TEST_F(ToolSymbols, WatchStopsAfterTheAccessWithTheStateLine) {
    const auto r = RunTool(dir.path(), {"run", "--no-save", "--watch", "count:w"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 8), "PC=0004 ");
    EXPECT_NE(r.err.find("Watch: write C010 00 -> 07 at 0003 (bump), count"), std::string::npos) << r.err;
    EXPECT_EQ(RunTool(dir.path(), {"run", "--watch", "count:x"}).status, 2);
}

TEST_F(ToolSymbols, TraceRegistersAddsRegistersAndCycles) {
    const auto r = RunTool(dir.path(), {"run", "--no-save", "--steps", "2", "--trace", "--trace-regs"});
    EXPECT_NE(r.err.find(
              "0000: ldw   ix,&HC010               F=00 AS=00 KO=00 KI=00 IE=00 IF=00 ix=0000 iy=0000 iz=0000 "
              "v3=0000 v2=0000 v1=0000 v0=0000 sp=0000 T=0\n"
              "0001: cal   &H0003                  F=00 AS=00 KO=00 KI=00 IE=00 IF=00 ix=C010 iy=0000 iz=0000 "
              "v3=0000 v2=0000 v1=0000 v0=0000 sp=0000 T=4\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(RunTool(dir.path(), {"run", "--trace-regs"}).status, 2);
}

// Every address the tool takes is read one way: a name first, then hex,
// marked with &H, 0x or $ where a name could be meant.
TEST(ToolAddresses, OneReaderForEveryAddress) {
    ScratchDir dir;
    dir.WriteText("prog.asm", "start: jmp next\nnext: jmp cafe\ncafe: jmp cafe\n ram &HC010\nsignature: ds 1\n");
    ASSERT_EQ(RunTool(dir.path(), {"asm", "prog.asm", "-o", "."}).status, 0);
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;  // its start
        std::string err;  // found in it
    } cases[] = {
        {{"run", "--break", ""}, 2, "", "bad breakpoint address"},
        {{"run", "--break="}, 2, "", "bad breakpoint address"},
        {{"run", "--break", "signature"}, 2, "", "signature is a data name"},
        {{"run", "--ticks", "1", "--watch", "cafe"}, 0, "PC=0002", "--watch cafe names code"},
        {{"run", "--break", "&H1"}, 0, "PC=0001", ""},
        {{"run", "--break", "0x1"}, 0, "PC=0001", ""},
        {{"run", "--break", "$1"}, 0, "PC=0001", ""},
        {{"run", "--break", "cafe"}, 0, "PC=0002", ""},
        {{"list", "--from", "cafe", "--lines", "1"}, 0, "cafe:\n0002:", ""},
        {{"list", "--from", "&H1", "--lines", "1"}, 0, "next:\n0001:", ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back("--no-save");
        if (c.args[0] == "list") args.pop_back();
        const auto r = RunTool(dir.path(), args, {}, 60);
        EXPECT_EQ(r.status, c.status) << c.args[1] << " " << r.err;
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << c.args[2] << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace varnox
