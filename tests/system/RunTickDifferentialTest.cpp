// The run tick, which counts runs of quiet steps down in locals, against a
// plain loop that does everything after every step with the table-driven
// step: random code with the timer line running or held, every clock
// factor, interrupts, halts, keys and words rewritten between ticks leave
// two machines identical after every tick.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "core/Cpu.h"
#include "core/Def.h"
#include "peripherals/Lcd.h"
#include "support/MachineBuilder.h"
#include "system/RunLoop.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

int32_t Wrap(uint32_t value) { return static_cast<int32_t>(value); }

// One run tick and the refresh cadence, step by step as written down for
// the run loop, with nothing kept between steps, and the clock's counts.
void ReferenceTick(Machine& m, RunControl& run) {
    CpuState& cpu = m.Cpu;
    RunClock& clock = m.Clock;
    if (run.ResumeDelay > 0) {
        --run.ResumeDelay;
        cpu.CycleBudget = 0;
    } else if ((cpu.CycleBudget = Wrap(static_cast<uint32_t>(cpu.CycleBudget) + static_cast<uint32_t>(run.CyclesPerTick))) > 0) {
        int32_t stepsLeft = cpu.CycleBudget;
        do {
            if (run.DebugActive) {
                cpu.CycleBudget = 0;
                break;
            }
            const uint32_t factor = (cpu.IE & 0x84) == 0x80 ? 2u : (cpu.IE & 0x84) == 0x84 ? 4u * static_cast<uint32_t>(m.Lcd.TimerPeriod) : 1u;
            const int32_t cycles = CpuStepPlain(m);
            ++clock.Steps;
            clock.Cycles += cycles;
            const int32_t cost = Wrap(static_cast<uint32_t>(cycles) * factor);
            cpu.CycleBudget = Wrap(static_cast<uint32_t>(cpu.CycleBudget) - static_cast<uint32_t>(cost));
            const int32_t halfPeriod = 2 * m.Lcd.TimerPeriod;
            if (!(m.Lcd.LcdControl & 0x80) || (cpu.IE & 0x84) == 0x84) {
                clock.TimerCountdown = halfPeriod;
                cpu.IF &= 0xFB;
            } else if ((clock.TimerCountdown = Wrap(static_cast<uint32_t>(clock.TimerCountdown) - static_cast<uint32_t>(cost))) < 0) {
                clock.TimerCountdown += halfPeriod;
                if (clock.TimerCountdown < 0) clock.TimerCountdown = halfPeriod;
                cpu.IF ^= 0x04;
                if (cpu.IF & 0x04) IrqRequest(m, 1);
            }
        } while (cpu.CycleBudget > 0 && --stepsLeft > 0);
        if (cpu.CycleBudget > 0) cpu.CycleBudget = 0;
    }
    ++clock.RunTicks;
    if (++clock.RefreshPhase == RunTicksPerRefresh) {
        clock.RefreshPhase = 0;
        LcdRefresh(m.Lcd);
        if (clock.SelfTestCounter > 0) {
            --clock.SelfTestCounter;
            KeyScan(m);
        }
    }
}

using test::Random;

// Random words, with most transfers kept inside InstrRom so that runs of
// decoded words are long: jumps and calls to the lower 4096 words.
std::unique_ptr<Machine> RandomMachine(Random& random) {
    auto m = test::NewMachine();
    for (auto& b : m->InstrRom) b = random.Byte();
    for (int word = 0; word < InstrRomWords; ++word) {
        uint8_t* w = &m->InstrRom[3u * static_cast<unsigned>(word)];
        const unsigned opcode = OpcodeOfWord({w[0], w[1], w[2]});
        if ((opcode & 0xF0) >= 0x60 && (opcode & 0xF0) <= 0x70) w[1] &= 0x0F;
        if (opcode >= 0x160 && opcode < 0x180) w[1] &= 0x0F;  // now a jump or call of the lower half
    }
    for (auto& b : m->DataRom) b = random.Byte();
    for (auto& b : m->DataRam) b = random.Byte();
    for (auto& b : m->Cpu.MainRegisterFile) b = random.Byte();
    StartMachine(*m);
    return m;
}

