// Recordings of the default firmware made with varnox-tool run --record and
// replayed with --replay in a fresh copy of the run folder: the same state
// line, RAM, register file and screen; and what a replay refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/ToolRunner.h"

namespace varnox {
namespace {

using test::RunTool;
using test::ScratchDir;
namespace fs = std::filesystem;

void CopyKit(const ScratchDir& dir, const std::string& settings) {
    for (const char* name : {"rom0.bin", "rom1.bin", "charset.bin"}) {
        fs::copy_file(fs::path(VARNOX_RUN_DIR) / name, dir.path() / name);
    }
    dir.WriteText("varnox.ini", settings);
}

TEST(RecordReplay, AFreshFolderEndsAsTheRecordedRun) {
    const struct {
        const char* name;
        std::string settings;
        std::vector<std::string> holds;
        const char* ticks;
    } cases[] = {
        // CALC 12+3 ENTER, taps shorter than the least hold, some across a refresh.
        {"calculation", "[Settings]\n",
         {"8@10-11", "41@20-22", "42@30-31", "44@40-41", "43@50-52", "50@60-61"}, "120"},
        // The power-on self-test, then keys while it still holds the keys off.
        {"self-test", "[Settings]\nSelfTest=20\n", {"9@5-40", "23@45-46", "23@47-48"}, "150"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir recorded, replayed;
        CopyKit(recorded, c.settings);
        CopyKit(replayed, c.settings);
        recorded.WriteText("ram.bin", std::string(8192, '\x11'));
        replayed.WriteText("ram.bin", std::string(8192, '\x11'));
        std::vector<std::string> args = {"run", "--record", "r.vxr", "--ticks", c.ticks, "--screen", "s.pbm"};
        for (const std::string& hold : c.holds) args.insert(args.end(), {"--hold", hold});
        const auto first = RunTool(recorded.path(), args);
        ASSERT_EQ(first.status, 0) << first.err;
        fs::copy_file(recorded.path() / "r.vxr", replayed.path() / "r.vxr");
        const auto again = RunTool(replayed.path(), {"run", "--replay", "r.vxr", "--screen", "s.pbm"});
        ASSERT_EQ(again.status, 0) << again.err;
        EXPECT_EQ(again.out, first.out);
        for (const char* file : {"ram.bin", "register.bin", "s.pbm", "r.vxr"}) {
            EXPECT_EQ(replayed.ReadText(file), recorded.ReadText(file)) << file;
        }
    }
}

// Refused before anything runs: nothing is written, the recording least of all.
TEST(RecordReplay, RefusalsNameTheFileAndWriteNothing) {
    ScratchDir dir;
    CopyKit(dir, "[Settings]\n");
    ASSERT_EQ(RunTool(dir.path(), {"run", "--record", "r.vxr", "--hold", "8@3-9", "--ticks", "30"}).status, 0);
    const std::string recording = dir.ReadText("r.vxr");
    const std::string ram = dir.ReadText("ram.bin");
    dir.WriteText("cut.vxr", recording.substr(0, recording.rfind("end")));
    std::string otherRom = dir.ReadText("rom1.bin");
    otherRom[5] = static_cast<char>(otherRom[5] ^ 1);
    const struct {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string says;
    } cases[] = {
        {"cut short", {"run", "--replay", "cut.vxr"}, 1,
         "Failed to load the recording cut.vxr: line 12: the recording ends before its \"end\" line"},
        {"missing", {"run", "--replay", "none.vxr"}, 1, "Failed to load the recording none.vxr: No such file"},
        {"written over itself", {"run", "--replay", "r.vxr", "--record", "r.vxr"}, 2, "--record does not go with --replay"},
        {"with holds", {"run", "--replay", "r.vxr", "--hold", "1@0-5"}, 2, "--hold does not go with --replay"},
        {"recorded into an input", {"run", "--record", "rom0.bin"}, 2, "rom0.bin"},
    };
    for (const auto& c : cases) {
        const auto r = RunTool(dir.path(), c.args);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(dir.ReadText("ram.bin"), ram) << c.name;
        EXPECT_EQ(dir.ReadText("r.vxr"), recording) << c.name;
    }
    dir.WriteText("rom1.bin", otherRom);
    const auto other = RunTool(dir.path(), {"run", "--replay", "r.vxr"});
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("Cannot replay r.vxr: it was recorded over other ROMs: rom1.bin"), std::string::npos) << other.err;
    EXPECT_EQ(dir.ReadText("ram.bin"), ram);
}

}  // namespace
}  // namespace varnox
