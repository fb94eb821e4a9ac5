// Emulation speed: a compute-bound instruction mix from InstrRom, run through
// the run tick exactly as the window runs it. Reports emulated steps per
// second, the ratio to real time at the default oscillator setting, and the
// number of heap allocations made while ticking (which must be zero).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "core/Def.h"
#include "system/InputPath.h"
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

void PutWord(Machine& m, uint16_t address, unsigned opcode, uint8_t b1, uint8_t b2) {
    uint8_t* word = &m.InstrRom[3u * address];
    word[0] = static_cast<uint8_t>(opcode);
    word[1] = static_cast<uint8_t>((b1 & 0x7F) | ((opcode >> 1) & 0x80));
    word[2] = b2;
}

// A loop of arithmetic, decimal, logic, multi-byte, one-operand, memory and
// flow instructions, the kind of work firmware does between key scans.
void LoadMix(Machine& m) {
    struct W {
        unsigned op;
        uint8_t b1, b2;
    };
    const W mix[] = {
        {0x040, 0x40, 0x00},  // ldw ix,&H4000
        {0x002, 0x00, 0x00},  // ad r64,r0
        {0x012, 0x00, 0x60},  // adm r64..r67,r0..r3
        {0x100, 0x01, 0x01},  // adb r65,&H01
        {0x007, 0x01, 0x40},  // xr r66,r1
        {0x15C, 0x02, 0xC0},  // ld r2,r70
        {0x0A8, 0x03, 0x00},  // ld r3,(ix)+
        {0x022, 0x05, 0x00},  // tad r64,r5
        {0x0E8, 0x07, 0x00},  // cmp r7
        {0x0E5, 0x00, 0x60},  // dium r64..r67
        {0x113, 0x08, 0x21},  // sbm r64..r65,&H01
        {0x088, 0x04, 0x00},  // st +(ix),r4
        {0x010, 0x00, 0x20},  // adbm r64..r65,r0..r1
        {0x074, 0x00, 0x00},  // jmp nz,&H0000
        {0x070, 0x00, 0x00},  // jmp &H0000
    };
    uint16_t address = 0;
    for (const W& w : mix) PutWord(m, address++, w.op, w.b1, w.b2);
}

std::unique_ptr<Machine> MakeMachine() {
    auto m = std::make_unique<Machine>();
    LoadMix(*m);
    varnox::StartMachine(*m);
    return m;
}

long long StepsPerTick() {
    auto m = MakeMachine();
    long long steps = 0;
    constexpr int ticks = 100;
    for (int i = 0; i < ticks; ++i) {
        varnox::OnRunTimerTraced(*m, [](Machine&, void* c) { ++*static_cast<long long*>(c); }, &steps);
    }
    return steps / ticks;
}

void BM_RunTick(benchmark::State& state) {
    auto m = MakeMachine();
    const long long stepsPerTick = StepsPerTick();
    long long ticks = 0;
    const long long allocationsBefore = allocationCount.load();
    for (auto _ : state) {
        varnox::OnRunTimer(*m);
        ++ticks;
    }
    const long long allocations = allocationCount.load() - allocationsBefore;
    // Each run tick is 10 ms of emulated time.
    state.counters["x_real_time"] = benchmark::Counter(static_cast<double>(ticks) * 0.01, benchmark::Counter::kIsRate);
    state.counters["steps_per_s"] =
        benchmark::Counter(static_cast<double>(ticks * stepsPerTick), benchmark::Counter::kIsRate);
    state.counters["allocations"] = static_cast<double>(allocations);
    benchmark::DoNotOptimize(m->Cpu.MainRegisterFile);
}
BENCHMARK(BM_RunTick)->MinTime(2.0);

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
