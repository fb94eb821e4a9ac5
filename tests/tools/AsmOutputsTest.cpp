// varnox-tool asm never destroys a file: an output that is the source, an
// included file or another output is refused, as is a pipe that would hold
// it up; a planted link at the old temporary name is not followed, and an
// output that fails leaves every other one as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/ToolRunner.h"

namespace varnox {
namespace {

namespace fs = std::filesystem;
using test::RunTool;
using test::ScratchDir;

constexpr const char* Source = "org 0\n nop\n";
constexpr const char* Included = " nop\n";

TEST(ToolAsmOutputs, NothingIsWrittenWhenAnOutputIsBad) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* said;
    } cases[] = {
        {{"asm", "src.asm", "-o", "out", "--listing", "out/rom0.bin"}, 2, "the listing (out/rom0.bin) is the same file as the output rom0.bin"},
        {{"asm", "src.asm", "-o", "new", "--listing", "new/rom1.bin"}, 2, "is the same file as the output rom1.bin"},
        {{"asm", "src.asm", "-o", "out", "--listing", "src.asm"}, 2, "the listing (src.asm) is the source file itself"},
        {{"asm", "src.asm", "-o", "out", "--listing", "link.asm"}, 2, "is the source file itself"},
        {{"asm", "out/rom0.bin", "-o", "out"}, 2, "the output rom0.bin (out/rom0.bin) is the source file itself"},
        {{"asm", "src.asm", "-o", "out", "--listing", "/dev/full"}, 1, "cannot write /dev/full: No space left on device"},
        {{"asm", "src.asm", "-o", "new", "--listing=/dev/full"}, 1, "No space left on device"},
        {{"asm", "src.asm", "--output=out", "--listing", "no/dir/x.lst"}, 1, "cannot write no/dir/x.lst: No such file or directory"},
        {{"asm", "main.asm", "-o", "out", "--listing", "inc.asm"}, 2, "the listing (inc.asm) is the included file inc.asm"},
        {{"asm", "main.asm", "-o", "out", "--listing", "./lib/../inc.asm"}, 2, "is the included file inc.asm"},
        {{"asm", "main.asm", "-o", "linked"}, 2, "the output rom1.bin (linked/rom1.bin) is the included file inc.asm"},
        {{"asm", "src.asm", "-o", "out", "--listing", "fifo"}, 2, "the listing (fifo) is a pipe, not a regular file"},
        {{"asm", "src.asm", "-o", "piped"}, 2, "the output rom0.bin (piped/rom0.bin) is a pipe, not a regular file"},
        {{"asm", "fifo", "-o", "out"}, 1, "fifo: error: the source file is not a regular file"},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        dir.WriteText("src.asm", Source);
        dir.WriteText("main.asm", "org 0\n include \"inc.asm\"\nidle: jmp idle\n");
        dir.WriteText("inc.asm", Included);
        fs::create_symlink("src.asm", dir.path() / "link.asm");
        fs::create_directory(dir.path() / "out");
        dir.WriteText("out/rom0.bin", "old rom0");
        dir.WriteText("out/rom1.bin", "old rom1");
        fs::create_directory(dir.path() / "lib");
        fs::create_directory(dir.path() / "linked");
        fs::create_symlink("../inc.asm", dir.path() / "linked/rom1.bin");
        fs::create_directory(dir.path() / "piped");
        ASSERT_EQ(::mkfifo((dir.path() / "piped/rom0.bin").c_str(), 0600), 0);
        ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
        const auto r = RunTool(dir.path(), c.args, {}, 30);
        EXPECT_EQ(r.status, c.status) << c.said;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(dir.ReadText("src.asm"), Source);
        EXPECT_EQ(dir.ReadText("inc.asm"), Included);
        EXPECT_EQ(dir.ReadText("out/rom0.bin"), "old rom0");
        EXPECT_EQ(dir.ReadText("out/rom1.bin"), "old rom1");
        EXPECT_FALSE(fs::exists(dir.path() / "new"));
        for (const auto& entry : fs::directory_iterator(dir.path() / "out")) {
            EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
        }
    }
}

TEST(ToolAsmOutputs, PlantedLinkAtTheOldTemporaryNameIsNotFollowed) {
    ScratchDir dir;
    dir.WriteText("src.asm", Source);
    dir.WriteText("victim", "keep me");
    fs::create_directory(dir.path() / "out");
    fs::create_symlink("../victim", dir.path() / "out/rom0.bin.tmp");
    const auto r = RunTool(dir.path(), {"asm", "src.asm", "-o", "out", "--listing", "/dev/stdout"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("0000  FA"), std::string::npos) << r.out;  // the listing, written in place
    EXPECT_EQ(dir.ReadText("victim"), "keep me");
    EXPECT_FALSE(fs::is_symlink(dir.path() / "out/rom0.bin"));
    EXPECT_EQ(fs::file_size(dir.path() / "out/rom0.bin"), 18432u);
}

}  // namespace
}  // namespace varnox
