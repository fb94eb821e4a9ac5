// The session's contract, on the default firmware: the same inputs give the
// same machine however the session is paced, from a folder or from the kit
// in memory; where paced events end; what it saves and loads; what its
// reads of the display say.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/InputScript.h"
#include "support/ScratchDir.h"
#include "system/DefaultKit.h"
#include "system/Session.h"

namespace varnox {
namespace {

namespace fs = std::filesystem;

// The default kit in a folder of its own, without ram.bin; and its files in
// memory, as a program carries its kit.
struct KitFolder : test::ScratchDir {
    KitFolder() {
        for (const char* name : KitFileNames) fs::copy_file(fs::path(VARNOX_RUN_DIR) / name, path() / name);
    }
    std::vector<KitFile> InMemory() {
        for (const char* name : KitFileNames) {
            const std::string text = ReadText(name);
            bytes.emplace_back(text.begin(), text.end());
        }
        std::vector<KitFile> files;
        for (size_t i = 0; i < bytes.size(); ++i) files.push_back({KitFileNames[i], bytes[i]});
        return files;
    }
    std::vector<std::vector<uint8_t>> bytes;
};

template <class Source>
std::unique_ptr<Session> Started(const Source& source) {
    auto session = std::make_unique<Session>(source);
    session->Load();
    session->Start();
    return session;
}

// Paced events at a speed against the same run ticks run by hand, every
// kind of input given before the same ticks; and the kit in memory against
// its folder.
class SessionSpeeds : public testing::TestWithParam<int> {};

TEST_P(SessionSpeeds, PacedOrFromTheKitInMemoryTheScriptEndsAsTicksRunByHand) {
    KitFolder kit;
    const int speed = GetParam();
    const std::vector<test::Input> script = test::AllInputKinds(true);
    const auto ticked = Started(kit.path());
    test::Drive(*ticked, script, test::AllInputKindsTicks, speed, [&] { ticked->RunTicks(speed); });
    ticked->Path().ApplyDue();  // as a front end shows the end
    const auto paced = Started(kit.InMemory());
    paced->SetSpeed(speed);
    test::Drive(*paced, script, test::AllInputKindsTicks, speed,
                [&] { EXPECT_EQ(paced->Pace({FramePace::RunTickMs, 0}).ticks, speed); });
    EXPECT_EQ(paced->Tick(), ticked->Tick());
    EXPECT_EQ(paced->SaveState(), ticked->SaveState());
}

INSTANTIATE_TEST_SUITE_P(Speeds, SessionSpeeds, testing::Values(1, 2, 8));

TEST(SessionPace, EventsEndWhereTheRulesSay) {
    const KitFolder kit;
    const struct Case {
        const char* name;
        int speed;
        const char* settings;  // varnox.ini
        double untilMs;
        long long ticks;
    } cases[] = {
        // The clock moves 1 ms a read; read at 0 and after each tick, the
        // sixth would end at 6, past 5.5.
        {"Unlimited: while another tick as long ends in time", FramePace::Unlimited, "", 5.5, 5},
        {"Unlimited: a tick granted no cycles ends the event", FramePace::Unlimited, "[Settings]\nOscFreq=0\n", 1000, 1},
        {"8x: a tick granted no cycles ends the event", 8, "[Settings]\nOscFreq=0\n", 0, 1},
        {"4x: four ticks", 4, "", 1000, 4},
        // Read after each tick, the fourth finds 3, past 2.5: the other four
        // due at 8x are not run.
        {"8x: the event ends at its end", 8, "", 2.5, 4},
    };
    for (const Case& c : cases) {
        kit.WriteText(SettingsFileName, c.settings);
        const auto s = Started(kit.path());
        s->SetSpeed(c.speed);
        double now = 0;
        EXPECT_EQ(s->Pace({FramePace::RunTickMs, c.untilMs}, [&] { return now++; }).ticks, c.ticks) << c.name;
        s->SetPaused(true);
        EXPECT_EQ(s->Pace({FramePace::RunTickMs, c.untilMs}, [&] { return now++; }).ticks, 0) << c.name;
    }
}

// A stop ends the event there and leaves the keys to the debugger, which
// lets them all go: a release held back is not applied. A closed session
// runs nothing.
TEST(SessionPace, AStopEndsTheEventAndLeavesTheKeys) {
    const KitFolder kit;
    const auto s = Started(kit.path());
    s->SetSpeed(8);
    s->PressKey(41);
    s->KeyUp();
    s->Control().Stops.StepCount = 100;  // inside the first tick
    const TicksRun run = s->Pace({FramePace::RunTickMs, 0});
    EXPECT_TRUE(run.stopped);
    EXPECT_EQ(run.ticks, 1);
    EXPECT_EQ(s->GetMachine().HeldKeys[HeldPcKeySlot], 41);
    EXPECT_EQ(s->Pace({FramePace::RunTickMs, 0}).ticks, 1);  // held by the debugger: one tick is enough
    EXPECT_FALSE(s->Close().Failed);
    EXPECT_EQ(s->Pace({FramePace::RunTickMs, 0}).ticks + s->RunTicks(5).ticks, 0);
}

// ---- Start, files and states -------------------------------------------------------------

TEST(SessionStart, TheKitInMemorySaysWhatAFolderOfItsFilesSaysAndWritesNothing) {
    KitFolder kit;
    kit.Write(Rom0FileName, std::vector<uint8_t>(100, 0x12));
    kit.WriteText(SettingsFileName, "[Settings]\nOscFreq=banana\n");
    const std::vector<KitFile> files = kit.InMemory();
    Session folder(kit.path());
    Session inMemory(files);
    EXPECT_EQ(inMemory.Load().Messages, folder.Load().Messages);
    EXPECT_EQ(inMemory.SaveState(), folder.SaveState());
    const SaveResult saved = inMemory.SaveMemory();
    EXPECT_TRUE(saved.Failed);
    EXPECT_NE(saved.Messages.at(0).find("ram.bin"), std::string::npos);
    EXPECT_FALSE(inMemory.Close().Failed);
}

// Loading again forgets the run: its ticks, steps, holds and memory.
TEST(SessionStart, LoadingAgainForgetsTheRun) {
    const KitFolder kit;
    const auto fresh = Started(kit.path());
    const auto s = Started(kit.path());
    s->Hold(41, 3, 30);
    s->RunTicks(20);
    s->Load();
    s->Start();
    EXPECT_EQ(s->Tick() + s->StepsCounted(), 0);
    EXPECT_FALSE(s->RanSinceSave());
    s->RunTicks(40);
    fresh->RunTicks(40);
    EXPECT_EQ(s->SaveState(), fresh->SaveState());
}

// A state's bytes load as its file does: the run goes on the same, switched
// on; bytes that are not a state change nothing.
TEST(SessionStates, BytesLoadAndSwitchOn) {
    const KitFolder kit;
    const auto s = Started(kit.path());
    s->Hold(8, 2, 4);
    s->RunTicks(30);
    const std::vector<uint8_t> state = s->SaveState();
    s->RunTicks(25);
    const auto loaded = Started(kit.path());
    loaded->SetPower(false);
    std::vector<uint8_t> broken = state;
    broken.back() ^= 0xFF;
    EXPECT_NE(loaded->LoadState(broken), std::nullopt);
    EXPECT_FALSE(loaded->PoweredOn());
    ASSERT_EQ(loaded->LoadState(state), std::nullopt);
    EXPECT_TRUE(loaded->PoweredOn());
    loaded->RunTicks(25);
    EXPECT_EQ(loaded->SaveState(), s->SaveState());
}

// Band 1, column 5, lower half: dot rows 12..15 of column 5, of which 0x9
// sets the top and the bottom one.
TEST(SessionDisplay, ReadsSayWhatChangedSinceTheLastRead) {
    const KitFolder kit;
    const auto s = Started(kit.path());
    LcdController& lcd = s->GetMachine().Lcd;
    lcd.LcdControl = LcdPowered;
    lcd.DisplayOn = true;
    lcd.CursorMode = 0;
    lcd.DisplayRam.fill(0);
    EXPECT_TRUE(s->ReadDisplay().Whole);
    EXPECT_FALSE(s->ReadDisplay().Any());
    lcd.DisplayRam[1 * 192 + 5 * 2 + 1] = 0x9;
    const DisplayReader::Read read = s->ReadDisplay();
    EXPECT_FALSE(read.Whole);
    EXPECT_EQ(read.Changed, (std::vector<uint16_t>{12 * 96 + 5, 15 * 96 + 5}));
    EXPECT_TRUE(read.Picture.Dot(5, 15) && !read.Picture.Dot(5, 14));
    lcd.LcdControl = LcdPowered | LcdEnabled;  // any bit of the control byte
    EXPECT_TRUE(s->ReadDisplay().Whole);
    lcd.LcdControl = 0;
    EXPECT_EQ(s->ReadDisplay().Picture, DisplayPicture{});  // unpowered: no dots
}

}  // namespace
}  // namespace varnox
