// Emulation speed, through the run tick exactly as the window runs it:
// - RunTick: a compute-bound instruction mix from InstrRom;
// - FirmwareIdle: the default firmware on its start page, scanning keys;
// - FirmwareCalc: the default firmware evaluating a long calculation typed
//   on its keys.
// Each reports emulated steps per second, the ratio to real time at the
// default oscillator setting, and the heap allocations made while ticking
// (which must be zero). Beside them, what a copy of a machine costs. The firmware is read from the kit in
// VARNOX_BENCH_KIT, or else from the build's run directory.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bench/Mix.h"
#include "core/Cpu.h"
#include "core/Def.h"
#include "peripherals/Lcd.h"
#include "system/Files.h"
#include "system/InputPath.h"
#include "system/RunPath.h"
#include "system/KeyMap.h"
#include "system/RunLoop.h"

namespace {

std::atomic<long long> allocationCount{0};

}  // namespace

// The replacement pairs malloc with free by design; GCC cannot see that
// through the inlined operators.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using varnox::Machine;

constexpr double SecondsPerRunTick = 0.01;

using varnox::KeyHold;

// A stretch of run ticks from a prepared machine, with the keys typed in it
// (run ticks counted from the session's start).
struct Session {
    std::unique_ptr<Machine> start;
    std::vector<KeyHold> holds;
    int ticks = 0;
};

// The session's ticks as the window runs them: on the input path, with the
// machine's refresh work inside every third.
void RunSession(Machine& m, const Session& session) { varnox::RunTicks(m, session.ticks, session.holds); }

long long CountSessionSteps(const Session& session) {
    auto m = std::make_unique<Machine>(*session.start);
    return varnox::RunTicks(*m, session.ticks, session.holds).steps;
}

std::filesystem::path KitDir() {
    if (const char* dir = std::getenv("VARNOX_BENCH_KIT"); dir && *dir) return dir;
    return VARNOX_BENCH_DEFAULT_KIT;
}

// The default firmware started as the window starts it, run until its start
// page is drawn.
std::unique_ptr<Machine> BootFirmware() {
    auto m = std::make_unique<Machine>();
    const varnox::LoadResult loaded = varnox::LoadMachine(*m, KitDir());
    for (const std::string& message : loaded.Messages) std::fprintf(stderr, "%s\n", message.c_str());
    varnox::StartMachine(*m);
    constexpr int bootTicks = 30;
    RunSession(*m, Session{nullptr, {}, bootTicks});
    return m;
}

// The keys that type `text`: each held 60 ms, then 60 ms up.
std::vector<KeyHold> Typing(const std::vector<int>& keys, int& tick) {
    std::vector<KeyHold> holds;
    for (int key : keys) {
        holds.push_back({key, tick, tick + 6});
        tick += 12;
    }
    return holds;
}

std::vector<int> KeysOf(const std::string& text) {
    const varnox::KeyMap map;  // the defaults
    std::vector<int> keys;
    for (char c : text) keys.push_back(map.KeyOfCharacter(static_cast<char32_t>(c)).key);
    return keys;
}

Session IdleSession() {
    Session s{BootFirmware(), {}, 300};
    return s;
}

// The calculation is typed before the session; the session presses Enter
// and runs while the firmware evaluates it and shows the result, which takes
// it most of the session's 60 ms.
Session CalcSession() {
    constexpr int calcKey = 8;
    const int enterKey = varnox::KeyMap().KeyOfVirtualKey(varnox::VkReturn);
    std::unique_ptr<Machine> m = BootFirmware();
    int tick = 0;
    std::vector<int> keys{calcKey};
    for (int key : KeysOf("98765.4321*12345.6789/3.14159265/2.71828183*(1.41421356+1.73205081)/7")) keys.push_back(key);
    const std::vector<KeyHold> typing = Typing(keys, tick);
    RunSession(*m, Session{nullptr, typing, tick + 6});
    int sessionTick = 0;
    Session s{std::move(m), Typing({enterKey}, sessionTick), 6};
    return s;
}

void ReportRates(benchmark::State& state, long long sessions, long long stepsPerSession, int ticksPerSession,
                 long long allocations) {
    state.counters["x_real_time"] = benchmark::Counter(
        static_cast<double>(sessions * ticksPerSession) * SecondsPerRunTick, benchmark::Counter::kIsRate);
    state.counters["steps_per_s"] =
        benchmark::Counter(static_cast<double>(sessions * stepsPerSession), benchmark::Counter::kIsRate);
    state.counters["allocations"] = static_cast<double>(allocations);
}

