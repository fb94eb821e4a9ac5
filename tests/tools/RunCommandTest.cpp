// varnox-tool run as a user scripts it: arguments, stops, key holds, the
// screen dump, messages and saving.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <regex>
#include <string>
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
          {"run", "--hold", "54@0-1"}, {"run", "--hold", "1@5-2"}, {"run", "--frobnicate"}, {"run", "--ticks", "-1"}}) {
        const auto r = RunTool(dir.path(), args);
        EXPECT_EQ(r.status, 2) << args[1];
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
    auto r = RunTool(dir.path(), {"run", "--ticks", "4", "--hold", "1@2-5", "--no-save"});
    EXPECT_EQ(Field(r.out, "KO"), "42");
    EXPECT_EQ(Field(r.out, "KI"), "01");
    r = RunTool(dir.path(), {"run", "--ticks", "6", "--hold", "1@2-5", "--no-save"});
    EXPECT_EQ(Field(r.out, "KI"), "00");
    // Key 2 on the same lines gives bit 1.
    r = RunTool(dir.path(), {"run", "--ticks", "3", "--hold", "2@0-9", "--no-save"});
    EXPECT_EQ(Field(r.out, "KI"), "02");
}

TEST(ToolRun, MissingFilesAreReportedAndMemoryIsSaved) {
    ScratchDir dir;
    const auto r = RunTool(dir.path(), {"run", "--ticks", "2"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("Failed to load the file charset.bin\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Failed to load the file rom0.bin\n"), std::string::npos) << r.err;
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "ram.bin"), 8192u);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "register.bin"), 128u);
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

TEST(ToolRun, ScreenShowsWhatTheFirmwareDrew) {
    ScratchDir dir;
    // Power the display, switch it on, then write two all-set nibbles at
    // address 0 of chip 0: dot column 0, rows 0 to 7.
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

// off costs nothing and the held wake key wakes it at once: each tick still
// ends, after as many steps as it has clock ticks, and memory is saved.
TEST(ToolRun, OffWokenByAHeldKeyStillEndsEveryTick) {
    ScratchDir dir;
    dir.WriteText("off.asm", "org 0\n off\n");
    ASSERT_EQ(RunTool(dir.path(), {"asm", "off.asm", "-o", "."}).status, 0);
    for (const bool save : {false, true}) {
        std::vector<std::string> args{"run", "--hold", "35@0-5", "--ticks", "10"};
        if (!save) args.push_back("--no-save");
        const auto r = RunTool(dir.path(), args, 60);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Field(r.out, "TICKS"), "10");
        // Five ticks of 9100 steps of off, then off once more and 7584 idle steps of 6 cycles.
        EXPECT_EQ(Field(r.out, "STEPS"), std::to_string(5 * 9100 + 1 + 7584));
        EXPECT_EQ(std::filesystem::exists(dir.path() / "ram.bin"), save);
    }
}

}  // namespace
}  // namespace varnox
