// varnox-tool run --save-state and --load-state: a run split in two through
// a state ends exactly where the run in one piece ends; a state that cannot
// be loaded ends the command before anything runs or is saved.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/ToolRunner.h"

namespace varnox {
namespace {

using test::RunTool;
using test::ScratchDir;

// Random firmware and memory: every kind of instruction, the LCD, the ports.
void WriteRandomMachine(const ScratchDir& dir, unsigned seed) {
    std::mt19937 random(seed);
    const auto bytes = [&](size_t size) {
        std::vector<unsigned char> image(size);
        for (auto& byte : image) byte = static_cast<unsigned char>(random());
        return image;
    };
    dir.Write("charset.bin", bytes(2048));
    dir.Write("rom0.bin", bytes(18432));
    dir.Write("rom1.bin", bytes(32768));
    dir.Write("ram.bin", bytes(8192));
    dir.Write("register.bin", bytes(128));
}

std::string WithoutCounts(const std::string& line) { return line.substr(0, line.find(" STEPS=")); }

long long Steps(const std::string& line) { return std::stoll(line.substr(line.find("STEPS=") + 6)); }

TEST(ToolState, RunSplitThroughAStateEndsAsTheRunInOnePiece) {
    const struct {
        unsigned seed;
        int first, second;  // run ticks; the refresh cadence travels in the state
    } cases[] = {{1, 4, 26}, {2, 13, 17}, {3, 29, 1}, {4, 6, 60}};
    for (const auto& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        ScratchDir whole, split;
        WriteRandomMachine(whole, c.seed);
        WriteRandomMachine(split, c.seed);
        const auto straight = RunTool(whole.path(), {"run", "--ticks", std::to_string(c.first + c.second), "--screen", "s.pbm"});
        const auto before = RunTool(split.path(), {"run", "--ticks", std::to_string(c.first), "--save-state", "s.vxs"});
        const auto after = RunTool(split.path(), {"run", "--load-state=s.vxs", "--ticks", std::to_string(c.second), "--screen", "s.pbm"});
        ASSERT_EQ(straight.status, 0);
        ASSERT_EQ(before.status, 0) << before.err;
        ASSERT_EQ(after.status, 0) << after.err;
        EXPECT_EQ(WithoutCounts(after.out), WithoutCounts(straight.out));
        EXPECT_EQ(Steps(before.out) + Steps(after.out), Steps(straight.out));
        for (const char* file : {"ram.bin", "register.bin", "s.pbm"}) EXPECT_EQ(split.ReadText(file), whole.ReadText(file)) << file;
    }
}

// A key held when the state was saved is held by no one after loading, as
// in the window. Off at word 0 with Esc, the wake key, held for the first 5
// run ticks (the least a press is held): the run in one piece ends off; a
// run through a state saved while Esc was held must end off too. A state of
// the first format (saved before the refresh cadence was kept, after 3 run
// ticks) continues as one of this format saved there.
TEST(ToolState, LoadingLetsGoOfTheKeysNoOneHolds) {
    std::string rom0(18432, '\0');
    rom0[0] = '\x50';  // off: 50 80 00
    rom0[1] = '\x80';
    const struct {
        const char* made;
        bool version1;
        int savedAt;
    } cases[] = {{"by this version", false, 5}, {"by the first format", true, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.made);
        ScratchDir dir;
        dir.WriteText("rom0.bin", rom0);
        const std::string hold = "35@0-" + std::to_string(c.savedAt);
        const std::string total = std::to_string(c.savedAt + 6);
        const auto straight = RunTool(dir.path(), {"run", "--hold", "35@0-5", "--ticks", total, "--no-save"});
        ASSERT_EQ(WithoutCounts(straight.out), "PC=0000 F=00 AS=00 KO=41 KI=00 IE=00 IF=00 HALTED=1");
        const std::string savedAt = std::to_string(c.savedAt);
        ASSERT_EQ(RunTool(dir.path(), {"run", "--hold", hold, "--ticks", savedAt, "--save-state", "s.vxs", "--no-save"}).status, 0);
        const auto after = RunTool(dir.path(), {"run", "--load-state", "s.vxs", "--ticks", "6", "--no-save"});
        if (c.version1) {
            std::filesystem::copy_file(VARNOX_TOOLS_GOLDEN_DIR "/state-version1.vxs", dir.path() / "v1.vxs");
            const auto v1 = RunTool(dir.path(), {"run", "--load-state", "v1.vxs", "--ticks", "6", "--no-save"});
            EXPECT_EQ(v1.out, after.out) << v1.err;
            continue;
        }
        EXPECT_EQ(WithoutCounts(after.out), WithoutCounts(straight.out)) << after.err;
        EXPECT_EQ(9100 * c.savedAt + Steps(after.out), Steps(straight.out));
    }
}

TEST(ToolState, StatesThatCannotBeLoadedEndTheCommandFirst) {
    ScratchDir dir;
    WriteRandomMachine(dir, 5);
    ASSERT_EQ(RunTool(dir.path(), {"run", "--ticks", "3", "--save-state", "good.vxs", "--no-save"}).status, 0);
    std::string damaged = dir.ReadText("good.vxs");
    damaged[200] = static_cast<char>(damaged[200] ^ 1);
    dir.WriteText("damaged.vxs", damaged);
    ScratchDir other;
    WriteRandomMachine(other, 6);
    std::filesystem::copy_file(dir.path() / "good.vxs", other.path() / "good.vxs");
    const std::string ram = dir.ReadText("ram.bin");
    const struct {
        const ScratchDir& in;
        const char* file;
        const char* reason;
    } cases[] = {{dir, "damaged.vxs", "damaged: its checksum does not match"},
                 {dir, "missing.vxs", "No such file or directory"},
                 {other, "good.vxs", "saved with another instruction ROM (rom0.bin) than the one loaded"}};
    for (const auto& c : cases) {
        const auto r = RunTool(c.in.path(), {"run", "--load-state", c.file});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, std::string("Failed to load the state file ") + c.file + ": " + c.reason + "\n");
    }
    EXPECT_EQ(dir.ReadText("ram.bin"), ram);  // nothing ran, nothing was saved

    const auto same = RunTool(dir.path(), {"run", "--save-state", "x", "--screen", "x"});
    EXPECT_EQ(same.status, 2);
    EXPECT_NE(same.err.find("the --save-state file (x) is the same file as the --screen file"), std::string::npos)
        << same.err;
    EXPECT_EQ(RunTool(dir.path(), {"run", "--save-state", "ram.bin"}).status, 2);
    const auto unwritable = RunTool(dir.path(), {"run", "--ticks", "1", "--no-save", "--save-state", "no/such/s.vxs"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err, "Failed to save the state file no/such/s.vxs: No such file or directory\n");
    // A loop of links is not a new file: the link stays.
    std::filesystem::create_symlink("loop", dir.path() / "loop");
    const auto loop = RunTool(dir.path(), {"run", "--ticks", "1", "--no-save", "--save-state", "loop"});
    EXPECT_EQ(loop.status, 1);
    EXPECT_EQ(loop.err, "Failed to save the state file loop: Too many levels of symbolic links\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "loop"));
}

}  // namespace
}  // namespace varnox
