// varnox-tool kit writes the kit the tool carries: the build's own kit,
// which then runs; never over someone's file unless --force, which keeps
// the old one beside it first.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/ToolRunner.h"

namespace varnox {
namespace {

namespace fs = std::filesystem;
using test::RunTool;
using test::ScratchDir;

const char* const KitNames[] = {"rom0.bin", "rom1.bin", "rom.sym", "charset.bin", "keys.bmp", "varnox.ini"};

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Case {
    std::vector<std::string> args;
    std::vector<std::string> before;  // "NAME=TEXT" written first; "NAME|" a FIFO; "NAME@TARGET" a link
    int status;
    const char* said;                 // in stderr
    std::vector<std::string> after;   // "NAME=TEXT" there after; "NAME" the kit's own
};

void Check(const Case& c) {
    ScratchDir dir;
    for (const std::string& entry : c.before) {
        const size_t split = entry.find_first_of("=|@");
        const fs::path path = dir.path() / entry.substr(0, split);
        fs::create_directories(path.parent_path());
        if (entry[split] == '|') ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        else if (entry[split] == '@') fs::create_symlink(entry.substr(split + 1), path);
        else dir.WriteText(entry.substr(0, split), entry.substr(split + 1));
    }
    const auto result = RunTool(dir.path(), c.args, {}, 20);
    SCOPED_TRACE(result.err);
    EXPECT_EQ(result.status, c.status);
    EXPECT_NE(result.err.find(c.said), std::string::npos);
    for (const std::string& entry : c.after) {
        const size_t split = entry.find('=');
        if (split != std::string::npos) EXPECT_EQ(dir.ReadText(entry.substr(0, split)), entry.substr(split + 1)) << entry;
        else EXPECT_EQ(dir.ReadText(entry), Read(fs::path(VARNOX_RUN_DIR) / fs::path(entry).filename())) << entry;
    }
}

TEST(ToolKit, WritesTheKitAndNeverOverAFileUnasked) {
    const Case cases[] = {
        {{"kit", "k"}, {}, 0, "", {"k/rom0.bin", "k/rom1.bin", "k/rom.sym", "k/charset.bin", "k/keys.bmp", "k/varnox.ini"}},
        {{"kit", "k"}, {"k/varnox.ini=mine"}, 1, "holds other varnox.ini already; nothing was written", {"k/varnox.ini=mine", "k/rom0.bin="}},
        {{"kit", "k"}, {"k/rom0.bin=a", "k/keys.bmp=b"}, 1, "holds other rom0.bin, keys.bmp", {"k/rom0.bin=a", "k/keys.bmp=b", "k/varnox.ini="}},
        {{"kit", "--force", "k"}, {"k/varnox.ini=mine"}, 0, "kept as varnox.ini.bak", {"k/varnox.ini.bak=mine", "k/varnox.ini"}},
        {{"kit", "k", "--force"}, {"k/varnox.ini=mine", "k/varnox.ini.bak=older"}, 0, "kept as varnox.ini.bak.1",
         {"k/varnox.ini.bak=older", "k/varnox.ini.bak.1=mine", "k/varnox.ini", "k/rom0.bin"}},
        {{"kit", "k", "--force"}, {"k/rom0.bin|"}, 1, "k/rom0.bin", {"k/varnox.ini="}},
        {{"kit", "f/k"}, {"f=file"}, 1, "cannot make the folder", {"f=file"}},
        {{"kit"}, {}, 2, "usage: varnox-tool kit", {}},
        {{"kit", ""}, {}, 2, "DIR is empty\nusage: varnox-tool kit", {}},
        // A link is never written through, to another file of the kit or out of the folder.
        {{"kit", "k", "--force"}, {"k/rom0.bin=a", "k/rom1.bin@rom0.bin"}, 1, "holds rom1.bin as a symbolic link; nothing was written",
         {"k/rom0.bin=a", "k/varnox.ini="}},
        {{"kit", "k"}, {"out=mine", "k/varnox.ini@../out"}, 1, "holds varnox.ini as a symbolic link", {"out=mine", "k/rom0.bin="}},
        {{"kit", "k", "--force"}, {"k/varnox.ini@../nowhere"}, 1, "varnox.ini as a symbolic link", {"nowhere=", "k/rom0.bin="}},
    };
    for (const Case& c : cases) Check(c);
}

TEST(ToolKit, TheKitWrittenRunsAndASecondWriteFindsItThere) {
    ScratchDir dir;
    ASSERT_EQ(RunTool(dir.path(), {"kit", "."}).status, 0);
    const auto again = RunTool(dir.path(), {"kit", "."});
    EXPECT_EQ(again.status, 0) << again.err;
    const auto run = RunTool(dir.path(), {"run", "--ticks", "20", "--no-save"});
    EXPECT_EQ(run.status, 0) << run.err;
    for (const char* name : KitNames) EXPECT_FALSE(fs::exists(dir.path() / (std::string(name) + ".bak"))) << name;
}

}  // namespace
}  // namespace varnox