// One disturbance between two ticks, done to both machines alike.
void Disturb(Machine& m, Random& random, uint32_t what) {
    CpuState& cpu = m.Cpu;
    switch (what) {
        case 0: cpu.PC = static_cast<uint16_t>(random.Next() % InstrRomWords); break;
        case 1: cpu.Halted = false; break;
        case 2: cpu.IE = static_cast<uint8_t>((random.Next() & 0x70) | (random.Next() % 3 == 0 ? random.Next() & 0x84 : 0)); break;
        case 3: IrqRequest(m, static_cast<int>(random.Next() % IrqLevels)); break;
        case 4: m.HeldKeys[HeldPcKeySlot] = static_cast<int32_t>(random.Next() % 54); KeyScan(m); break;
        case 5: m.InstrRom[3u * (cpu.PC % InstrRomWords) + random.Next() % 3] = random.Byte(); break;
        case 6: cpu.IF = static_cast<uint8_t>((cpu.IF & ~IfWritable) | IfLcdPower); UpdateIf(m); break;  // the timer line on
        case 7: m.Lcd.TimerPeriod = TimerPeriodTable[random.Next() % TimerPeriodTable.size()]; break;
        default: break;
    }
}

void ExpectSame(const Machine& a, const Machine& b, int tick) {
    ASSERT_EQ(EncodeState(a), EncodeState(b)) << "after tick " << tick;
    ASSERT_EQ(a.InstrRom, b.InstrRom) << "after tick " << tick;
    ASSERT_EQ(a.WriteSink, b.WriteSink) << "after tick " << tick;
    ASSERT_EQ(a.Lcd.FrameBuffer, b.Lcd.FrameBuffer) << "after tick " << tick;
}

// The tick without stops (runs of quiet steps at once) and the tick that
// tests after every step (a hook that never stops armed) both against the
// plain loop, the clock's counts included.
TEST(RunTickDifferential, MatchesThePlainLoopOnRandomCode) {
    struct Case {
        uint32_t seed;
        int32_t cyclesPerTick;
    };
    const BeforeStepHook goOn = [](Machine&, void*) {};
    for (const Case c : {Case{1, 9100}, Case{7, 9100}, Case{42, 301}, Case{1234, 20000}, Case{99999, 9100}, Case{5, 7}}) {
        SCOPED_TRACE(c.seed);
        Random code{c.seed};
        auto fast = RandomMachine(code);
        auto checked = std::make_unique<Machine>(*fast);
        auto plain = std::make_unique<Machine>(*fast);
        RunControl fastRun, checkedRun, plainRun;
        fastRun.CyclesPerTick = checkedRun.CyclesPerTick = plainRun.CyclesPerTick = c.cyclesPerTick;
        Random events{c.seed ^ 0xA5A5A5u};
        for (int tick = 0; tick < 150; ++tick) {
            // Random code soon leaves InstrRom or halts; bring it back.
            if (fast->Cpu.PC >= DataInstrStart || fast->Cpu.Halted || events.Next() % 3 == 0) {
                const uint32_t what = fast->Cpu.PC >= DataInstrStart ? 0 : fast->Cpu.Halted ? 1 : events.Next() % 8;
                Random copy = events;
                Random again = events;
                Disturb(*fast, events, what);
                Disturb(*checked, again, what);
                Disturb(*plain, copy, what);
            }
            OnRunTimer(*fast, fastRun);
            OnRunTimer(*checked, checkedRun, goOn, nullptr);
            ReferenceTick(*plain, plainRun);
            ExpectSame(*fast, *plain, tick);
            ExpectSame(*checked, *plain, tick);
        }
        EXPECT_EQ(fast->Clock.RunTicks, 150);
        EXPECT_GT(fast->Clock.Steps, 0);
    }
}

}  // namespace
}  // namespace varnox