// Sessions start again from the prepared machine; the copy back is not
// timed.
void RunSessions(benchmark::State& state, const Session& session) {
    const long long stepsPerSession = CountSessionSteps(session);
    auto m = std::make_unique<Machine>(*session.start);
    long long sessions = 0;
    long long allocations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        *m = *session.start;
        const long long before = allocationCount.load();
        state.ResumeTiming();
        RunSession(*m, session);
        allocations += allocationCount.load() - before;
        ++sessions;
    }
    ReportRates(state, sessions, stepsPerSession, session.ticks, allocations);
    benchmark::DoNotOptimize(m->Cpu.MainRegisterFile);
}

std::unique_ptr<Machine> MakeMachine() {
    auto m = std::make_unique<Machine>();
    varnox::bench::LoadMix(*m);
    varnox::StartMachine(*m);
    return m;
}

void BM_RunTick(benchmark::State& state) {
    auto m = MakeMachine();
    Session session{std::make_unique<Machine>(*m), {}, 100};
    const long long stepsPerTick = CountSessionSteps(session) / session.ticks;
    varnox::RunControl run = varnox::RunControl::Started(m->Config.OscFreq);
    long long ticks = 0;
    const long long allocationsBefore = allocationCount.load();
    for (auto _ : state) {
        varnox::OnRunTimer(*m, run);
        ++ticks;
    }
    ReportRates(state, ticks, stepsPerTick, 1, allocationCount.load() - allocationsBefore);
    benchmark::DoNotOptimize(m->Cpu.MainRegisterFile);
}
BENCHMARK(BM_RunTick)->MinTime(2.0);

void BM_FirmwareIdle(benchmark::State& state) { RunSessions(state, IdleSession()); }
BENCHMARK(BM_FirmwareIdle)->MinTime(2.0)->Unit(benchmark::kMillisecond);

void BM_FirmwareCalc(benchmark::State& state) { RunSessions(state, CalcSession()); }
BENCHMARK(BM_FirmwareCalc)->MinTime(2.0)->Unit(benchmark::kMillisecond);

// What keeping a machine costs, as a rewind would: a new copy, and a copy
// into a machine kept for the purpose.
void BM_MachineCopy(benchmark::State& state) {
    const auto m = IdleSession().start;
    for (auto _ : state) {
        auto copy = std::make_unique<Machine>(*m);
        benchmark::DoNotOptimize(copy.get());
    }
}
BENCHMARK(BM_MachineCopy);

void BM_MachineAssign(benchmark::State& state) {
    const auto m = IdleSession().start;
    auto kept = std::make_unique<Machine>();
    for (auto _ : state) {
        *kept = *m;
        benchmark::DoNotOptimize(kept->Cpu.PC);
    }
}
BENCHMARK(BM_MachineAssign);

// The same ticks as the window runs them: through the input path, with a
// snapshot kept for rewinding every tenth of a second. Its time over
// BM_RunTick's, in the same run, is the cost of the path and the ring
// (which takes its memory once, on the first snapshot, before the count).
void BM_RunTickOnInputPath(benchmark::State& state) {
    auto m = MakeMachine();
    varnox::InputPath path(*m);
    path.KeepSnapshots(true);
    for (long long tick = 0; tick < varnox::RewindRing::RewindStepTicks; ++tick) path.RunTick();
    long long ticks = 0;
    const long long allocationsBefore = allocationCount.load();
    for (auto _ : state) {
        path.RunTick();
        ++ticks;
    }
    state.counters["x_real_time"] = benchmark::Counter(static_cast<double>(ticks) * 0.01, benchmark::Counter::kIsRate);
    state.counters["allocations"] = static_cast<double>(allocationCount.load() - allocationsBefore);
    benchmark::DoNotOptimize(m->Cpu.MainRegisterFile);
}
BENCHMARK(BM_RunTickOnInputPath)->MinTime(2.0);

// One snapshot of the machine alone; the ring takes one every
// RewindStepTicks run ticks, so its share of a tick is this over that many
// of BM_RunTick.
void BM_Snapshot(benchmark::State& state) {
    auto m = MakeMachine();
    std::vector<uint8_t> copy(varnox::SnapshotBytes());
    for (auto _ : state) {
        varnox::TakeSnapshot(*m, copy);
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_Snapshot);

}  // namespace

BENCHMARK_MAIN();
