// The input path: presses held long enough for the firmware, recordings
// that replay to the same machine, snapshots that take it back in time.
#include <gtest/gtest.h>

#include <functional>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "core/Crc32.h"
#include "support/AsmProgram.h"
#include "support/MachineBuilder.h"
#include "support/ScratchDir.h"
#include "system/Files.h"
#include "system/InputPath.h"
#include "system/Recording.h"
#include "system/RunPath.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

// Sums what KI reads with every line driven and stores the running sum
// through RAM: any key seen one step sooner or later changes the machine.
constexpr const char* KeyWatcher = R"(
        org 0
        ldw ix,&HC000
loop:   pst ko,&HFF
        gst r64,ki
        ad r1,r64
        st +(ix),r1
        jmp loop
)";

std::unique_ptr<Machine> WatcherMachine() {
    auto m = test::NewMachine();
    EXPECT_EQ(test::LoadSource(*m, KeyWatcher), "");
    StartMachine(*m);
    return m;
}

// The whole machine as a state holds it, with the run control beside.
std::vector<uint8_t> Whole(const InputPath& path) {
    std::vector<uint8_t> bytes = EncodeState(path.GetMachine());
    const RunControl& run = path.Control();
    for (const int32_t v : {int32_t{run.DebugActive}, run.ResumeDelay, run.CyclesPerTick}) {
        bytes.push_back(static_cast<uint8_t>(v));
    }
    return bytes;
}

// ---- Minimum hold ------------------------------------------------------------------

