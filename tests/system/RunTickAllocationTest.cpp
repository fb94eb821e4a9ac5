// The run tick and the processor step allocate nothing: a tick over every
// kind of instruction, with interrupts, LCD traffic and refreshes, leaves the
// heap alone.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/Cpu.h"
#include "core/Def.h"
#include "support/FreeTick.h"
#include "support/MachineBuilder.h"
#include "system/RunLoop.h"

namespace {

std::atomic<long long> allocations{0};

}  // namespace

// Counts every allocation of this test program; pairs malloc with free by
// design, which GCC cannot see through the inlined operators.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace varnox {
namespace {

TEST(RunTickAllocation, TicksOverArbitraryCodeAllocateNothing) {
    auto m = test::NewMachine();
    uint32_t seed = 99;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<uint8_t>(seed >> 16);
    };
    for (auto& b : m->InstrRom) b = next();
    for (auto& b : m->DataRam) b = next();
    StartMachine(*m);
    m->Lcd.LcdControl = LcdPowered | LcdEnabled;
    const long long before = allocations.load();
    for (int tick = 0; tick < 200; ++tick) {
        m->Cpu.Halted = false;
        m->Cpu.IE = 0x70;
        test::FreeTick(*m);
    }
    EXPECT_EQ(allocations.load() - before, 0);
}

}  // namespace
}  // namespace varnox
