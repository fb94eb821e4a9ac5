// Replacing files whole or not at all, in a scratch directory: all outputs
// or none, temporaries that a planted link cannot redirect, devices written
// before anything is renamed, and which paths count as one file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/ScratchDir.h"
#include "system/AtomicReplace.h"

namespace varnox {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicReplace, AllOutputsOrNone) {
    ScratchDir dir;
    dir.WriteText("a", "old a");
    dir.WriteText("b", "old b");
    const fs::path a = dir.path() / "a";
    const fs::path b = dir.path() / "b";
    const std::string newA = "new a";
    const std::string newB = "new b";

    // A later output that cannot be written: the earlier one is not renamed.
    for (const fs::path& bad : {dir.path() / "absent" / "c", fs::path("/dev/full"), dir.path()}) {
        const NewContents files[] = {{a, Bytes(newA)}, {b, Bytes(newB)}, {bad, Bytes(newA)}};
        const auto failure = ReplaceFiles(files, OtherTargets::WriteInPlace);
        ASSERT_TRUE(failure) << bad;
        EXPECT_EQ(failure->Index, 2u);
        EXPECT_FALSE(failure->Reason.empty());
        EXPECT_EQ(dir.ReadText("a"), "old a");
        EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a", "b"}));
    }
    // A device as a memory image is refused before anything is written.
    const NewContents toNull[] = {{a, Bytes(newA)}, {"/dev/null", Bytes(newB)}};
    EXPECT_EQ(ReplaceFiles(toNull, OtherTargets::Refuse)->Reason, "not a regular file");
    EXPECT_EQ(dir.ReadText("a"), "old a");

    EXPECT_FALSE(ReplaceFiles(toNull, OtherTargets::WriteInPlace));
    const NewContents both[] = {{a, Bytes(newA)}, {b, Bytes(newB)}};
    EXPECT_FALSE(ReplaceFiles(both, OtherTargets::Refuse));
    EXPECT_EQ(dir.ReadText("a"), "new a");
    EXPECT_EQ(dir.ReadText("b"), "new b");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a", "b"}));
}

// The file's immutable flag, which even root's renames respect.
bool SetImmutable(const fs::path& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

// Whatever fails, and whenever, every target is left as it was: a rename
// refused after others were done (an immutable file) puts those back, a
// pipe no one reads fails at once instead of waiting, and a loop of links
// is not taken for a new file.
TEST(AtomicReplace, FailuresLeaveEveryTargetAsItWas) {
    const struct {
        const char* bad;
        const char* reason;
    } cases[] = {
        {"immutable", "Operation not permitted"},
        {"fifo", "No such device or address"},
        {"loop", "Too many levels of symbolic links"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bad);
        ScratchDir dir;
        const fs::path bad = dir.path() / c.bad;
        dir.WriteText("a", "old a");
        if (bad.filename() == "fifo") {
            ASSERT_EQ(::mkfifo(bad.c_str(), 0600), 0);
        }
        if (bad.filename() == "loop") fs::create_symlink("loop", bad);
        struct Immutable {
            fs::path path;
            bool set = false;
            ~Immutable() {
                if (set) SetImmutable(path, false);
            }
        } immutable{bad};
        if (bad.filename() == "immutable") {
            dir.WriteText(c.bad, "old");
            immutable.set = SetImmutable(bad, true);
            if (!immutable.set) {
                std::printf("no immutable files here (root only, on some file systems): case left out\n");
                continue;
            }
        }
        const std::string text = "new";
        const NewContents files[] = {{dir.path() / "a", Bytes(text)}, {dir.path() / "fresh", Bytes(text)}, {bad, Bytes(text)}};
        const auto failure = ReplaceFiles(files, OtherTargets::WriteInPlace);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->Index, 2u);
        EXPECT_EQ(failure->Reason, c.reason);
        EXPECT_EQ(dir.ReadText("a"), "old a");
        EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a", c.bad}));
        EXPECT_EQ(fs::is_symlink(bad), bad.filename() == "loop");
    }
}

// A link planted under the name of the next temporary must not redirect the
// write; stale temporaries of a process that has gone are removed.
TEST(AtomicReplace, PlantedLinkAtTheTemporaryIsNotFollowed) {
    ScratchDir dir;
    dir.WriteText("victim", "keep me");
    const fs::path target = dir.path() / "rom0.bin";
    const std::string planted = "rom0.bin.tmp" + std::to_string(::getpid()) + "-0";
    fs::create_symlink(dir.path() / "victim", dir.path() / planted);
    const std::string contents = "image";
    EXPECT_FALSE(ReplaceFile(target, Bytes(contents), OtherTargets::Refuse));
    EXPECT_EQ(dir.ReadText("victim"), "keep me");
    EXPECT_EQ(dir.ReadText("rom0.bin"), "image");
    EXPECT_FALSE(fs::is_symlink(target));
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"rom0.bin", planted, "victim"}));
}

TEST(AtomicReplace, SameFileByInodeOrResolvedPath) {
    ScratchDir dir;
    dir.WriteText("file", "x");
    fs::create_symlink("file", dir.path() / "link");
    fs::create_symlink("new", dir.path() / "dangling");
    fs::create_directory(dir.path() / "sub");
    const fs::path d = dir.path();
    const struct {
        fs::path a, b;
        bool same;
    } cases[] = {
        {d / "file", d / "link", true},         {d / "file", d / "sub/../file", true},
        {d / "new", d / "dangling", true},      {d / "new", d / "sub/../new", true},
        {d / "file", d / "new", false},         {d / "new", d / "other", false},
        {d / "sub", d / "file", false},
    };
    for (const auto& c : cases) EXPECT_EQ(SameFile(c.a, c.b), c.same) << c.a << " " << c.b;

    // Two outputs that are one file are refused.
    const std::string text = "t";
    const NewContents twice[] = {{d / "file", Bytes(text)}, {d / "link", Bytes(text)}};
    EXPECT_EQ(ReplaceFiles(twice, OtherTargets::Refuse)->Index, 1u);
    EXPECT_EQ(dir.ReadText("file"), "x");
}

TEST(AtomicReplace, KeepCopyNeverReplaces) {
    ScratchDir dir;
    dir.WriteText("ram.bin", "memory");
    dir.WriteText("taken", "earlier copy");
    EXPECT_EQ(KeepCopy(dir.path() / "ram.bin", dir.path() / "taken"), EEXIST);
    EXPECT_EQ(dir.ReadText("taken"), "earlier copy");
    EXPECT_EQ(KeepCopy(dir.path() / "ram.bin", dir.path() / "ram.bin.bak"), 0);
    // The copy outlives the replacement of the original.
    const std::string replaced = "new";
    EXPECT_FALSE(ReplaceFile(dir.path() / "ram.bin", Bytes(replaced), OtherTargets::Refuse));
    EXPECT_EQ(dir.ReadText("ram.bin.bak"), "memory");
    EXPECT_EQ(dir.ReadText("ram.bin"), "new");
}

}  // namespace
}  // namespace varnox