// What the user does at a run tick: press key K in a slot, or let go (0).
struct Act {
    long long tick;
    int slot;
    int key;  // 0: release
};
// What reaches the slot, and when.
struct Seen {
    long long tick;
    int slot;
    int key;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> Drive(const std::vector<Act>& acts, long long ticks) {
    auto m = WatcherMachine();
    InputPath path(*m);
    path.StartRecording(true);
    for (long long tick = 0; tick < ticks; ++tick) {
        for (const Act& act : acts) {
            if (act.tick != tick) continue;
            if (act.key) {
                path.Press(act.slot, act.key);
            } else {
                path.Release(act.slot);
            }
        }
        path.RunTick();
    }
    std::vector<Seen> seen;
    for (const InputEvent& e : path.StopRecording().Events) {
        seen.push_back({e.Tick, e.Kind == InputKind::Mouse ? HeldMouseSlot : HeldPcKeySlot, e.Key});
    }
    return seen;
}

TEST(InputPath, EveryPressIsHeldLongEnoughAndSeen) {
    constexpr int M = HeldMouseSlot;
    constexpr int P = HeldPcKeySlot;
    const struct {
        const char* name;
        std::vector<Act> acts;
        std::vector<Seen> seen;
    } cases[] = {
        {"a long hold is kept as it was", {{2, P, 41}, {20, P, 0}}, {{2, P, 41}, {20, P, 0}}},
        {"a tap lasts five run ticks", {{2, P, 41}, {2, P, 0}}, {{2, P, 41}, {7, P, 0}}},
        {"five taps of one key: five presses, each released", {{1, M, 41}, {1, M, 0}, {1, M, 41}, {1, M, 0}, {2, M, 41}, {2, M, 0}},
         {{1, M, 41}, {6, M, 0}, {7, M, 41}, {12, M, 0}, {13, M, 41}, {18, M, 0}}},
        {"a second key before the first is let go", {{0, P, 19}, {1, P, 20}, {30, P, 0}},
         {{0, P, 19}, {5, P, 0}, {6, P, 20}, {30, P, 0}}},
        {"auto-repeat presses the held key again: nothing changes", {{0, P, 19}, {3, P, 19}, {4, P, 19}, {9, P, 0}},
         {{0, P, 19}, {9, P, 0}}},
        {"the slots are apart: a mouse tap waits for no PC key", {{0, P, 19}, {1, M, 7}, {1, M, 0}, {2, P, 0}},
         {{0, P, 19}, {1, M, 7}, {5, P, 0}, {6, M, 0}}},
        {"a press right after a release waits a run tick", {{0, P, 19}, {10, P, 0}, {10, P, 20}, {30, P, 0}},
         {{0, P, 19}, {10, P, 0}, {11, P, 20}, {30, P, 0}}},
    };
    for (const auto& c : cases) EXPECT_EQ(Drive(c.acts, 40), c.seen) << c.name;
}

TEST(InputPath, LettingGoOfAllKeysIsAtOnceAndForgetsWhatWaits) {
    auto m = WatcherMachine();
    InputPath path(*m);
    path.Press(HeldMouseSlot, 41);
    path.Press(HeldPcKeySlot, 19);
    path.Press(HeldPcKeySlot, 20);  // waits behind 19
    path.RunTick();
    path.ReleaseKeys();
    EXPECT_EQ(m->HeldKeys[HeldMouseSlot], 0);
    EXPECT_EQ(m->HeldKeys[HeldPcKeySlot], 0);
    for (int tick = 0; tick < 20; ++tick) path.RunTick();
    EXPECT_EQ(m->HeldKeys[HeldPcKeySlot], 0);  // 20 was forgotten
}

// ---- Recordings --------------------------------------------------------------------

// Random presses, releases, print switch moves and resets through the
// path, as a user would make them.
void RandomInputs(InputPath& path, std::minstd_rand& random, long long ticks) {
    for (long long tick = 0; tick < ticks; ++tick) {
        const auto roll = random() % 100;
        const int slot = static_cast<int>(random() % 2);
        const int key = static_cast<int>(random() % 53) + 1;
        if (roll < 8) path.Press(slot, key, random() % 8 != 0);
        if (roll >= 8 && roll < 16) path.Release(slot);
        if (roll == 16) path.SetPrintSwitch(random() % 2 == 0);
        if (roll == 17 && random() % 4 == 0) path.Reset();
        path.RunTick();
    }
}

// Recorded from a state with keys held and presses waiting, written as
// text and read back, then replayed on a fresh machine: the same machine,
// byte for byte, at the end.
TEST(Recording, RandomInputsAcrossAStateReplayToTheSameMachine) {
    for (const unsigned seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        std::minstd_rand random(seed);
        auto recorded = WatcherMachine();
        InputPath path(*recorded);
        RandomInputs(path, random, 97);
        path.Press(HeldPcKeySlot, 30);
        path.StartRecording(false);
        RandomInputs(path, random, 400);
        path.Press(HeldMouseSlot, 7);  // after the last tick: replayed at the end
        const Recording recording = path.StopRecording();
        ASSERT_EQ(recording.Ticks, 400);
        const auto parsed = ParseRecording(FormatRecording(recording));
        ASSERT_TRUE(std::holds_alternative<Recording>(parsed)) << std::get<std::string>(parsed);
        EXPECT_EQ(std::get<Recording>(parsed), recording);

        auto replayed = WatcherMachine();
        replayed->DataRam.fill(0x5A);  // the state brings its own RAM
        InputPath again(*replayed);
        ASSERT_EQ(again.StartReplay(recording, "r.vxr"), std::nullopt);
        again.Press(HeldPcKeySlot, 9);  // the user's keys wait for the end
        const TicksRun run = RunTicks(again, recording.Ticks);
        EXPECT_EQ(run.ticks, 400);
        EXPECT_FALSE(again.IsReplaying());
        EXPECT_EQ(Whole(again), Whole(path));
    }
}

// A run from power-on through the tool's holds, replayed over the same
// files; over other ROMs or another RAM it is refused, naming them.
TEST(Recording, FromPowerOnOverTheSameFilesOnly) {
    auto recorded = WatcherMachine();
    recorded->DataRam[3] = 7;
    InputPath path(*recorded);
    path.StartRecording(true);
    const KeyHold holds[] = {{41, 3, 4}, {19, 20, 40}, {20, 40, 41}};
    RunTicks(path, 60, holds);
    const Recording recording = path.StopRecording();

    auto fresh = [] {
        auto m = WatcherMachine();
        m->DataRam[3] = 7;
        return m;
    };
    auto same = fresh();
    InputPath again(*same);
    ASSERT_EQ(again.StartReplay(recording, "r.vxr"), std::nullopt);
    RunTicks(again, recording.Ticks);
    EXPECT_EQ(Whole(again), Whole(path));

    const struct {
        const char* name;
        void (*change)(Machine&);
        const char* says;
    } refusals[] = {
        {"other rom0", [](Machine& m) { m.InstrRom[100] ^= 1; }, "recorded over other ROMs: rom0.bin (recorded over 0x"},
        {"other rom1", [](Machine& m) { m.DataRom[100] ^= 1; }, "recorded over other ROMs: rom1.bin"},
        {"other RAM", [](Machine& m) { m.DataRam[3] = 8; }, "starts from another ram.bin"},
        {"other registers", [](Machine& m) { m.Cpu.MainRegisterFile[9] = 1; }, "starts from another register.bin"},
    };
    for (const auto& r : refusals) {
        auto other = fresh();
        r.change(*other);
        InputPath otherPath(*other);
        const std::vector<uint8_t> before = Whole(otherPath);
        const auto refused = otherPath.StartReplay(recording, "r.vxr");
        ASSERT_TRUE(refused) << r.name;
        EXPECT_NE(refused->find("Cannot replay r.vxr: "), std::string::npos) << *refused;
        EXPECT_NE(refused->find(r.says), std::string::npos) << *refused;
        EXPECT_EQ(Whole(otherPath), before) << r.name;
        EXPECT_FALSE(otherPath.IsReplaying());
    }
}

// A replay runs at the recording's clock and self-test; the session's own
// come back when it ends, however it ends, as the next recording then says.
TEST(Recording, AReplayEndsAtTheSessionsOwnSettings) {
    const struct {
        const char* name;
        std::function<void(InputPath&)> end;
    } endings[] = {
        {"run to its end", [](InputPath& path) { RunTicks(path, 20); }},
        {"stopped", [](InputPath& path) { path.FinishReplay(); }},
        {"rewound out of", [](InputPath& path) { ASSERT_TRUE(path.StepBack()); }},
    };
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.name);
        auto m = WatcherMachine();
        const Settings own = m->Config;
        InputPath path(*m);
        const int32_t cycles = path.Control().CyclesPerTick;
        Recording r = BeginRecording(*m, 0, true);
        r.OscFreq = own.OscFreq / 2;
        r.SelfTest = own.SelfTest + 3;
        r.Ticks = 20;
        path.KeepSnapshots(true);
        ASSERT_EQ(path.StartReplay(r, "r.vxr"), std::nullopt);
        EXPECT_EQ(path.Control().CyclesPerTick, cycles / 2);
        RunTicks(path, 12);
        ending.end(path);
        EXPECT_FALSE(path.IsReplaying());
        EXPECT_EQ(path.Control().CyclesPerTick, cycles);
        path.StartRecording(false);
        const Recording next = path.StopRecording();
        EXPECT_EQ(next.OscFreq, own.OscFreq);
        EXPECT_EQ(next.SelfTest, own.SelfTest);
    }
}

