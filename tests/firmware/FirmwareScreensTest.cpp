// The default firmware end to end, as a user drives it: varnox-tool runs the
// built kit in a scratch directory, types keys with --hold and writes the
// display, which must match a golden picture kept beside this file.
//
// A mismatch writes NAME.actual.pbm and NAME.diff.pbm (the dots that
// differ) next to the golden NAME.pbm. To record the pictures anew, after
// checking that the firmware does what it should:
//     VARNOX_RECORD_GOLDEN=1 build/tests/firmware_tests
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/ToolRunner.h"

namespace varnox {
namespace {

using test::RunTool;
using test::ScratchDir;

namespace fs = std::filesystem;

constexpr int Width = 96;
constexpr int Height = 64;
constexpr int FirstKeyTick = 10;  // the firmware has drawn its page by then
constexpr int HoldTicks = 3;      // 30 ms down ...
constexpr int KeyTicks = 6;       // ... then 30 ms up
constexpr int PrintSwitch = 53;

// Keys by the names of their legends; other words are typed character by
// character as on the PC keyboard ("12+3" presses 1, 2, +, 3).
const std::map<std::string, int> KeyNames = {
    {"HOME", 1},  {"END", 2},   {"LEFT", 4},  {"RIGHT", 5}, {"OFF", 6},   {"MENU", 7},   {"CALC", 8},
    {"MEMO", 9},  {"UP", 10},   {"DOWN", 11}, {"CHAR", 12}, {"TEST", 14}, {"CUR", 15},   {"123", 16},
    {"CLR", 17},  {"CLK0", 18}, {"DEL", 34},  {"ESC", 35},  {"ANS", 48},  {"SPACE", 49}, {"ENTER", 50},
};

// The window's character map: a PC character and the key it presses.
int KeyOfCharacter(char c) {
    static const std::string labels = "ABCDEFGHIJKLMNOaaPQRSTUVWXYZ[] ()aa789aa456*/123+-0.";
    if (c == '"') return 3;
    if (c == ':') return 13;
    const auto p = labels.find(c) + 1;
    return p == 0 ? 0 : p <= 31 ? static_cast<int>(p) + 18 : static_cast<int>(p) - 5;
}

// One run of the machine: KEYS typed from tick 10 on, then AFTER more
// ticks. "PRINT" moves the print switch to HD for the rest of the run.
struct MachineRun {
    std::string keys;
    int after = 20;
    std::string settings = "[Settings]\nOscFreq=910\nSelfTest=0\n";
};

// Runs in one directory (so RAM is kept from one to the next), and the
// picture the last one ends with.
struct Case {
    const char* golden;
    std::vector<MachineRun> runs;
};

const Case Cases[] = {
    {"start", {{"", 30}}},
    {"calc-precedence", {{"CALC 12+3*4 ENTER"}}},
    {"calc-parentheses", {{"CALC 2*(3+(4-1))/-5 ENTER"}}},
    {"calc-thirds", {{"CALC 1/3 ENTER *3 ENTER"}}},
    {"calc-long-digits", {{"CALC 123456.789012*1000 ENTER"}}},
    {"calc-scientific", {{"CALC 1/30000 ENTER"}}},
    {"calc-erase-and-clear", {{"CALC 9 ESC 1+2 DEL 5-0.25 ENTER"}}},
    {"calc-division-by-zero", {{"CALC 1/(2-2) ENTER"}}},
    {"calc-overflow", {{"CALC 99999999999999*99999999999999 ENTER ANS * ANS * ANS * ANS ENTER"}}},
    {"calc-syntax-error", {{"CALC 1.2.3 ENTER"}}},
    {"memo", {{"MEMO CLR HELLO ENTER WORLD LEFT LEFT 123 12 HOME"}}},
    {"memo-kept-after-a-restart", {{"MEMO CLR KEPT ENTER TEXT"}, {"MEMO", 30}}},
    {"characters", {{"CHAR DOWN"}}},
    {"off", {{"CALC 5 OFF", 30}}},
    {"wake", {{"CALC 5 OFF ESC", 30}}},
    {"clock-after-62-seconds", {{"", 6200}}},
    {"print-switch-hd", {{"PRINT", 30}}},
    {"self-test", {{"", 8, "[Settings]\nSelfTest=3\n"}}},
    {"self-test-then-start", {{"", 200, "[Settings]\nSelfTest=3\n"}}},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.golden; }

// The --hold options for the keys of a run, and the tick after the last.
std::vector<std::string> HoldArguments(const MachineRun& run, int& ticks) {
    std::vector<std::string> args;
    std::istringstream words(run.keys);
    std::string word;
    int tick = FirstKeyTick;
    std::vector<int> keys;
    int printFrom = -1;
    while (words >> word) {
        if (word == "PRINT") {
            printFrom = tick;
            continue;
        }
        if (const auto named = KeyNames.find(word); named != KeyNames.end()) {
            keys.push_back(named->second);
        } else {
            for (char c : word) keys.push_back(KeyOfCharacter(c));
        }
        for (; !keys.empty(); keys.erase(keys.begin())) {
            EXPECT_NE(keys.front(), 0) << "no key types a character of " << word;
            args.push_back("--hold");
            args.push_back(std::to_string(keys.front()) + "@" + std::to_string(tick) + "-" + std::to_string(tick + HoldTicks));
            tick += KeyTicks;
        }
    }
    ticks = tick + run.after;
    if (printFrom >= 0) {
        args.push_back("--hold");
        args.push_back(std::to_string(PrintSwitch) + "@" + std::to_string(printFrom) + "-" + std::to_string(ticks + 1));
    }
    return args;
}

// A plain PBM picture as dots, row by row; empty when it is not one of
// 96 x 64.
std::vector<bool> ReadPbm(const fs::path& file) {
    std::ifstream in(file);
    std::string magic;
    int width = 0, height = 0;
    if (!(in >> magic >> width >> height) || magic != "P1" || width != Width || height != Height) return {};
    std::vector<bool> dots;
    char c;
    while (in >> c && dots.size() < static_cast<size_t>(Width * Height)) {
        if (c == '0' || c == '1') dots.push_back(c == '1');
    }
    return dots.size() == static_cast<size_t>(Width * Height) ? dots : std::vector<bool>{};
}

// Golden pictures are plain PBM with a row of digits a line.
void WritePbm(const fs::path& file, const std::vector<bool>& dots) {
    std::ofstream out(file);
    out << "P1\n" << Width << ' ' << Height << '\n';
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) out << (dots[static_cast<size_t>(y * Width + x)] ? '1' : '0');
        out << '\n';
    }
}

