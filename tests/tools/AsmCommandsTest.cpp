// The assembly-language subcommands of varnox-tool as a firmware author uses
// them: line, dis, list, run --trace and asm, end to end.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/ToolRunner.h"

namespace varnox {
namespace {

using test::RunTool;
using test::ScratchDir;

TEST(ToolLine, PrintsBytesOrTheRejectionPosition) {
    ScratchDir dir;
    auto r = RunTool(dir.path(), {"line", "LDW IX,&H12ab ; load"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "40 12 AB\n");
    r = RunTool(dir.path(), {"line", "st -(sp),r64"});
    EXPECT_EQ(r.out, "87 00\n");
    r = RunTool(dir.path(), {"line", "  ; nothing"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n");
    r = RunTool(dir.path(), {"line", "  foo"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "error at 3\n");
    // Cut to 64 characters: trailing garbage beyond that is never seen.
    std::string longLine = "nop";
    longLine.append(61, ' ');
    longLine.append("garbage");
    r = RunTool(dir.path(), {"line", longLine});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "FA\n");
}

TEST(ToolDis, PrintsMnemonicAndOperands) {
    ScratchDir dir;
    EXPECT_EQ(RunTool(dir.path(), {"dis", "40", "12", "AB"}).out, "ldw ix,&H12AB\n");
    EXPECT_EQ(RunTool(dir.path(), {"dis", "58"}).out, "rtn\n");
    EXPECT_EQ(RunTool(dir.path(), {"dis", "74", "0C", "40"}).out, "jmp nz,&H0C40\n");
}

TEST(ToolAsm, AssemblesListsAndRunsAProgram) {
    ScratchDir dir;
    dir.WriteText("prog.asm",
                  "; count r64 up to 5, then stop in a loop\n"
                  "start:  ldm r64..r64,&H00\n"
                  "loop:   ad r64,&H01\n"
                  "        tsb r64,&H05\n"
                  "        jmp nz,loop\n"
                  "done:   jmp done\n"
                  "        data &H8000\n"
                  "table:  db 1,2,3\n");
    auto r = RunTool(dir.path(), {"asm", "prog.asm", "-o", "."});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "rom0.bin"), 18432u);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "rom1.bin"), 32768u);
    const std::string rom1 = dir.ReadText("rom1.bin");
    EXPECT_EQ(rom1.substr(0x4000, 4), std::string("\x01\x02\x03\xFF", 4));

    // The labels come with the images, in rom.sym.
    r = RunTool(dir.path(), {"list", "--lines", "4"});
    EXPECT_EQ(r.out,
              "start:\n"
              "0000: ldm   r64..r64,&H00\n"
              "loop:\n"
              "0001: ad    r64,&H01\n"
              "0002: tsb   r64,&H05\n"
              "0003: jmp   nz,loop\n");

    r = RunTool(dir.path(), {"run", "--break", "4", "--no-save"});
    EXPECT_NE(r.out.find("PC=0004 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("STEPS=16 "), std::string::npos) << r.out;
}

TEST(ToolAsm, ReportsErrorsWithPositionAndWritesNothing) {
    ScratchDir dir;
    dir.WriteText("bad.asm", "  nop\n  adb r5,r6\n  jmp nowhere\n");
    const auto r = RunTool(dir.path(), {"asm", "bad.asm", "-o", "."});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.asm:2:"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("bad.asm:3:"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(": error: "), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "rom0.bin"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "rom1.bin"));

    const auto missing = RunTool(dir.path(), {"asm", "absent.asm", "-o", "."});
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(missing.err.empty());
}

TEST(ToolAsm, IncludesFilesBesideTheIncludingOne) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.path() / "fw" / "lib");
    dir.WriteText("fw/main.asm", "        include \"lib/defs.asm\"\n        ld r5,LCD\n");
    dir.WriteText("fw/lib/defs.asm", "LCD     equ &H20\n        include \"bad.asm\"\n");
    dir.WriteText("fw/lib/bad.asm", "        ld r5,\"\n");
    auto r = RunTool(dir.path(), {"asm", "fw/main.asm", "-o", "."});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "fw/lib/bad.asm:1:15: error: expected a value, found '\"'\n");