// A run stopped inside a run tick, by a step count or a breakpoint, is
// recorded up to that step, and replays to the same machine.
TEST(Recording, AStopInsideATickReplaysToTheSameStep) {
    const struct {
        int32_t stepCount, breakAddress;
    } stops[] = {{700, -1}, {0, 2}, {0, 3}};
    for (const auto& stop : stops) {
        auto recorded = WatcherMachine();
        InputPath path(*recorded);
        path.StartRecording(false);
        const KeyHold holds[] = {{41, 1, 30}};
        RunTicks(path, 20, holds);
        path.Control().Stops.StepCount = stop.stepCount;
        path.Control().Stops.BreakAddress = stop.breakAddress;
        ASSERT_TRUE(RunTicks(path, 1000, holds).stopped);
        const Recording recording = path.StopRecording();
        EXPECT_GT(recording.StopSteps, 0);
        path.Control().Stops.BreakAddress = -1;

        auto replayed = WatcherMachine();
        InputPath again(*replayed);
        ASSERT_EQ(again.StartReplay(recording, "r.vxr"), std::nullopt);
        EXPECT_TRUE(RunTicks(again, recording.Ticks).stopped);
        EXPECT_EQ(Whole(again), Whole(path));
    }
}

TEST(Recording, MalformedOrCutRecordingsNameTheLine) {
    Recording r;
    r.Ticks = 20;
    r.Events = {{3, InputKind::PcKey, 41, true}, {8, InputKind::PcKey, 0, true}};
    const std::string good = FormatRecording(r);
    auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const struct {
        std::string text;
        std::string says;
    } cases[] = {
        {"", "line 1: not a Varnox recording"},
        {replaced("recording 1", "recording 2"), "line 1: format version 2"},
        {replaced("OscFreq 910", "OscFreq fast"), "line 4: bad OscFreq \"fast\""},
        {replaced("ticks 20", "ticks -1"), "line 7: bad ticks"},
        {replaced("3 pc 41", "3 pc 54"), "line 10: bad key \"54\" (0..53)"},
        {replaced("3 pc 41", "3 print 41"), "line 10: bad key \"41\" (0 or 53)"},
        {replaced("3 pc 41", "3 jump 41"), "line 10: expected mouse, pc, print or reset"},
        {replaced("8 pc 0", "2 pc 0"), "line 11: run tick 2 comes before the one of the line above"},
        {replaced("8 pc 0", "21 pc 0"), "line 11: run tick 21 is past the recording's 20"},
        {good.substr(0, good.find("end")), "line 12: the recording ends before its \"end\" line: it was cut short"},
        {good.substr(0, good.find("ticks")), "line 7: the recording ends before its \"ticks\" line"},
        {good + "3 reset\n", "line 13: more after the \"end\" line"},
        {replaced("start power-on", "start state\nstate 0G\n#"), "line 9: \"0G\" is not a hex byte"},
        {replaced("OscFreq 910", "OscFreq 0x-10"), "line 4: bad OscFreq \"0x-10\""},
        {replaced("ticks 20", "ticks 315360000000"), "line 7: bad ticks \"315360000000\" (0..1000000000)"},
        {replaced("3 pc 41", "3 pc " + std::string(1 << 20, '4')), "line 10: bad key \"" + std::string(40, '4') + "...\" (0..53)"},
        {replaced("3 pc 41", std::string(1 << 20, 'x')), "line 10: expected a run tick, an event or \"end\", found \"xxx"},
        {replaced("end", "stop 0\nend"), "line 12: expected \"stop STEPS\""},
        {replaced("end", "stop 5\n9 reset\nend"), "line 13: the \"stop\" line comes last"},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseRecording(c.text);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.says;
        EXPECT_EQ(std::get<std::string>(parsed).rfind(c.says, 0), 0u) << std::get<std::string>(parsed);
        EXPECT_LT(std::get<std::string>(parsed).size(), 200u);
    }
    // A byte-order mark is read past, and where a run stopped inside a tick is kept.
    r.StopSteps = 1234;
    const auto marked = ParseRecording("\xEF\xBB\xBF" + FormatRecording(r));
    ASSERT_TRUE(std::holds_alternative<Recording>(marked)) << std::get<std::string>(marked);
    EXPECT_EQ(std::get<Recording>(marked), r);
    r.StopSteps = 0;
    // Comments, empty lines and Windows line ends are read past.
    std::string edited = replaced("3 pc 41", "\r\n# pressed here\n\n3   pc 41\r");
    const auto parsed = ParseRecording(edited);
    ASSERT_TRUE(std::holds_alternative<Recording>(parsed)) << std::get<std::string>(parsed);
    EXPECT_EQ(std::get<Recording>(parsed), r);
}

