// The machine's clock: run ticks, steps and processor cycles counted from the
// machine's start (the run tick's differential test checks each count
// against the plain loop), kept by save states and snapshots, so that a
// run split anywhere counts as the run made at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Def.h"
#include "support/AsmProgram.h"
#include "support/MachineBuilder.h"
#include "system/RunControl.h"
#include "system/RunLoop.h"
#include "system/SaveState.h"
#include "system/Snapshot.h"

namespace varnox {
namespace {

// Programs that make steps of every kind: quiet runs, interrupts, idle
// steps while halted, free steps, the slow clock.
const struct Program {
    const char* name;
    const char* source;
} Programs[] = {
    {"nop loop", "loop: nop\n jmp loop\n"},
    {"timer interrupts over free steps",
     " ldw sp,&H6000\n ldw v1,tick\n pst if,&H01\n pst ie,&H20\n"
     "loop: adb r64,&H01\n cmp r65\n jmp loop\n"
     "tick: adb r66,&H01\n rti\n"},
    {"halted", " off\n"},
    {"slow clock", " pst ie,&H84\nloop: nop\n jmp loop\n"},
};

std::unique_ptr<Machine> Started(const char* source) {
    auto m = test::NewMachine();
    EXPECT_EQ(test::LoadSource(*m, source), "");
    StartMachine(*m);
    return m;
}

// Saved after any tick, as a state or a snapshot, and run on from there:
// the counts are the run's made at once.
TEST(RunClock, ASplitRunCountsAsTheRunMadeAtOnce) {
    constexpr int Ticks = 40;
    for (const Program& p : Programs) {
        SCOPED_TRACE(p.name);
        auto straight = Started(p.source);
        RunControl run = RunControl::Started(straight->Config.OscFreq);
        for (int tick = 0; tick < Ticks; ++tick) OnRunTimer(*straight, run);
        ASSERT_EQ(straight->Clock.RunTicks, uint64_t{Ticks});
        ASSERT_GT(straight->Clock.Steps, 0u);
        for (const int split : {1, 7, 23}) {
            SCOPED_TRACE(split);
            auto first = Started(p.source);
            RunControl firstRun = RunControl::Started(first->Config.OscFreq);
            for (int tick = 0; tick < split; ++tick) OnRunTimer(*first, firstRun);
            const std::vector<uint8_t> state = EncodeState(*first);
            std::vector<uint8_t> snapshot(SnapshotBytes());
            TakeSnapshot(*first, snapshot);

            auto loaded = Started(p.source);
            ASSERT_EQ(DecodeState(state, *loaded), std::nullopt);
            auto restored = Started(p.source);
            RestoreSnapshot(*restored, snapshot);
            for (Machine* m : {loaded.get(), restored.get()}) {
                EXPECT_EQ(m->Clock.RunTicks, split);
                RunControl later = RunControl::Started(m->Config.OscFreq);
                for (int tick = split; tick < Ticks; ++tick) OnRunTimer(*m, later);
                EXPECT_TRUE(m->Clock == straight->Clock);
                EXPECT_EQ(EncodeState(*m), EncodeState(*straight));
            }
        }
    }
}

// A count at the top of its range goes round to 0, and a state holds every
// count a run reaches: the counts after any run from any state save and
// load again.
TEST(RunClock, CountsGoRoundWithinWhatAStateHolds) {
    auto m = Started(Programs[0].source);
    m->Clock.RunTicks = UINT64_MAX;
    m->Clock.Steps = UINT64_MAX - 1;
    m->Clock.Cycles = UINT64_MAX - 3;
    RunControl run = RunControl::Started(m->Config.OscFreq);
    OnRunTimer(*m, run);
    EXPECT_EQ(m->Clock.RunTicks, 0u);
    EXPECT_EQ(m->Clock.Steps, 9100u / 4 - 2);
    EXPECT_EQ(m->Clock.Cycles, 9100u - 4);
    auto loaded = Started(Programs[0].source);
    ASSERT_EQ(DecodeState(EncodeState(*m), *loaded), std::nullopt);
    EXPECT_TRUE(loaded->Clock == m->Clock);
}

}  // namespace
}  // namespace varnox
