// A place in the program as typed, read one way for breakpoints, watches,
// conditions and the tool: FILE:LINE first, then a name, then hex.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "asm/Symbols.h"
#include "debugger/Breakpoints.h"
#include "debugger/ProgramPlace.h"
#include "debugger/SourceLines.h"
#include "debugger/WatchExpressions.h"
#include "support/DebugProgram.h"

namespace varnox {
namespace {

using test::PlaceNames;

// main.asm's lines 2 and 3 placed words 0 and 1; three files are named x.asm.
SourceMap Lines() {
    SourceMap map;
    for (const SourceLineRow& row : {SourceLineRow{0, "main.asm", 2}, SourceLineRow{1, "main.asm", 3},
                                     SourceLineRow{2, "lib/x.asm", 1}, SourceLineRow{3, "src/x.asm", 1},
                                     SourceLineRow{4, "x.asm", 5}, SourceLineRow{5, "lib/y.asm", 1},
                                     SourceLineRow{6, "src/y.asm", 1}}) {
        map.Add(row);
    }
    return map;
}

TEST(ProgramPlace, BreakpointsByLineNameOrAddress) {
    const SymbolTable names = PlaceNames();
    const SourceMap lines = Lines();
    struct Case {
        std::string_view text;
        int address;  // -1: refused, with the problem
        std::string_view where;
        std::string_view problem;
    };
    const Case cases[] = {
        {"12ab", 0x12AB, "", ""},
        {" loop ", 0x12, "loop", ""},
        {"cafe", 0x0CAF, "cafe", ""},  // the name, not the hex digits
        {"main.asm:3", 1, "main.asm:3", ""},
        {"main.asm:1", 0, "main.asm:1", ""},  // no code on the line: the next line's
        {"x.asm:5", 4, "x.asm:5", ""},         // the file named so, though two others end in x.asm
        {"lib/x.asm:1", 2, "lib/x.asm:1", ""},
        {"y.asm:1", -1, "y.asm:1", "y.asm is ambiguous in rom.sym: lib/y.asm, src/y.asm; give the whole name"},
        {"nosuch.asm:1", -1, "nosuch.asm:1",
         "rom.sym names no file nosuch.asm; its files: lib/x.asm, lib/y.asm, main.asm, src/x.asm, src/y.asm, x.asm"},
        {"lib/main.asm:2", -1, "lib/main.asm:2", "rom.sym names no file lib/main.asm; its files: lib/x.asm, lib/y.asm, "
                                                  "main.asm, src/x.asm, src/y.asm, x.asm"},
        {"main.asm:4", -1, "main.asm:4", "no code at or after main.asm:4"},
        {"nowhere", -1, "", "no symbol named 'nowhere'"},
        {"1g", -1, "", "'1g' is neither a hex address (1 to 4 digits) nor a name"},
        {"", -1, "", "no address given"},
    };
    for (const Case& c : cases) {
        const BreakPlace place = ParseBreakPlace(c.text, &names, lines);
        EXPECT_EQ(place.Address ? *place.Address : -1, c.address) << c.text;
        EXPECT_EQ(place.Where, c.where) << c.text;
        EXPECT_EQ(place.Problem, c.problem) << c.text;
        EXPECT_EQ(place.SourceLine, c.text.find(':') != std::string_view::npos) << c.text;
    }
    EXPECT_EQ(ParseBreakPlace("count", &names, lines).Named->Space, SymbolSpace::Data);
    EXPECT_EQ(ParseBreakPlace("main.asm:3", nullptr, SourceMap()).Problem, "no source lines (rom.sym has no line rows)");
    EXPECT_TRUE(lines.FindFile("y.asm").Ambiguous);
    EXPECT_EQ(lines.FindFile("y.asm").Candidates, (std::vector<std::string>{"lib/y.asm", "src/y.asm"}));
    EXPECT_EQ(lines.FindFile("nosuch.asm").Name, nullptr);
    EXPECT_FALSE(lines.FindFile("nosuch.asm").Ambiguous);
}

// A name or an address with "+" and an offset, hex or "#" and decimal:
// read alike by every reader, watches and conditions too.
TEST(ProgramPlace, OffsetsFromANameOrAnAddress) {
    const SymbolTable names = PlaceNames();
    const struct {
        std::string_view text;
        int address;  // -1: refused with the problem
        std::string_view problem;
    } cases[] = {
        {"count+1", 0xC011, ""},
        {" count + 1F ", 0xC02F, ""},
        {"loop+#12", 0x1E, ""},
        {"C010+F", 0xC01F, ""},
        {"count+", -1, "'count+': after + comes hex (1 to 4 digits), or # and decimal"},
        {"count+1+1", -1, "'count+1+1': after + comes hex (1 to 4 digits), or # and decimal"},
        {"count+#65536", -1, "'count+#65536': after + comes hex (1 to 4 digits), or # and decimal"},
        {"nowhere+1", -1, "no symbol named 'nowhere'"},
        {"FFFF+1", -1, "'FFFF+1' lies past FFFF"},
        {"+1", -1, "no address given"},
    };
    for (const auto& c : cases) {
        const AddressValue value = ParseAddressText(c.text, &names);
        EXPECT_EQ(value.Address ? *value.Address : -1, c.address) << c.text;
        EXPECT_EQ(value.Problem, c.problem) << c.text;
    }
    EXPECT_EQ(ParseAddressText("count+2", &names).Named->Name, "count");
    const WatchedValueParse byte = ParseWatchedValue("[count+1]", &names);
    const WatchedValueParse word = ParseWatchedValue("word [count+2]", &names);
    ASSERT_TRUE(byte.Value && word.Value) << byte.Problem << word.Problem;
    EXPECT_EQ(byte.Value->Kind, WatchedKind::Byte);
    EXPECT_EQ(byte.Value->Address, 0xC011);
    EXPECT_EQ(word.Value->Kind, WatchedKind::Word);
    EXPECT_EQ(word.Value->Address, 0xC012);
    const ConditionValue condition = ParseCondition("[count+1] == 5 && r1 < count+#2", &names);
    ASSERT_TRUE(condition.Condition) << condition.Problem;
    EXPECT_EQ(condition.Condition->AnyOf[0][0].Address, 0xC011);
    EXPECT_EQ(condition.Condition->AnyOf[0][1].Value, 0xC012);
}

// Before rom.sym is read only the shape of a place can be judged.
TEST(ProgramPlace, ShapesBeforeTheNamesAreKnown) {
    const struct {
        std::string_view text;
        bool withLines, looks;
    } cases[] = {
        {"12ab", false, true},       {"&H12", false, true},        {"calc_enter", false, true},
        {" loop ", false, true},     {"main.asm:3", true, true},   {"main.asm:3", false, false},
        {"main.asm:0", true, false}, {"1g", true, false},          {"", true, false},
        {"calc_enter+3", false, true}, {"calc_enter+#12", false, true}, {"calc_enter+", false, false},
    };
    for (const auto& c : cases) EXPECT_EQ(LooksLikePlace(c.text, c.withLines), c.looks) << c.text;
}

}  // namespace
}  // namespace varnox