TEST(Recording, FilesAreReadWholeAndNamed) {
    test::ScratchDir dir;
    Recording r;
    r.Ticks = 5;
    ASSERT_EQ(SaveRecordingFile(r, dir.path() / "r.vxr"), std::nullopt);
    Recording back;
    ASSERT_EQ(LoadRecordingFile(dir.path() / "r.vxr", back), std::nullopt);
    EXPECT_EQ(back, r);
    dir.WriteText("cut.vxr", dir.ReadText("r.vxr").substr(0, 40));
    const auto cut = LoadRecordingFile(dir.path() / "cut.vxr", back);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->rfind("Failed to load the recording " + (dir.path() / "cut.vxr").string() + ": line ", 0), 0u) << *cut;
    const auto missing = LoadRecordingFile(dir.path() / "none.vxr", back);
    ASSERT_TRUE(missing);
    EXPECT_NE(missing->find("none.vxr: No such file"), std::string::npos) << *missing;
    EXPECT_EQ(back, r);  // refused files leave it alone
}

// ---- Rewind ------------------------------------------------------------------------

// Back by N snapshots, then the same inputs again for the same ticks: the
// same machine as before going back.
TEST(Rewind, BackThenTheSameInputsAgainEndsTheSame) {
    // Presses between the snapshots, none held across one.
    const std::map<long long, std::pair<int, int>> inputs = {
        {12, {HeldPcKeySlot, 41}}, {18, {HeldPcKeySlot, 0}}, {33, {HeldMouseSlot, 7}}, {39, {HeldMouseSlot, 0}},
        {151, {HeldPcKeySlot, 19}}, {152, {HeldPcKeySlot, 0}}, {175, {HeldPcKeySlot, 20}}, {183, {HeldPcKeySlot, 0}}};
    auto drive = [&inputs](InputPath& path, long long until) {
        while (path.Tick() < until) {
            if (const auto at = inputs.find(path.Tick()); at != inputs.end()) {
                const auto [slot, key] = at->second;
                if (key) {
                    path.Press(slot, key);
                } else {
                    path.Release(slot);
                }
            }
            path.RunTick();
        }
    };
    for (const int back : {1, 3, 10, 25}) {
        SCOPED_TRACE(back);
        auto m = WatcherMachine();
        InputPath path(*m);
        path.KeepSnapshots(true);
        drive(path, 300);
        const std::vector<uint8_t> before = Whole(path);
        for (int step = 0; step < back; ++step) ASSERT_TRUE(path.StepBack());
        EXPECT_EQ(path.Tick(), 300 - 10 * back);
        EXPECT_NE(Whole(path), before);
        drive(path, 300);
        EXPECT_EQ(Whole(path), before);
    }
}

