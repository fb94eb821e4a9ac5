// varnox-tool run as a user scripts it: arguments, stops, key holds, the
// screen dump, messages, saving and what is kept.
#include <gtest/gtest.h>

#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "support/ToolRunner.h"

namespace varnox {
namespace {

using test::RunTool;
using test::ScratchDir;

// A rom0.bin image from (opcode, b1, b2) words at word 0 on.
std::vector<unsigned char> Rom(std::initializer_list<std::array<unsigned, 3>> words) {
    std::vector<unsigned char> rom(18432, 0);
    size_t at = 0;
    for (const auto& w : words) {
        rom[at] = static_cast<unsigned char>(w[0]);
        rom[at + 1] = static_cast<unsigned char>((w[1] & 0x7F) | ((w[0] >> 1) & 0x80));
        rom[at + 2] = static_cast<unsigned char>(w[2]);
        at += 3;
    }
    return rom;
}

// jmp &H0000 at word 0: an endless loop of 4-cycle steps.
std::vector<unsigned char> LoopRom() { return Rom({{0x070, 0x00, 0x00}}); }

std::string Field(const std::string& line, const std::string& name) {
    const std::regex pattern(name + "=([0-9A-F]+)");
    std::smatch match;
    return std::regex_search(line, match, pattern) ? match[1].str() : "";
}

TEST(ToolRun, FinalLineHasTheExactFormat) {
    ScratchDir dir;
    dir.Write("rom0.bin", LoopRom());
    const auto r = RunTool(dir.path(), {"run", "--no-save"});
    EXPECT_EQ(r.status, 0);
    const std::regex line(
        "PC=[0-9A-F]{4} F=[0-9A-F]{2} AS=[0-9A-F]{2} KO=[0-9A-F]{2} KI=[0-9A-F]{2} IE=[0-9A-F]{2} IF=[0-9A-F]{2} "
        "HALTED=[01] STEPS=[0-9]+ TICKS=[0-9]+\n");
    EXPECT_TRUE(std::regex_match(r.out, line)) << r.out;
    EXPECT_EQ(Field(r.out, "TICKS"), "100");
    EXPECT_EQ(Field(r.out, "STEPS"), std::to_string(100 * 9100 / 4));
}

TEST(ToolRun, BadArgumentsGiveUsageAndStatusTwo) {
    ScratchDir dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"run", "--steps"}, {"run", "--steps", "x"}, {"run", "--break", "10000"},
          {"run", "--hold", "54@0-1"}, {"run", "--hold", "1@5-2"}, {"run", "--frobnicate"}, {"run", "--ticks", "-1"},
          {"run", "--steps", "0"}, {"run", "--steps", "-5"}, {"run", "--steps=-5"}, {"run", "--no-save=1"},
          {"run", "--scale", "2"}, {"run", "--screen", "x.png", "--scale", "0"}, {"run", "extra"}}) {
        const auto r = RunTool(dir.path(), args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_NE(r.err.find("usage"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "ram.bin"));
}

TEST(ToolRun, StopsOnStepCountAndBreakpoint) {
    ScratchDir dir;
    // Words 0..2 nop, word 3 jmp &H0001.
    dir.Write("rom0.bin", Rom({{0x0FA, 0, 0}, {0x0FA, 0, 0}, {0x0FA, 0, 0}, {0x070, 0x00, 0x01}}));
    auto r = RunTool(dir.path(), {"run", "--steps", "10", "--no-save"});
    EXPECT_EQ(Field(r.out, "STEPS"), "10");
    EXPECT_EQ(Field(r.out, "TICKS"), "1");
    EXPECT_EQ(Field(r.out, "PC"), "0001");  // 0,1,2,3 then 1,2,3 twice

    r = RunTool(dir.path(), {"run", "--steps", "5000", "--no-save"});
    EXPECT_EQ(Field(r.out, "STEPS"), "5000");
    EXPECT_EQ(Field(r.out, "TICKS"), "3");

    r = RunTool(dir.path(), {"run", "--break", "3", "--no-save"});
    EXPECT_EQ(Field(r.out, "PC"), "0003");
    EXPECT_EQ(Field(r.out, "STEPS"), "3");

    // A breakpoint that is never reached ends at the tick limit.
    r = RunTool(dir.path(), {"run", "--break", "1234", "--ticks", "7", "--no-save"});
    EXPECT_EQ(Field(r.out, "TICKS"), "7");
}

TEST(ToolRun, HeldKeyIsSeenOnlyWhileHeld) {
    ScratchDir dir;
    // pst ko,&H42 drives key 1's lines; then loop.
    dir.Write("rom0.bin", Rom({{0x0C0, 0x42, 0}, {0x070, 0x00, 0x01}}));
    auto r = RunTool(dir.path(), {"run", "--ticks", "4", "--hold", "1@2-8", "--no-save"});
    EXPECT_EQ(Field(r.out, "KO"), "42");
    EXPECT_EQ(Field(r.out, "KI"), "01");
    r = RunTool(dir.path(), {"run", "--ticks", "9", "--hold", "1@2-8", "--no-save"});
    EXPECT_EQ(Field(r.out, "KI"), "00");
    // A shorter hold lasts the 5 run ticks the firmware is sure to see.
    r = RunTool(dir.path(), {"run", "--ticks", "7", "--hold", "1@2-3", "--no-save"});
    EXPECT_EQ(Field(r.out, "KI"), "01");
    r = RunTool(dir.path(), {"run", "--ticks", "8", "--hold", "1@2-3", "--no-save"});
    EXPECT_EQ(Field(r.out, "KI"), "00");
    // Key 2 on the same lines gives bit 1.
    r = RunTool(dir.path(), {"run", "--ticks", "3", "--hold", "2@0-9", "--no-save"});
    EXPECT_EQ(Field(r.out, "KI"), "02");
}

// Without rom0.bin there is nothing to run: the run fails and writes
// nothing. A file that was short or unreadable fails the run after it has
// run and saved; a missing character set only warns.
TEST(ToolRun, FilesItCannotUseFailTheRun) {
    const std::vector<unsigned char> charset(2048);
    const std::string rest = "; the rest of the files were not loaded\n";
    // ... and where the window's files are, and how to have them.
    const std::string noRom = "varnox-tool run: nothing to run without rom0.bin\n"
                              "varnox-tool run: the files are read from the current folder; the window keeps its own in "
                              "/kept/data/varnox (run there), and varnox-tool kit DIR writes the default kit into DIR\n";
    const struct {
        std::vector<std::pair<std::string, std::vector<unsigned char>>> files;
        std::string unreadable;  // a file whose reading fails (EIO)
        std::string directory;   // a directory in a file's place
        int status;
        std::string said;
        bool ran;  // the state printed, the memory saved
    } cases[] = {
        {{}, "", "", 1, "Failed to load the file charset.bin\nFailed to load the file rom0.bin\n" + noRom, false},
        {{{"charset.bin", charset}}, "rom0.bin", "", 1, "rom0.bin: Input/output error after 0 bytes, expected 18432" + rest + noRom, false},
        {{{"charset.bin", charset}}, "", "rom0.bin", 1, "Failed to load the file rom0.bin: it is a directory\n" + noRom, false},
        {{{"charset.bin", {0}}, {"rom0.bin", LoopRom()}}, "", "", 1, "charset.bin: 1 byte, expected 2048" + rest, true},
        {{{"rom0.bin", LoopRom()}}, "charset.bin", "", 1, "charset.bin: Input/output error after 0 bytes, expected 2048" + rest, true},
        {{{"rom0.bin", std::vector<unsigned char>(100)}}, "", "", 1, "Failed to load the file charset.bin\nrom0.bin: 100 bytes, expected 18432" + rest, true},
        {{{"rom0.bin", LoopRom()}}, "", "", 0, "Failed to load the file charset.bin\n", true},
        {{{"charset.bin", std::vector<unsigned char>(100)}}, "", "", 1, "charset.bin: 100 bytes, expected 2048" + rest + noRom, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        ScratchDir dir;
        for (const auto& [name, bytes] : c.files) dir.Write(name, bytes);
        // The process's own memory at address 0, which no process maps.
        if (!c.unreadable.empty()) std::filesystem::create_symlink("/proc/self/mem", dir.path() / c.unreadable);
        if (!c.directory.empty()) std::filesystem::create_directory(dir.path() / c.directory);
        const auto r = RunTool(dir.path(), {"run", "--ticks", "2", "--screen", "s.pbm", "--save-state", "s.vxs"},
                               "export XDG_DATA_HOME=/kept/data");
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.said);
        EXPECT_EQ(r.out.empty(), !c.ran) << r.out;
        for (const char* output : {"ram.bin", "register.bin", "s.pbm", "s.vxs"}) {
            EXPECT_EQ(std::filesystem::exists(dir.path() / output), c.ran) << output;
        }
    }
}

TEST(ToolRun, RamSurvivesFromOneRunToTheNext) {
    ScratchDir dir;
    // ldw ix,&H4100; st (ix),&H5A; then loop.
    dir.Write("rom0.bin", Rom({{0x040, 0x41, 0x00}, {0x0D0, 0x5A, 0}, {0x070, 0x00, 0x02}}));
    ASSERT_EQ(RunTool(dir.path(), {"run", "--ticks", "1"}).status, 0);
    const std::string ram = dir.ReadText("ram.bin");
    ASSERT_EQ(ram.size(), 8192u);
    EXPECT_EQ(static_cast<unsigned char>(ram[0x100]), 0x5A);
    // The next run loads it back: a program that only loops leaves it alone.
    dir.Write("rom0.bin", LoopRom());
    ASSERT_EQ(RunTool(dir.path(), {"run", "--ticks", "1"}).status, 0);
    EXPECT_EQ(static_cast<unsigned char>(dir.ReadText("ram.bin")[0x100]), 0x5A);
}

TEST(ToolRun, ScreenOfAnUnpoweredDisplayIsBlank) {
    ScratchDir dir;
    dir.Write("rom0.bin", LoopRom());
    const auto r = RunTool(dir.path(), {"run", "--ticks", "3", "--screen", "screen.pbm", "--no-save"});
    EXPECT_EQ(r.status, 0);
    const std::string pbm = dir.ReadText("screen.pbm");
    ASSERT_EQ(pbm.rfind("P1\n96 64\n", 0), 0u);
    const std::string dots = pbm.substr(9);
    EXPECT_EQ(std::count(dots.begin(), dots.end(), '0'), 96 * 64);
    EXPECT_EQ(std::count(dots.begin(), dots.end(), '1'), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "ram.bin"));
}

