// Source lines: the line rows the assembler writes for every word it
// places, read back through the symbol file, and looked up both ways.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "asm/SourceAsm.h"
#include "asm/Symbols.h"
#include "debugger/SourceLines.h"
#include "support/ScratchDir.h"

namespace varnox {
namespace {

// The main source and an included file in a folder below it.
const std::map<std::string, std::string> Files = {
    {"src/lib/wait.asm", "; waits\nwait:   nop\n        rtn\n"},
};
constexpr std::string_view Main =
    "        org 0\n"
    "start:  ldw sp,&HE000\n"
    "\n"
    "        cal wait\n"
    "        jmp start\n"
    "        include \"lib/wait.asm\"\n"
    "table:  db 1,2,3,4\n"
    "        data &H8000\n"
    "        db 5\n";

SourceImages Assemble() {
    SourceOptions options;
    options.FileName = "src/main.asm";
    options.ReadFile = [](const std::string& path, std::string& text, std::string&) {
        const auto found = Files.find(path);
        if (found != Files.end()) text = found->second;
        return found != Files.end();
    };
    return AssembleSource(Main, options);
}

TEST(SourceLines, EveryPlacedWordHasItsLineThroughTheSymbolFile) {
    const SourceImages images = Assemble();
    ASSERT_TRUE(images.Errors.empty());
    const ParsedSymbols parsed = ParseSymbolText(SymbolFileText(images.Labels, 1, images.Lines, 2), "rom.sym");
    EXPECT_TRUE(parsed.Messages.empty());
    EXPECT_EQ(parsed.Rom1Crc, 2u);
    EXPECT_EQ(parsed.Lines, images.Lines);
    // Words 0..6 placed (db 1,2,3,4 takes two), each with its row.
    ASSERT_EQ(images.Lines.size(), 7u);
    for (uint16_t word = 0; word < 7; ++word) EXPECT_EQ(images.Lines[word].Address, word);
}

TEST(SourceLines, LookedUpBothWays) {
    SourceMap map;
    for (const SourceLineRow& row : Assemble().Lines) map.Add(row);
    struct Case {
        std::string_view place;
        int address;  // -1: refused
    };
    const Case cases[] = {
        {"main.asm:2", 0},     {"main.asm:3", 1},  // a blank line breaks at the next line with code
        {"main.asm:4", 1},     {"lib/wait.asm:2", 3}, {"wait.asm:3", 4},  // by the file's own name
        {"main.asm:7", 5},     {"main.asm:9", -1},    {"other.asm:2", -1}, {"main.asm", -1}, {"main.asm:0", -1},
    };
    for (const Case& c : cases) {
        const SourcePlaceAddress found = ResolveSourcePlace(c.place, map);
        EXPECT_EQ(found.Address ? *found.Address : -1, c.address) << c.place;
        EXPECT_EQ(found.Problem.empty(), c.address >= 0) << c.place;
    }
    EXPECT_EQ(map.LineAt(6)->Line, 7);
    EXPECT_EQ(map.LineAt(4)->File, "lib/wait.asm");
    EXPECT_EQ(map.LineAt(7), nullptr);
    EXPECT_EQ(map.AddressesOf("main.asm", 7), (std::vector<uint16_t>{5, 6}));
}

// A file's lines as the Source tab and list --source show them: numbered
// from 1, without their line ends, found from every 64th line's start.
TEST(SourceLines, AFilesLinesFromItsText) {
    std::string many;
    for (int line = 1; line <= 1000; ++line) many += "line " + std::to_string(line) + (line % 3 ? "\n" : "\r\n");
    const struct {
        std::string text;
        size_t lines;
        int line;
        std::string_view shown;
    } cases[] = {
        {"", 0, 1, ""},
        {"one", 1, 1, "one"},
        {"one\n", 1, 2, ""},
        {"one\r\ntwo", 2, 2, "two"},
        {"\n\n\n", 3, 3, ""},
        {"a\nb\n", 2, 0, ""},
        {many, 1000, 64, "line 64"},
        {many, 1000, 65, "line 65"},
        {many, 1000, 129, "line 129"},
        {many, 1000, 999, "line 999"},
        {many, 1000, 1000, "line 1000"},
        {many, 1000, 1001, ""},
    };
    for (const auto& c : cases) {
        const SourceFile file(c.text);
        EXPECT_EQ(file.LineCount(), c.lines) << c.text.substr(0, 20);
        EXPECT_EQ(file.Line(c.line), c.shown) << c.line;
    }
}

// A file read is kept until it changes on disk, or until every file is
// forgotten (after a rebuild).
TEST(SourceLines, AFileChangedOnDiskIsReadAgain) {
    test::ScratchDir dir;
    dir.WriteText("main.asm", "one\ntwo\n");
    SourceTexts texts(dir.path());
    EXPECT_EQ(texts.LineText("main.asm", 2), "two");
    EXPECT_FALSE(texts.ForgetChanged());
    dir.WriteText("main.asm", "one\nthree and more\n");  // another size
    EXPECT_EQ(texts.LineText("main.asm", 2), "two");       // kept until asked
    EXPECT_TRUE(texts.ForgetChanged());
    EXPECT_EQ(texts.LineText("main.asm", 2), "three and more");
    // The same size, written later.
    dir.WriteText("main.asm", "one\nfour and more!\n");
    std::filesystem::last_write_time(dir.path() / "main.asm",
                                     std::filesystem::last_write_time(dir.path() / "main.asm") + std::chrono::seconds(2));
    EXPECT_TRUE(texts.ForgetChanged());
    EXPECT_EQ(texts.LineText("main.asm", 2), "four and more!");
    // A file missing at first is read once it comes.
    std::string problem;
    EXPECT_EQ(texts.File("lib.asm", &problem), nullptr);
    EXPECT_NE(problem.find("lib.asm"), std::string::npos);
    dir.WriteText("lib.asm", "lib\n");
    EXPECT_TRUE(texts.ForgetChanged());
    EXPECT_EQ(texts.LineText("lib.asm", 1), "lib");
    std::filesystem::remove(dir.path() / "lib.asm");
    texts.Forget();
    EXPECT_EQ(texts.LineText("lib.asm", 1), "");
}

}  // namespace
}  // namespace varnox
