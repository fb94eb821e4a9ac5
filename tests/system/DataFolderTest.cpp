// The folder a start without DIR uses: the current one once it holds any
// of the calculator's files, else the user's data folder, which gets the
// kit's missing files at every start and never over a file already there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/ScratchDir.h"
#include "system/DataFolder.h"

namespace varnox {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

const uint8_t Rom[] = {1, 2, 3};
const uint8_t Ini[] = {'[', 'S', ']'};
const KitFile Kit[] = {{"rom0.bin", Rom}, {"varnox.ini", Ini}};

struct Case {
    const char* name;
    std::vector<std::string> current;  // files there before ("d/" for a directory)
    std::vector<std::string> data;     // in the data folder ("-" for no data folder)
    bool usesData;
    std::string rom0;                  // the data folder's rom0.bin after, "" for none
    std::string ini;
};

void Put(const fs::path& dir, const std::string& name) {
    fs::create_directories(dir);
    if (name.back() == '/') fs::create_directories(dir / name);
    else std::ofstream(dir / name) << "own " << name;
}

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Check(const Case& c) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    const fs::path current = scratch.path() / "here";
    const fs::path data = scratch.path() / "share/varnox";
    fs::create_directories(current);
    for (const std::string& name : c.current) Put(current, name);
    const bool noData = c.data.size() == 1 && c.data[0] == "-";
    if (!noData) {
        for (const std::string& name : c.data) Put(data, name);
    }
    const StartFolder start = ChooseStartFolder(current, noData ? std::nullopt : std::optional(data), Kit);
    EXPECT_EQ(start.Dir, c.usesData ? data : current);
    EXPECT_TRUE(start.Messages.empty());
    EXPECT_EQ(Read(data / "rom0.bin"), c.rom0);
    EXPECT_EQ(Read(data / "varnox.ini"), c.ini);
    // A second start finds the kit and writes nothing.
    EXPECT_EQ(ChooseStartFolder(current, noData ? std::nullopt : std::optional(data), {}).Dir, start.Dir);
}

TEST(DataFolder, ChosenAndGivenTheKitOnce) {
    const Case cases[] = {
        {"an empty folder gives the data folder with the kit", {}, {}, true, "\x01\x02\x03", "[S]"},
        {"a ROM image keeps the current folder", {"rom0.bin"}, {}, false, "", ""},
        {"a directory in a file's place counts", {"keys.bmp/"}, {}, false, "", ""},
        {"other files do not count", {"notes.txt", "rom.sym"}, {}, true, "\x01\x02\x03", "[S]"},
        {"a used data folder gets the kit's missing files", {}, {"ram.bin"}, true, "\x01\x02\x03", "[S]"},
        {"a user's settings there are kept", {}, {"varnox.ini"}, true, "\x01\x02\x03", "own varnox.ini"},
        {"a kit file missing beside the memory comes back", {}, {"ram.bin", "varnox.ini"}, true, "\x01\x02\x03", "own varnox.ini"},
        {"a file of the kit's name not read at start is kept", {}, {"rom.sym"}, true, "\x01\x02\x03", "[S]"},
        {"without a data folder the current one", {}, {"-"}, false, "", ""},
    };
    for (const Case& c : cases) Check(c);
}

TEST(DataFolder, UserDataFolderFollowsTheDesktop) {
    const struct {
        const char* dataHome;
        const char* home;
        std::optional<fs::path> folder;
    } cases[] = {
        {"/x/data", "/home/u", fs::path("/x/data/varnox")},
        {nullptr, "/home/u", fs::path("/home/u/.local/share/varnox")},
        {"relative", "/home/u", fs::path("/home/u/.local/share/varnox")},
        {"", "/home/u", fs::path("/home/u/.local/share/varnox")},
        {nullptr, nullptr, std::nullopt},
        {nullptr, "", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(UserDataFolder(c.dataHome, c.home), c.folder) << c.dataHome << " " << c.home;
}

TEST(DataFolder, AFolderThatCannotBeMadeIsSaid) {
    ScratchDir scratch;
    scratch.WriteText("file", "x");
    const StartFolder start = ChooseStartFolder(scratch.path() / "here", scratch.path() / "file/varnox", Kit);
    ASSERT_EQ(start.Messages.size(), 1u);
    EXPECT_NE(start.Messages[0].find("file/varnox"), std::string::npos) << start.Messages[0];
}

}  // namespace
}  // namespace varnox