// Firmware that powers the display, switches it on, then writes two
// all-set nibbles at address 0 of chip 0: dot column 0, rows 0 to 7.
void AssembleColumnZeroFirmware(const ScratchDir& dir) {
    dir.WriteText("lcd.asm",
                  "  pst if,&H01\n"
                  "  ld r0,&H14          ; display on: command 4, 1\n"
                  "  stle r0,&H21\n"
                  "  ld r1,&H82          ; write with op 4 on chip 0 ...\n"
                  "  ld r2,&H00          ; ... from address 0\n"
                  "  stlem r1..r2,&H21\n"
                  "  ld r3,&HFF\n"
                  "  stle r3,&H01\n"
                  "loop: jmp loop\n");
    ASSERT_EQ(RunTool(dir.path(), {"asm", "lcd.asm", "-o", "."}).status, 0);
}

TEST(ToolRun, ScreenShowsWhatTheFirmwareDrew) {
    ScratchDir dir;
    AssembleColumnZeroFirmware(dir);
    const auto r = RunTool(dir.path(), {"run", "--ticks", "3", "--screen", "screen.pbm", "--no-save"});
    EXPECT_EQ(r.status, 0);
    const std::string pbm = dir.ReadText("screen.pbm");
    ASSERT_EQ(pbm.rfind("P1\n96 64\n", 0), 0u);
    std::string dots;
    for (char c : pbm.substr(9)) {
        if (c == '0' || c == '1') dots += c;
    }
    ASSERT_EQ(dots.size(), 96u * 64u);
    for (int row = 0; row < 64; ++row) {
        for (int column = 0; column < 96; ++column) {
            const char expected = column == 0 && row < 8 ? '1' : '0';
            ASSERT_EQ(dots[static_cast<size_t>(row * 96 + column)], expected) << row << "," << column;
        }
    }
}