    dir.WriteText("fw/lib/bad.asm", "; mended\n");
    r = RunTool(dir.path(), {"asm", "fw/main.asm", "-o", ".", "--listing", "main.lst"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dir.ReadText("rom0.bin").substr(0, 3), "\x5E\x85\x20");
    EXPECT_NE(dir.ReadText("main.lst").find("LCD     equ &H20\n"), std::string::npos);
}

// Sources are regular files of at most 64 MB: a device or a pipe could be
// endless or wait for ever, the main source as an included one.
TEST(ToolAsm, SourcesAreBoundedRegularFiles) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.path() / "dir");
    ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
    std::filesystem::resize_file((dir.WriteText("big.asm", ""), dir.path() / "big.asm"), (64 << 20) + 1);
    dir.WriteText("zero.asm", "  include \"/dev/zero\"\n");
    dir.WriteText("pipe.asm", "  include \"fifo\"\n");
    dir.WriteText("large.asm", "  include \"big.asm\"\n");
    const struct {
        const char* source;
        const char* said;
    } cases[] = {
        {"/dev/zero", "/dev/zero: error: the source file is not a regular file\n"},
        {"fifo", "fifo: error: the source file is not a regular file\n"},
        {"dir", "dir: error: the source file is a directory\n"},
        {"big.asm", "big.asm: error: the source file is larger than 64 MB\n"},
        {"zero.asm", "zero.asm:1:11: error: cannot include '/dev/zero': is not a regular file\n"},
        {"pipe.asm", "pipe.asm:1:11: error: cannot include 'fifo': is not a regular file\n"},
        {"large.asm", "large.asm:1:11: error: cannot include 'big.asm': is larger than 64 MB\n"},
    };
    for (const auto& c : cases) {
        const auto r = RunTool(dir.path(), {"asm", c.source, "-o", "out"}, {}, 30);
        EXPECT_EQ(r.status, 1) << c.source;
        EXPECT_EQ(r.err, c.said);
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "out")) << c.source;
    }
}

// A source that fits the bound but not the memory the tool may have ends
// the command with a message, not an abort.
TEST(ToolAsm, RunningOutOfMemoryIsAMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves far more address space than any bound";
#endif
    ScratchDir dir;
    dir.WriteText("sixty.asm", "");
    std::filesystem::resize_file(dir.path() / "sixty.asm", 60 << 20);
    const auto r = RunTool(dir.path(), {"asm", "sixty.asm", "-o", "out"}, "ulimit -v 65536");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "varnox-tool asm: out of memory\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out"));
}

// list needs rom0.bin and reads only the ROMs and RAM: no word about the
// character set or the registers.
TEST(ToolList, ListsWhatRomHoldsAndFailsWithoutIt) {
    const std::string rom0 = "\xFA" + std::string(18431, '\0');
    const struct {
        std::string rom0;  // none when empty
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {rom0, 0, "0000: nop\n", ""},
        {"", 1, "", "Failed to load the file rom0.bin\nvarnox-tool list: nothing to list without rom0.bin\n"
                    "varnox-tool list: the files are read from the current folder; varnox-tool kit DIR writes the "
                    "default kit into DIR\n"},
        {"\xFA", 1, "0000: nop\n", "rom0.bin: 1 byte, expected 18432; the rest of the files were not loaded\n"},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        if (!c.rom0.empty()) dir.WriteText("rom0.bin", c.rom0);
        dir.WriteText("register.bin", "short");
        // Without HOME nor XDG_DATA_HOME the window has no data folder to name.
        const auto r = RunTool(dir.path(), {"list", "--lines", "1"}, "unset HOME XDG_DATA_HOME");
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}

// A source of blank lines is held about once: 8 MB of them assemble within
// 64 MB of address space (the tool once took 45 times the source).
TEST(ToolAsm, MemoryStaysNearTheSourceSize) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves far more address space than any bound";
#endif
    ScratchDir dir;
    dir.WriteText("blank.asm", std::string(8 << 20, '\n'));
    const auto r = RunTool(dir.path(), {"asm", "blank.asm", "-o", "."}, "ulimit -v 65536");
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(ToolTrace, PrintsOneLinePerStep) {
    ScratchDir dir;
    dir.WriteText("prog.asm", "loop: nop\n  jmp loop\n");
    ASSERT_EQ(RunTool(dir.path(), {"asm", "prog.asm", "-o", "."}).status, 0);
    const auto r = RunTool(dir.path(), {"run", "--steps", "3", "--trace", "--no-save"});
    EXPECT_NE(r.out.find("STEPS=3 "), std::string::npos);
    // Load messages come first (no charset.bin here), then the three steps.
    const auto first = r.err.find("0000: nop");
    ASSERT_NE(first, std::string::npos) << r.err;
    EXPECT_EQ(r.err.substr(first), "0000: nop\n0001: jmp   &H0000\n0000: nop\n");
}

}  // namespace
}  // namespace varnox