// The two pictures side by side as text, '#' a dark dot, with the rows
// that differ marked.
std::string SideBySide(const std::vector<bool>& expected, const std::vector<bool>& actual) {
    std::string text = "expected | actual\n";
    for (int y = 0; y < Height; ++y) {
        std::string left, right;
        for (int x = 0; x < Width; ++x) {
            const auto i = static_cast<size_t>(y * Width + x);
            left += expected[i] ? '#' : '.';
            right += actual[i] ? '#' : '.';
        }
        text += left + (left == right ? " | " : " X ") + right + '\n';
    }
    return text;
}

bool Recording() {
    const char* value = std::getenv("VARNOX_RECORD_GOLDEN");
    return value && *value && std::string(value) != "0";
}

// The picture the runs end with, in a fresh directory with the kit's
// firmware; empty when a run failed.
std::vector<bool> ScreenAfter(const std::vector<MachineRun>& runs) {
    ScratchDir dir;
    for (const char* name : {"rom0.bin", "rom1.bin", "charset.bin"}) {
        fs::copy_file(fs::path(VARNOX_RUN_DIR) / name, dir.path() / name);
    }
    for (const MachineRun& run : runs) {
        dir.WriteText("varnox.ini", run.settings);
        int ticks = 0;
        std::vector<std::string> args = {"run", "--ticks"};
        std::vector<std::string> holds = HoldArguments(run, ticks);
        args.push_back(std::to_string(ticks));
        args.insert(args.end(), holds.begin(), holds.end());
        args.insert(args.end(), {"--screen", "screen.pbm"});
        const auto result = RunTool(dir.path(), args);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        if (result.status != 0) return {};
    }
    return ReadPbm(dir.path() / "screen.pbm");
}

// On the start page, a key of a calculation opens the calculator with it
// typed: the same screen as the calculation typed after CALC (MENU, which
// shows the start page again, keeps the timing, and so the cursor's blink,
// the same). Other keys leave the start page as it is.
TEST(StartPage, KeysOfACalculationOpenTheCalculator) {
    const struct {
        const char* typed;
        const char* same;
    } cases[] = {
        {"MENU 12+3*4 ENTER", "CALC 12+3*4 ENTER"}, {"MENU (2+3)*4 ENTER", "CALC (2+3)*4 ENTER"},
        {"MENU -5 ENTER", "CALC -5 ENTER"},         {"MENU .5+1 ENTER", "CALC .5+1 ENTER"},
        {"MENU 7", "CALC 7"},                       {"MENU /2 ENTER", "CALC /2 ENTER"},
        {")", "MENU"},                              {"A ENTER", "MENU MENU"},
    };
    for (const auto& c : cases) {
        const std::vector<bool> typed = ScreenAfter({{c.typed}});
        const std::vector<bool> same = ScreenAfter({{c.same}});
        ASSERT_FALSE(typed.empty()) << c.typed;
        EXPECT_TRUE(typed == same) << c.typed << " against " << c.same << "\n" << SideBySide(same, typed);
    }
}

class FirmwareScreens : public ::testing::TestWithParam<Case> {};

TEST_P(FirmwareScreens, MatchTheGoldenPicture) {
    const Case& c = GetParam();
    const std::vector<bool> actual = ScreenAfter(c.runs);
    ASSERT_FALSE(actual.empty()) << "varnox-tool wrote no 96 x 64 PBM picture";

    const fs::path golden = fs::path(VARNOX_GOLDEN_DIR) / (std::string(c.golden) + ".pbm");
    if (Recording()) {
        WritePbm(golden, actual);
        std::printf("recorded %s\n", golden.c_str());
        return;
    }
    const std::vector<bool> expected = ReadPbm(golden);
    ASSERT_FALSE(expected.empty()) << golden << " is missing or not a 96 x 64 plain PBM picture";
    if (expected != actual) {
        std::vector<bool> diff(actual.size());
        for (size_t i = 0; i < diff.size(); ++i) diff[i] = expected[i] != actual[i];
        const fs::path base = golden.parent_path() / c.golden;
        WritePbm(base.string() + ".actual.pbm", actual);
        WritePbm(base.string() + ".diff.pbm", diff);
        ADD_FAILURE() << "the screen differs from " << golden << "; written: " << base.string()
                      << ".actual.pbm and .diff.pbm\n"
                      << SideBySide(expected, actual);
    }
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    for (const char* p = info.param.golden; *p; ++p) name += *p == '-' ? '_' : *p;
    return name;
}

INSTANTIATE_TEST_SUITE_P(Keys, FirmwareScreens, ::testing::ValuesIn(Cases), CaseName);

}  // namespace
}  // namespace varnox