TEST(Rewind, TheRingHoldsThirtySecondsAndMoreWithinItsMemory) {
    auto m = WatcherMachine();
    InputPath path(*m);
    path.KeepSnapshots(true);
    const long long ticks = 100 * (RewindRing::RewindSeconds + 5);
    for (long long tick = 0; tick < ticks; ++tick) path.RunTick();
    const RewindRing& ring = path.Snapshots();
    EXPECT_EQ(ring.Count(), RewindRing::Capacity);
    EXPECT_GE(ticks - ring.OldestTick(), 3000);
    EXPECT_LE(ring.Count() * SnapshotBytes(), size_t{64} << 20);
    // Back to the oldest, then no further.
    while (path.StepBack()) {
    }
    EXPECT_EQ(path.Tick(), ring.OldestTick());
    EXPECT_EQ(ring.Count(), 1u);
}

// While the debugger holds the machine, and while it waits to resume, the
// ticks run nothing and keep nothing to go back to.
TEST(Rewind, NoSnapshotWhileTheDebuggerHoldsTheMachine) {
    const struct {
        bool debugActive;
        int resumeDelay;
        size_t snapshots;
    } cases[] = {{false, 0, 5}, {true, 0, 0}, {false, 1000, 0}};
    for (const auto& c : cases) {
        auto m = WatcherMachine();
        InputPath path(*m);
        path.KeepSnapshots(true);
        path.Control().DebugActive = c.debugActive;
        path.Control().ResumeDelay = c.resumeDelay;
        for (int tick = 0; tick < 50; ++tick) path.RunTick();
        EXPECT_EQ(path.Snapshots().Count(), c.snapshots) << c.debugActive << " " << c.resumeDelay;
    }
}

TEST(Rewind, UndoLoadStateReturnsToTheMomentBefore) {
    test::ScratchDir dir;
    auto m = WatcherMachine();
    InputPath path(*m);
    for (int tick = 0; tick < 20; ++tick) path.RunTick();
    ASSERT_EQ(SaveStateFile(*m, dir.path() / "s.vxs"), std::nullopt);
    EXPECT_FALSE(path.UndoLoadState());
    for (int tick = 0; tick < 35; ++tick) path.RunTick();
    const std::vector<uint8_t> before = Whole(path);
    ASSERT_TRUE(path.LoadState(dir.path() / "none.vxs"));  // a failed load keeps nothing to undo
    EXPECT_FALSE(path.CanUndoLoad());
    ASSERT_EQ(path.LoadState(dir.path() / "s.vxs"), std::nullopt);
    EXPECT_NE(Whole(path), before);
    EXPECT_TRUE(path.UndoLoadState());
    EXPECT_EQ(Whole(path), before);
    EXPECT_FALSE(path.CanUndoLoad());
}