TEST(ToolRun, ScreenAsScaledPng) {
    ScratchDir dir;
    AssembleColumnZeroFirmware(dir);
    const auto r = RunTool(dir.path(), {"run", "--ticks=3", "--screen", "screen.PNG", "--scale=3", "--no-save"});
    ASSERT_EQ(r.status, 0) << r.err;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, (dir.path() / "screen.PNG").c_str()));
    ASSERT_EQ(image.width, 96u * 3);
    ASSERT_EQ(image.height, 64u * 3);
    image.format = PNG_FORMAT_GRAY;
    std::vector<unsigned char> pixels(image.width * image.height);
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    for (unsigned y = 0; y < image.height; ++y) {
        for (unsigned x = 0; x < image.width; ++x) {
            const bool dot = x < 3 && y < 8 * 3;  // column 0, rows 0 to 7, three pixels a dot
            ASSERT_EQ(pixels[y * image.width + x], dot ? 0x00 : 0xFF) << x << "," << y;
        }
    }
}

// An output asked for that cannot be written fails the run, with the reason.
TEST(ToolRun, FailedOutputsGiveStatusOne) {
    ScratchDir dir;
    dir.Write("rom0.bin", LoopRom());
    auto r = RunTool(dir.path(), {"run", "--ticks", "1", "--screen", "no/such/dir/x.pbm", "--no-save"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no/such/dir/x.pbm: No such file or directory"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("TICKS=1"), std::string::npos);  // the state is still printed

    std::filesystem::create_directory(dir.path() / "register.bin");
    r = RunTool(dir.path(), {"run", "--ticks", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Failed to save the file register.bin: Is a directory"), std::string::npos) << r.err;
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "ram.bin"), 8192u);
}

// A ram.bin or register.bin that loading did not read in full is kept as a
// .bak before the save at the end replaces it.
TEST(ToolRun, MemoryNotReadAtStartIsKept) {
    const std::vector<unsigned char> ram(8192, 0x5A);
    const std::vector<unsigned char> registers(128, 0xA5);
    const struct {
        std::vector<std::pair<std::string, std::vector<unsigned char>>> files;
        std::vector<std::string> kept;
    } cases[] = {
        {{{"ram.bin", ram}, {"rom0.bin", std::vector<unsigned char>(100)}}, {"ram.bin"}},
        {{{"rom0.bin", LoopRom()}, {"ram.bin", std::vector<unsigned char>(100, 0x5A)}, {"register.bin", registers}},
         {"ram.bin", "register.bin"}},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        for (const auto& [name, bytes] : c.files) dir.Write(name, bytes);
        const auto r = RunTool(dir.path(), {"run", "--ticks", "1"});
        EXPECT_EQ(r.status, 1);  // for the short file
        for (const std::string& name : c.kept) {
            const auto original = std::find_if(c.files.begin(), c.files.end(), [&](const auto& f) { return f.first == name; });
            EXPECT_EQ(dir.ReadText(name + ".bak"), std::string(original->second.begin(), original->second.end())) << name;
            EXPECT_NE(r.err.find(name + " was not read in full at start; its old contents are kept in " + name + ".bak"),
                      std::string::npos)
                << r.err;
        }
    }
}

// An output may not replace a file the run reads or keeps, nor be a pipe
// that would hold the run up: it is refused before anything runs, whatever
// name it is given by.
TEST(ToolRun, OutputsThatWouldReplaceAnInputAreRefused) {
    namespace fs = std::filesystem;
    ScratchDir dir;
    dir.Write("rom0.bin", LoopRom());
    for (const char* name : {"rom1.bin", "charset.bin", "keys.bmp", "ram.bin", "register.bin", "ram.bin.bak",
                             "register.bin.bak.3", "s.vxs", "rom.sym"}) {
        dir.WriteText(name, std::string("old ") + name);
    }
    dir.WriteText("varnox.ini", "[Settings]\n");
    fs::create_hard_link(dir.path() / "rom0.bin", dir.path() / "hard");
    fs::create_directory(dir.path() / "sub");
    fs::create_symlink("../rom1.bin", dir.path() / "sub" / "link");
    ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
    const auto contents = [&] {
        std::vector<std::pair<std::string, std::string>> files;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
            const std::string name = entry.path().lexically_relative(dir.path()).string();
            files.emplace_back(name, entry.is_regular_file() ? dir.ReadText(name) : "");
        }
        std::sort(files.begin(), files.end());
        return files;
    };
    const auto before = contents();
    const struct {
        std::vector<std::string> args;
        const char* said;
    } cases[] = {
        {{"--save-state", "rom0.bin"}, "the --save-state file (rom0.bin) is the machine's rom0.bin"},
        {{"--screen", "rom1.bin"}, "the --screen file (rom1.bin) is the machine's rom1.bin"},
        {{"--save-state", "charset.bin"}, "(charset.bin) is the machine's charset.bin"},
        {{"--screen", "keys.bmp"}, "(keys.bmp) is the machine's keys.bmp"},
        {{"--save-state", "varnox.ini"}, "(varnox.ini) is the machine's varnox.ini"},
        {{"--save-state", "ram.bin.bak"}, "(ram.bin.bak) is a copy kept of ram.bin"},
        {{"--screen", "register.bin.bak.3"}, "(register.bin.bak.3) is a copy kept of register.bin"},
        {{"--screen", "sub/../ram.bin.bak"}, "(sub/../ram.bin.bak) is a copy kept of ram.bin"},
        {{"--no-save", "--save-state", "ram.bin"}, "(ram.bin) is the machine's ram.bin"},
        {{"--no-save", "--screen", "./register.bin"}, "(./register.bin) is the machine's register.bin"},
        {{"--save-state", "ram.bin"}, "the --save-state file (ram.bin) is the same file as the machine's ram.bin"},
        {{"--screen", "hard"}, "the --screen file (hard) is the machine's rom0.bin"},
        {{"--save-state", "sub/link"}, "the --save-state file (sub/link) is the machine's rom1.bin"},
        {{"--load-state", "s.vxs", "--save-state", "s.vxs"}, "the --save-state file (s.vxs) is the state it loads"},
        {{"--load-state", "sub/../s.vxs", "--screen", "s.vxs"}, "the --screen file (s.vxs) is the state it loads"},
        {{"--screen", "fifo"}, "the --screen file (fifo) is a pipe, not a regular file"},
        {{"--save-state", "fifo", "--no-save"}, "the --save-state file (fifo) is a pipe, not a regular file"},
        {{"--gif", "sub/link"}, "the --gif file (sub/link) is the machine's rom1.bin"},
        {{"--screen", "c.gif", "--gif", "./c.gif"}, "the --gif file (./c.gif) is the same file as the --screen file"},
        {{"--gif", "fifo"}, "the --gif file (fifo) is a pipe, not a regular file"},
        {{"--break", "0", "--record", "rom.sym"}, "the --record file (rom.sym) is the machine's rom.sym"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"run", "--ticks", "1"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = RunTool(dir.path(), args, {}, 30);
        EXPECT_EQ(r.status, 2) << c.said;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(contents(), before) << c.said;
    }
    // Standard output and devices stay outputs.
    ScratchDir plain;
    plain.Write("rom0.bin", LoopRom());
    const auto toStdout = RunTool(plain.path(), {"run", "--ticks", "1", "--no-save", "--screen", "/dev/stdout"}, {}, 30);
    EXPECT_EQ(toStdout.status, 0);
    EXPECT_EQ(toStdout.out.rfind("P1\n96 64\n", 0), 0u);
    EXPECT_EQ(RunTool(plain.path(), {"run", "--ticks", "1", "--no-save", "--screen", "/dev/null"}, {}, 30).status, 0);
}

// Whoever reads the trace may go away (| head): the run stops, saves and
// ends as usual instead of dying of SIGPIPE.
TEST(ToolRun, ClosedTraceOutputStopsTheRunAndSaves) {
    ScratchDir dir;
    // ldw ix,&H4100; st (ix),&H5A; then loop.
    dir.Write("rom0.bin", Rom({{0x040, 0x41, 0x00}, {0x0D0, 0x5A, 0}, {0x070, 0x00, 0x02}}));
    const std::string command = "cd " + test::ShellQuote(dir.path().string()) + " && ( " +
                                test::ShellQuote(VARNOX_TOOL_PATH) +
                                " run --trace --ticks 1000 2>&1 >state.txt; echo $? >status.txt ) | head -c 100 >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(dir.ReadText("status.txt"), "0\n");
    const std::string state = dir.ReadText("state.txt");
    ASSERT_FALSE(Field(state, "STEPS").empty()) << state;
    EXPECT_LT(std::stoll(Field(state, "STEPS")), 100000);  // far from the 1000 ticks asked
    const std::string ram = dir.ReadText("ram.bin");
    ASSERT_EQ(ram.size(), 8192u);
    EXPECT_EQ(static_cast<unsigned char>(ram[0x100]), 0x5A);
}

// A trace that cannot be written for want of space is a failure, said on
// stdout since stderr is what failed.
TEST(ToolRun, TraceOnAFullDiskFails) {
    ScratchDir dir;
    dir.Write("rom0.bin", LoopRom());
    const std::string command = "cd " + test::ShellQuote(dir.path().string()) + " && " + test::ShellQuote(VARNOX_TOOL_PATH) +
                                " run --trace --ticks 1000 2>/dev/full >state.txt; echo $? >status.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(dir.ReadText("status.txt"), "1\n");
    EXPECT_NE(dir.ReadText("state.txt").find("the trace could not be written: No space left on device"), std::string::npos);
}

// A run ended inside a run tick (by a stop or a signal) is recorded up to
// where it ended, memory saved, and the recording replays to the same
// machine.
TEST(ToolRun, RecordingsReplayToWhereTheRunEnded) {
    const struct {
        std::vector<std::string> args;
        int timeLimit;
        int status;
    } cases[] = {
        {{"--steps", "1000"}, 0, 0},
        {{"--break", "2", "--ticks", "3"}, 0, 0},
        {{"--watch", "4100:w"}, 0, 0},
        {{"--ticks", "100000000"}, 1, 124},  // SIGTERM from timeout
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        ScratchDir dir;
        dir.WriteText("p.asm", "start: ldw ix,&H4100\nloop: adb r66,&H01\n st (ix),&H5A\n jmp loop\n");
        ASSERT_EQ(RunTool(dir.path(), {"asm", "p.asm", "-o", "."}).status, 0);
        std::vector<std::string> args{"run", "--record", "r.vxr"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto recorded = RunTool(dir.path(), args, {}, c.timeLimit);
        EXPECT_EQ(recorded.status, c.status) << recorded.err;
        EXPECT_EQ(recorded.err.find("ended by signal 15") != std::string::npos, c.timeLimit > 0) << recorded.err;
        // Power-on over the memory the recorded run started from.
        EXPECT_TRUE(std::filesystem::remove(dir.path() / "ram.bin"));
        EXPECT_TRUE(std::filesystem::remove(dir.path() / "register.bin"));
        const auto replayed = RunTool(dir.path(), {"run", "--no-save", "--replay", "r.vxr"});
        EXPECT_EQ(replayed.status, 0) << replayed.err;
        EXPECT_EQ(replayed.out, recorded.out);
    }
}

// off costs nothing and the held wake key wakes it at once: each tick still
// ends, after as many steps as it has clock ticks, and memory is saved.
TEST(ToolRun, OffWokenByAHeldKeyStillEndsEveryTick) {
    ScratchDir dir;
    dir.WriteText("off.asm", "org 0\n off\n");
    ASSERT_EQ(RunTool(dir.path(), {"asm", "off.asm", "-o", "."}).status, 0);
    for (const bool save : {false, true}) {
        std::vector<std::string> args{"run", "--hold", "35@0-5", "--ticks", "10"};
        if (!save) args.push_back("--no-save");
        const auto r = RunTool(dir.path(), args, "ulimit -t 60");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Field(r.out, "TICKS"), "10");
        // Five ticks of 9100 steps of off, then off once more and 7584 idle steps of 6 cycles.
        EXPECT_EQ(Field(r.out, "STEPS"), std::to_string(5 * 9100 + 1 + 7584));
        EXPECT_EQ(std::filesystem::exists(dir.path() / "ram.bin"), save);
    }
}

}  // namespace
}  // namespace varnox
