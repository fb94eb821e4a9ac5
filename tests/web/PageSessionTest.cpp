// The page's session against the headless run of varnox-tool: the same
// holds at the same run ticks give the same machine and the same line.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/InputScript.h"
#include "support/ScratchDir.h"
#include "system/Files.h"
#include "system/RunPath.h"
#include "system/SaveState.h"
#include "system/StateLine.h"
#include "web/PageSession.h"

namespace varnox::web {
namespace {

// The default kit in a folder of its own, without ram.bin.
struct KitFolder : test::ScratchDir {
    KitFolder() {
        for (const char* name : KitFileNames) std::filesystem::copy_file(std::filesystem::path(VARNOX_RUN_DIR) / name, path() / name);
    }
};

struct HoldCase {
    const char* name;
    std::vector<KeyHold> holds;
    long long ticks;
};

// 41 is "1", 44 "+", 50 Enter, 8 CALC.
const HoldCase HoldCases[] = {
    {"idle on the start page", {}, 100},
    {"the calculator opened", {{8, 10, 12}}, 60},
    {"1+1 evaluated", {{8, 5, 6}, {41, 20, 21}, {44, 30, 40}, {41, 45, 46}, {50, 60, 70}}, 120},
    {"a hold that starts where another ends", {{41, 10, 20}, {41, 20, 30}}, 50},
};

struct HeadlessRun {
    std::vector<uint8_t> state;
    std::string line;
};

HeadlessRun RunHeadless(const std::filesystem::path& dir, const HoldCase& c) {
    auto m = std::make_unique<Machine>();
    LoadMachine(*m, dir);
    StartMachine(*m);
    long long steps = 0;
    const TicksRun run = RunTicks(*m, c.ticks, c.holds, [](Machine&, void* s) { ++*static_cast<long long*>(s); }, &steps);
    return {EncodeState(*m), StateLine(m->Cpu, steps, run.ticks)};
}

class PageSessionTest : public testing::TestWithParam<HoldCase> {};

TEST_P(PageSessionTest, ScriptedHoldsEndAsTheHeadlessRun) {
    const KitFolder kit;
    const HoldCase& c = GetParam();
    PageSession page(kit.path());
    EXPECT_TRUE(page.PowerOn().empty());
    for (const KeyHold& hold : c.holds) page.Hold(hold.key, hold.from, hold.until);
    page.RunTicks(c.ticks / 2);
    page.RunTicks(c.ticks - c.ticks / 2);
    const HeadlessRun headless = RunHeadless(kit.path(), c);
    EXPECT_EQ(page.StateLine(), headless.line);
    EXPECT_EQ(page.SaveState(), headless.state);
}

TEST_P(PageSessionTest, FramesAtAnySpeedEndAsScriptedTicks) {
    const KitFolder kit;
    const HoldCase& c = GetParam();
    PageSession framed(kit.path());
    framed.PowerOn();
    for (const KeyHold& hold : c.holds) framed.Hold(hold.key, hold.from, hold.until);
    framed.SetSpeed(8);
    framed.SetPaused(false);
    long long made = 0;
    while (made + 8 <= c.ticks) made += framed.Frame(10, nullptr, nullptr, 0);
    PageSession scripted(kit.path());
    scripted.PowerOn();
    for (const KeyHold& hold : c.holds) scripted.Hold(hold.key, hold.from, hold.until);
    scripted.RunTicks(made);
    EXPECT_EQ(framed.SaveState(), scripted.SaveState());
}

TEST_P(PageSessionTest, StateSavedOnThePageRunsOnAfterLoading) {
    const KitFolder kit;
    const HoldCase& c = GetParam();
    PageSession page(kit.path());
    page.PowerOn();
    for (const KeyHold& hold : c.holds) page.Hold(hold.key, hold.from, hold.until);
    page.RunTicks(c.ticks);
    const std::vector<uint8_t> saved = page.SaveState();
    kit.Write("mid.vxs", saved);
    page.RunTicks(30);
    PageSession other(kit.path());
    other.PowerOn();
    ASSERT_EQ(other.LoadState(kit.path() / "mid.vxs"), std::nullopt);
    other.RunTicks(30);
    EXPECT_EQ(other.SaveState(), page.SaveState());
}

INSTANTIATE_TEST_SUITE_P(Cases, PageSessionTest, testing::ValuesIn(HoldCases));

// The page is an adapter over the session: the same inputs, by its own
// calls, end in the bare session's machine.
TEST(PageSessionAdapter, EveryKindOfInputEndsAsOnTheSession) {
    const KitFolder kit;
    const std::vector<test::Input> script = test::AllInputKinds(true);
    Session session(kit.path());
    session.Load();
    session.Start();
    test::Drive(session, script, test::AllInputKindsTicks, 1, [&] { session.RunTicks(1); });
    session.Path().ApplyDue();
    PageSession page(kit.path());
    page.PowerOn();
    test::Drive(page, script, test::AllInputKindsTicks, 1, [&] { page.RunTicks(1); });
    EXPECT_EQ(page.SaveState(), session.SaveState());
    EXPECT_EQ(page.StateLine(), session.StateLine());
}

TEST(PageSessionMemory, SavedOnlyAfterARun) {
    const KitFolder kit;
    PageSession page(kit.path());
    page.PowerOn();
    EXPECT_FALSE(page.SaveMemory().has_value());
    EXPECT_FALSE(std::filesystem::exists(kit.path() / RamFileName));
    page.RunTicks(20);
    const auto saved = page.SaveMemory();
    ASSERT_TRUE(saved.has_value());
    EXPECT_FALSE(saved->Failed);
    EXPECT_EQ(std::filesystem::file_size(kit.path() / RamFileName), static_cast<uintmax_t>(DataRamBytes));
}

// A frame at a set speed stops at its end however many ticks are due: a
// host too slow for the speed falls behind instead of freezing the page.
TEST(PageSessionFrame, EndsWhenItsTimeIsUp) {
    const KitFolder kit;
    PageSession page(kit.path());
    page.PowerOn();
    page.SetSpeed(8);
    page.SetPaused(false);
    // Every look at the clock finds a millisecond more gone.
    double now = 0;
    const PageClock clock = [](void* at) { return *static_cast<double*>(at) += 1; };
    // 100 ms at 8x: 80 ticks due. The first tick runs unasked, then one
    // for each look up to 5 ms, and the look at 6 ms ends the frame.
    EXPECT_EQ(page.Frame(100, clock, &now, 5), 6);
    // What was due and not run is not owed to the next frame.
    now = 0;
    EXPECT_EQ(page.Frame(10, clock, &now, 1000), 8);
}

// What a visit keeps of the memory files the storage put in the folder: a
// start that stopped before them keeps nothing over them; one that read
// them, even in part, saves and keeps a copy of what it did not read.
struct KeptCase {
    const char* name;
    size_t rom0Bytes;
    size_t ramBytes;  // 0: no ram.bin
    bool saved;
};

const KeptCase KeptCases[] = {
    {"the firmware cut short", 100, DataRamBytes, false},
    {"ram.bin cut short", InstrRomBytes, 100, true},
    {"ram.bin too long", InstrRomBytes, DataRamBytes + 1, true},
    {"no ram.bin yet", InstrRomBytes, 0, true},
};

TEST(PageSessionMemory, NothingUnreadIsSavedOverWhatWasThere) {
    for (const KeptCase& c : KeptCases) {
        SCOPED_TRACE(c.name);
        const KitFolder kit;
        if (c.rom0Bytes != InstrRomBytes) kit.Write(Rom0FileName, std::vector<unsigned char>(c.rom0Bytes, 0x11));
        const std::string memo(c.ramBytes, 'Z');
        if (c.ramBytes) kit.WriteText(RamFileName, memo);
        PageSession page(kit.path());
        page.PowerOn();
        EXPECT_EQ(page.KeepsMemory(), c.saved);
        page.RunTicks(5);
        const auto result = page.SaveMemory();
        EXPECT_EQ(result.has_value(), c.saved);
        const bool copied = std::filesystem::exists(kit.path() / "ram.bin.bak");
        if (c.ramBytes && c.saved) {
            EXPECT_TRUE(copied);
            EXPECT_EQ(kit.ReadText("ram.bin.bak"), memo);
        } else if (c.ramBytes) {
            EXPECT_FALSE(copied);
            EXPECT_EQ(kit.ReadText(RamFileName), memo);
        }
    }
}

// The state line counts the steps of the scripts' run ticks only, by the
// machine's clock, and the page's run ticks, which go on over a state
// loaded.
TEST(PageSessionLine, CountsTheScriptsStepsAndThePagesTicks) {
    const KitFolder kit;
    PageSession page(kit.path());
    page.PowerOn();
    const auto counts = [&page] {
        long long steps = -1, ticks = -1;
        const std::string line = page.StateLine();
        std::sscanf(line.c_str() + line.find("STEPS="), "STEPS=%lld TICKS=%lld", &steps, &ticks);
        return std::make_pair(steps, ticks);
    };
    page.SetSpeed(1);
    page.SetPaused(false);
    const long long framed = page.Frame(50, nullptr, nullptr, 0);
    ASSERT_GT(framed, 0);
    page.SetPaused(true);
    EXPECT_EQ(counts(), std::make_pair(0LL, framed));
    const int64_t before = page.GetMachine().Clock.Steps;
    page.RunTicks(10);
    const long long steps = page.GetMachine().Clock.Steps - before;
    EXPECT_GT(steps, 0);
    EXPECT_EQ(counts(), std::make_pair(steps, framed + 10));
    kit.Write("early.vxs", page.SaveState());
    page.RunTicks(5);
    const long long more = page.GetMachine().Clock.Steps - before;
    ASSERT_EQ(page.LoadState(kit.path() / "early.vxs"), std::nullopt);
    EXPECT_EQ(counts(), std::make_pair(more, framed + 15));
}

}  // namespace
}  // namespace varnox::web
