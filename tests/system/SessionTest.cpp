// The session's contract, on the default firmware: the same inputs give the
// same machine however the session is paced or driven, from a folder or
// from the kit in memory; what it saves, loads and replays; the display it
// reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/InputScript.h"
#include "support/MachineBuilder.h"
#include "support/ScratchDir.h"
#include "system/DefaultKit.h"
#include "system/Recording.h"
#include "system/SaveState.h"
#include "system/Session.h"

namespace varnox {
namespace {

namespace fs = std::filesystem;

// The default kit in a folder of its own, without ram.bin.
struct KitFolder : test::ScratchDir {
    KitFolder() {
        for (const char* name : KitFileNames) fs::copy_file(fs::path(VARNOX_RUN_DIR) / name, path() / name);
    }
};

// The files of a folder in memory, as a program carries its kit.
struct KitInMemory {
    explicit KitInMemory(const test::ScratchDir& dir) {
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            names.push_back(entry.path().filename().string());
            const std::string text = dir.ReadText(names.back());
            bytes.emplace_back(text.begin(), text.end());
        }
        for (size_t i = 0; i < names.size(); ++i) files.push_back({names[i], bytes[i]});
    }
    std::vector<std::string> names;
    std::vector<std::vector<uint8_t>> bytes;
    std::vector<KitFile> files;
};

std::unique_ptr<Session> Started(const fs::path& dir) {
    auto session = std::make_unique<Session>(dir);
    session->Load();
    session->Start();
    return session;
}

using test::Give;
using test::Input;

struct Script {
    const char* name;
    std::vector<Input> inputs;
    long long ticks;
};

const Script Scripts[] = {
    {"idle on the start page", {}, 48},
    {"the calculator opened by the mouse", {{Input::MouseDown, 4, 8}, {Input::MouseUp, 5}}, 48},
    {"every kind of input", test::AllInputKinds(true), test::AllInputKindsTicks},
};

void Drive(Session& s, const Script& script, long long perEvent, const std::function<void()>& event) {
    test::Drive(s, script.inputs, script.ticks, perEvent, event);
}

class SessionScripts : public testing::TestWithParam<Script> {};

// Paced events at each speed against the same run ticks run by hand, the
// inputs given before the same ticks; and the kit in memory against its
// folder.
TEST_P(SessionScripts, PacedAtAnySpeedOrFromTheKitInMemoryEndsAsTicksRunByHand) {
    const KitFolder kit;
    const Script& script = GetParam();
    for (const int speed : {1, 2, 8}) {
        const auto ticked = Started(kit.path());
        Drive(*ticked, script, speed, [&] { ticked->RunTicks(speed); });
        ticked->Path().ApplyDue();  // as a front end shows the end
        const auto paced = Started(kit.path());
        paced->SetSpeed(speed);
        Drive(*paced, script, speed, [&] { EXPECT_EQ(paced->Pace({FramePace::RunTickMs, 0}).ticks, speed); });
        EXPECT_EQ(paced->Tick(), ticked->Tick()) << speed;
        EXPECT_EQ(paced->SaveState(), ticked->SaveState()) << speed;
    }
    const auto folder = Started(kit.path());
    const KitInMemory memory(kit);
    Session fromMemory(memory.files);
    fromMemory.Load();
    fromMemory.Start();
    Drive(*folder, script, 1, [&] { folder->RunTicks(1); });
    Drive(fromMemory, script, 1, [&] { fromMemory.RunTicks(1); });
    EXPECT_EQ(fromMemory.SaveState(), folder->SaveState());
    EXPECT_EQ(fromMemory.StateLine(), folder->StateLine());
}

INSTANTIATE_TEST_SUITE_P(Cases, SessionScripts, testing::ValuesIn(Scripts));

// ---- Pacing -------------------------------------------------------------------------------

// A clock that moves a millisecond each time it is read.
struct StepClock {
    double now = 0;
    HostClock Clock() {
        return [this] { return now++; };
    }
};

TEST(SessionPace, EventsEndWhereTheRulesSay) {
    const KitFolder kit;
    const struct Case {
        const char* name;
        int speed;
        const char* settings;  // varnox.ini
        double untilMs;
        long long ticks;
    } cases[] = {
        // Read at 0, then after each tick: the fifth would end at 6, past 5.5.
        {"Unlimited: while another tick as long ends in time", FramePace::Unlimited, "", 5.5, 5},
        {"Unlimited: a tick granted no cycles ends the event", FramePace::Unlimited, "[Settings]\nOscFreq=0\n", 1000, 1},
        {"8x: a tick granted no cycles ends the event", 8, "[Settings]\nOscFreq=0\n", 0, 1},
        {"4x: four ticks", 4, "[Settings]\nOscFreq=1\n", 0, 4},
    };
    for (const Case& c : cases) {
        kit.WriteText(SettingsFileName, c.settings);
        const auto s = Started(kit.path());
        s->SetSpeed(c.speed);
        StepClock clock;
        EXPECT_EQ(s->Pace({FramePace::RunTickMs, c.untilMs}, clock.Clock()).ticks, c.ticks) << c.name;
        s->SetPaused(true);
        EXPECT_EQ(s->Pace({FramePace::RunTickMs, c.untilMs}, clock.Clock()).ticks, 0) << c.name;
    }
}

// A stop inside an event ends it there, and the keys are left to the
// debugger, which lets them all go: a release held back is not applied.
TEST(SessionPace, AStopEndsTheEventAndLeavesTheKeys) {
    const KitFolder kit;
    const auto s = Started(kit.path());
    s->SetSpeed(8);
    s->PressKey(41);
    s->KeyUp();
    s->GetMachine().Run.StepCount = 100;  // inside the first tick
    const TicksRun run = s->Pace({FramePace::RunTickMs, 0});
    EXPECT_TRUE(run.stopped);
    EXPECT_LT(run.ticks, 8);
    EXPECT_EQ(s->GetMachine().HeldKeys[HeldPcKeySlot], 41);
    s->GetMachine().Run.DebugActive = 1;
    EXPECT_EQ(s->Pace({FramePace::RunTickMs, 0}).ticks, 1);  // the debugger holds it: one tick is enough
    EXPECT_EQ(s->Close().Failed, false);
    EXPECT_EQ(s->Pace({FramePace::RunTickMs, 0}).ticks, 0);
    EXPECT_EQ(s->RunTicks(5).ticks, 0);
}

// ---- Start, files and states -------------------------------------------------------------

TEST(SessionStart, TheKitInMemoryStartsAsAFolderOfItsFilesAndWritesNothing) {
    const KitFolder kit;
    std::vector<uint8_t> shortRom(100, 0x12);
    kit.Write(Rom0FileName, shortRom);
    kit.WriteText(SettingsFileName, "[Settings]\nOscFreq=banana\n");
    const KitInMemory memory(kit);
    Session folder(kit.path());
    Session inMemory(memory.files);
    EXPECT_EQ(inMemory.Load().Messages, folder.Load().Messages);
    EXPECT_EQ(inMemory.SaveState(), folder.SaveState());
    EXPECT_FALSE(inMemory.Folder());
    const SaveResult saved = inMemory.SaveMemory();
    EXPECT_TRUE(saved.Failed);
    ASSERT_EQ(saved.Messages.size(), 1u);
    EXPECT_NE(saved.Messages[0].find("ram.bin"), std::string::npos);
    EXPECT_FALSE(inMemory.Close().Failed);
}

TEST(SessionStart, LoadingAgainForgetsTheRun) {
    const KitFolder kit;
    const auto fresh = Started(kit.path());
    const auto s = Started(kit.path());
    s->Hold(41, 3, 30);
    s->RunTicks(20);
    s->GetMachine().DataRam[7] = 0x5A;
    s->Load();
    s->Start();
    EXPECT_EQ(s->Tick(), 0);
    EXPECT_EQ(s->StepsCounted(), 0);
    EXPECT_FALSE(s->RanSinceSave());
    s->RunTicks(40);
    fresh->RunTicks(40);
    EXPECT_EQ(s->SaveState(), fresh->SaveState());  // the hold went with the run
}

TEST(SessionFiles, MemoryIsSavedAfterARunAndWhatChangedOnDiskIsKept) {
    const KitFolder kit;
    const auto s = Started(kit.path());
    EXPECT_FALSE(s->RanSinceSave());
    s->RunTicks(10);
    EXPECT_TRUE(s->RanSinceSave());
    std::vector<uint8_t> other(DataRamBytes, 0xA5);
    kit.Write(RamFileName, other);  // put there since the start
    const SaveResult saved = s->SaveMemory();
    EXPECT_FALSE(saved.Failed);
    ASSERT_EQ(saved.Messages.size(), 1u);
    EXPECT_NE(saved.Messages[0].find("ram.bin.bak"), std::string::npos);
    EXPECT_EQ(kit.ReadText("ram.bin.bak"), std::string(other.begin(), other.end()));
    const std::string ram = kit.ReadText(RamFileName);
    EXPECT_EQ(ram, std::string(s->GetMachine().DataRam.begin(), s->GetMachine().DataRam.end()));
    EXPECT_FALSE(s->RanSinceSave());
}

TEST(SessionStates, BytesLoadAsTheFileAndSwitchOn) {
    const KitFolder kit;
    const auto s = Started(kit.path());
    s->Hold(8, 2, 4);
    s->RunTicks(30);
    const std::vector<uint8_t> state = s->SaveState();
    ASSERT_EQ(s->SaveStateFile(kit.path() / "mid.vxs"), std::nullopt);
    s->RunTicks(25);
    const auto fromFile = Started(kit.path());
    const auto fromBytes = Started(kit.path());
    fromBytes->SetPower(false);
    ASSERT_EQ(fromFile->LoadState(kit.path() / "mid.vxs"), std::nullopt);
    ASSERT_EQ(fromBytes->LoadState(state), std::nullopt);
    EXPECT_TRUE(fromBytes->PoweredOn());
    fromFile->RunTicks(25);
    fromBytes->RunTicks(25);
    EXPECT_EQ(fromFile->SaveState(), s->SaveState());
    EXPECT_EQ(fromBytes->SaveState(), s->SaveState());

    std::vector<uint8_t> broken = state;
    broken.back() ^= 0xFF;
    const std::vector<uint8_t> before = fromBytes->SaveState();
    EXPECT_NE(fromBytes->LoadState(broken), std::nullopt);
    EXPECT_EQ(fromBytes->SaveState(), before);
}

TEST(SessionRecordings, AReplayEndsAsTheRecordedRunAndSwitchesOn) {
    const KitFolder kit;
    const auto recorded = Started(kit.path());
    recorded->Path().StartRecording(true);
    for (const Input& in : test::AllInputKinds(true)) {
        recorded->RunTicks(in.tick - recorded->Tick());
        Give(*recorded, in);
    }
    recorded->RunTicks(20);
    ASSERT_EQ(SaveRecordingFile(recorded->Path().StopRecording(), kit.path() / "take.vxr"), std::nullopt);
    const auto replayed = Started(kit.path());
    replayed->SetPower(false);
    ASSERT_EQ(replayed->Replay(kit.path() / "take.vxr"), std::nullopt);
    EXPECT_TRUE(replayed->PoweredOn());
    replayed->RunTicks(replayed->Path().ReplayTicks());
    EXPECT_FALSE(replayed->Path().IsReplaying());
    EXPECT_EQ(replayed->SaveState(), recorded->SaveState());
}

// ---- The display ---------------------------------------------------------------------------

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
    // Band 1, column 5, lower half: dot rows 12..15 of column 5; 0x9 sets
    // the top and bottom ones.
    lcd.DisplayRam[1 * 192 + 5 * 2 + 1] = 0x9;
    const DisplayReader::Read read = s->ReadDisplay();
    EXPECT_FALSE(read.Whole);
    EXPECT_EQ(read.Changed, (std::vector<uint16_t>{12 * 96 + 5, 15 * 96 + 5}));
    EXPECT_TRUE(read.Picture.Dot(5, 15) && !read.Picture.Dot(5, 14));
    lcd.LcdControl = LcdPowered | LcdEnabled;  // any bit of the control byte
    EXPECT_TRUE(s->ReadDisplay().Whole);
    lcd.LcdControl = 0;
    const DisplayReader::Read off = s->ReadDisplay();
    EXPECT_TRUE(off.Whole && !off.Picture.Powered);
    EXPECT_EQ(off.Picture, DisplayPicture{});
}

// The one reader of dots agrees with the controller's own frame buffer,
// cursor included, for any display memory.
TEST(SessionDisplay, PictureOfReadsTheDotsTheControllerShows) {
    test::Random random{31};
    for (int round = 0; round < 20; ++round) {
        LcdController lcd;
        lcd.LcdControl = LcdPowered;
        lcd.DisplayOn = true;
        lcd.CursorMode = static_cast<uint8_t>(random.Next() % 8);
        for (uint8_t& nibble : lcd.DisplayRam) nibble = random.Byte() & 0x0F;
        LcdRefresh(lcd);
        const DisplayPicture picture = PictureOf(lcd);
        for (int row = 0; row < DisplayRows; ++row) {
            for (int column = 0; column < DisplayColumns; ++column) {
                ASSERT_EQ(picture.Dot(column, row), LcdDotOn(lcd, column, row)) << column << ',' << row;
            }
        }
    }
}

}  // namespace
}  // namespace varnox
