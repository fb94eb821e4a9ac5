// The profiler: every cycle of a run is filed under one function (or the
// row outside any symbol), the sums agree with the cycles the debugger's
// stop check counts over the same run, and calls and interrupt entries are
// counted where they land.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <string_view>

#include "asm/SourceAsm.h"
#include "debugger/DebugSession.h"
#include "debugger/Profiler.h"
#include "support/AsmProgram.h"
#include "system/RunLoop.h"

namespace varnox {
namespace {

// main counts its rounds in r5; each calls wait, which spins until the
// timer interrupt (tick) sets r7. The words before main have no name.
constexpr std::string_view Program =
    "        ldw sp,&HE000\n"
    "        jmp main\n"
    "main:   ldw v1,tick\n"
    "        pst if,&H01\n"
    "        pst ie,&H20\n"
    ".loop:  cal wait\n"
    "        ad r5,&H01\n"
    "        jmp main.loop\n"
    "wait:   ld r7,&H00\n"
    ".spin:  tsb r7,&H00\n"
    "        jmp z,wait.spin\n"
    "        rtn\n"
    "tick:   ld r7,&H01\n"
    "        rti\n";

uint64_t Sum(const std::vector<ProfileRow>& rows) {
    return std::accumulate(rows.begin(), rows.end(), uint64_t{0}, [](uint64_t s, const ProfileRow& r) { return s + r.Cycles; });
}

const ProfileRow& Row(const ProfileReport& report, std::string_view name) {
    for (const ProfileRow& row : report.Functions) {
        if (row.Name == name) return row;
    }
    static const ProfileRow none;
    return none;
}

TEST(Profiler, EveryCycleOfARunIsFiledOnce) {
    const SourceImages images = AssembleSource(Program);
    ASSERT_TRUE(images.Errors.empty());
    SymbolTable symbols;
    SourceMap lines;
    for (const Symbol& symbol : images.Labels) symbols.Add(symbol);
    for (const SourceLineRow& row : images.Lines) lines.Add(row);
    for (const int ticks : {1, 4, 37}) {
        auto profiled = std::make_unique<Machine>();
        auto counted = std::make_unique<Machine>();
        for (Machine* m : {profiled.get(), counted.get()}) {
            ASSERT_EQ(test::LoadSource(*m, Program), "");
            StartMachine(*m);
        }
        Profiler profiler;
        DebugSession session;
        RunControl profiledRun = RunControl::Started(profiled->Config.OscFreq);
        RunControl countedRun = RunControl::Started(counted->Config.OscFreq);
        profiler.Start(*profiled, profiledRun.Stops);
        session.Arm(*counted, countedRun.Stops);
        session.Resumed(*counted);
        for (int tick = 0; tick < ticks; ++tick) {
            OnRunTimer(*profiled, profiledRun);
            OnRunTimer(*counted, countedRun);
        }
        profiler.Stop(profiledRun.Stops);
        EXPECT_EQ(profiledRun.Stops.Conditions, nullptr);
        const ProfileReport report = profiler.Report(&symbols, &lines);
        EXPECT_EQ(report.TotalCycles, session.CyclesSinceStop(*counted)) << ticks;
        EXPECT_EQ(Sum(report.Functions), report.TotalCycles) << ticks;
        EXPECT_EQ(Sum(report.Lines), report.TotalCycles) << ticks;  // every word has its line
        EXPECT_GT(Row(report, OutsideSymbols).Cycles, 0u) << ticks;  // the two words before main
        const int rounds = profiled->Cpu.MainRegisterFile[5];
        EXPECT_EQ(Row(report, "wait").Calls, static_cast<uint64_t>(rounds + 1)) << ticks;
        EXPECT_GE(Row(report, "tick").Calls, static_cast<uint64_t>(rounds)) << ticks;
        EXPECT_EQ(Row(report, "main.loop").Cycles, 0u);  // folded into main
    }
}

}  // namespace
}  // namespace varnox