// ---- The path's clock --------------------------------------------------------

// The path counts its run ticks by the machine's clock, and goes on where
// it was when the machine is replaced (a state, an older state, an undo),
// reset, or run by the debugger; a rewind goes back to its snapshot's.
TEST(InputPath, TheTickGoesOnAcrossEveryChangeOfTheMachine) {
    test::ScratchDir dir;
    auto m = WatcherMachine();
    InputPath path(*m);
    path.KeepSnapshots(true);
    const auto ticks = [&](int n) {
        for (int tick = 0; tick < n; ++tick) path.RunTick();
    };
    ticks(20);
    ASSERT_EQ(SaveStateFile(*m, dir.path() / "s.vxs"), std::nullopt);
    std::vector<uint8_t> older = EncodeState(*m);
    older.resize(older.size() - 3 * sizeof(int64_t));  // format 2 had no counts
    older[8] = 2;
    const std::span<const uint8_t> payload(older.begin() + 20, older.end());
    for (size_t i = 0; i < 4; ++i) older[12 + i] = static_cast<uint8_t>(payload.size() >> (8 * i));
    for (size_t i = 0; i < 4; ++i) older[16 + i] = static_cast<uint8_t>(Crc32(payload) >> (8 * i));
    dir.Write("older.vxs", older);

    const struct {
        const char* what;
        std::function<void()> change;
        long long tick;     // the path's, after
        int64_t machine;    // the machine's count, after
    } steps[] = {
        {"15 ticks", [&] { ticks(15); }, 35, 35},
        {"a reset", [&] { path.Reset(); }, 35, 35},
        {"a state of tick 20", [&] { ASSERT_EQ(path.LoadState(dir.path() / "s.vxs"), std::nullopt); }, 35, 20},
        {"5 ticks", [&] { ticks(5); }, 40, 25},
        {"the load undone", [&] { ASSERT_TRUE(path.UndoLoadState()); }, 40, 35},
        {"a state of format 2", [&] { ASSERT_EQ(path.LoadState(dir.path() / "older.vxs"), std::nullopt); }, 40, 0},
        {"3 ticks the debugger makes", [&] {
             for (int tick = 0; tick < 3; ++tick) OnRunTimer(*m, path.Control());
         }, 43, 3},
        {"7 ticks", [&] { ticks(7); }, 50, 10},
        {"a rewind, to the snapshot before the undo", [&] { ASSERT_TRUE(path.StepBack()); }, 40, 25},
    };
    EXPECT_EQ(path.Tick(), 20);
    for (const auto& step : steps) {
        step.change();
        EXPECT_EQ(path.Tick(), step.tick) << step.what;
        EXPECT_EQ(m->Clock.RunTicks, step.machine) << step.what;
    }
}

// A replay at a grant of nothing (the oscillator setting 0 or below) ends
// with the session's own grant back, as any replay does.
TEST(Recording, AReplayAtNoGrantGivesTheSessionsBack) {
    for (const int32_t osc : {0, MinOscFreq}) {
        SCOPED_TRACE(osc);
        auto m = WatcherMachine();
        InputPath path(*m);
        const int32_t cycles = path.Control().CyclesPerTick;
        Recording r = BeginRecording(*m, 0, true);
        r.OscFreq = osc;
        r.Ticks = 5;
        ASSERT_EQ(path.StartReplay(r, "r.vxr"), std::nullopt);
        EXPECT_LE(path.Control().CyclesPerTick, 0);
        EXPECT_EQ(RunTicks(path, 5).steps, 0);
        EXPECT_FALSE(path.IsReplaying());
        EXPECT_EQ(path.Control().CyclesPerTick, cycles);
        EXPECT_GT(RunTicks(path, 1).steps, 0);
    }
}

}  // namespace
}  // namespace varnox
