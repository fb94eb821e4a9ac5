// The step from decoded InstrRom words against the plain table-driven step:
// random code, interrupts, keys and words rewritten while running leave two
// machines identical, and a word written over one that already ran is the
// one that runs next.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "core/Cpu.h"
#include "core/Def.h"
#include "support/AsmProgram.h"
#include "support/FreeTick.h"
#include "support/MachineBuilder.h"
#include "system/RunLoop.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

using test::Random;

// Everything a state holds, plus what it leaves out on purpose.
void ExpectSame(const Machine& a, const Machine& b, long long step) {
    ASSERT_EQ(EncodeState(a), EncodeState(b)) << "after step " << step;
    ASSERT_EQ(a.InstrRom, b.InstrRom) << "after step " << step;
    ASSERT_EQ(a.WriteSink, b.WriteSink) << "after step " << step;
}

std::unique_ptr<Machine> RandomMachine(Random& random) {
    auto m = test::NewMachine();
    for (auto& b : m->InstrRom) b = random.Byte();
    for (auto& b : m->DataRom) b = random.Byte();
    for (auto& b : m->DataRam) b = random.Byte();
    for (auto& b : m->Cpu.MainRegisterFile) b = random.Byte();
    StartMachine(*m);
    return m;
}

// One disturbance of the run, done to both machines alike.
void Disturb(Machine& m, Random& random, uint32_t what) {
    switch (what) {
        case 0: m.Cpu.PC = static_cast<uint16_t>(random.Next() % InstrRomWords); break;  // back into InstrRom
        case 1: m.Cpu.Halted = false; break;
        case 2: m.Cpu.IE = static_cast<uint8_t>(0x70 | (random.Next() & 0x84)); break;
        case 3: IrqRequest(m, static_cast<int>(random.Next() % IrqLevels)); break;
        case 4: m.HeldKeys[HeldPcKeySlot] = static_cast<int32_t>(random.Next() % 54); KeyScan(m); break;
        case 5: {
            // A word rewritten: one that ran, the next one, or the last.
            const uint32_t choice = random.Next() % 3;
            const unsigned word = choice == 0   ? m.Cpu.InstrPC % InstrRomWords
                                  : choice == 1 ? m.Cpu.PC % InstrRomWords
                                                : InstrRomWords - 1u;
            m.InstrRom[3 * word + random.Next() % 3] = random.Byte();
            break;
        }
        default: break;
    }
}

TEST(DecodedStep, MatchesThePlainStepOnRandomCode) {
    for (const uint32_t seed : {1u, 7u, 42u, 1234u, 99999u}) {
        SCOPED_TRACE(seed);
        Random code{seed};
        auto decoded = RandomMachine(code);
        auto plain = std::make_unique<Machine>(*decoded);
        Random events{seed ^ 0x5A5A5Au};
        long long romSteps = 0;
        for (long long step = 0; step < 20000; ++step) {
            // Random code soon jumps into data memory and stays there; most
            // steps are brought back to InstrRom, whose words are decoded.
            const bool inData = decoded->Cpu.PC >= DataInstrStart;
            if (events.Next() % (inData ? 4 : 64) == 0) {
                const uint32_t what = inData ? 0 : events.Next() % 6;
                Random copy = events;
                Disturb(*decoded, events, what);
                Disturb(*plain, copy, what);
            }
            if (decoded->Cpu.PC < DataInstrStart && !decoded->Cpu.Halted) ++romSteps;
            ASSERT_EQ(CpuStep(*decoded), CpuStepPlain(*plain)) << "step " << step;
            ASSERT_EQ(decoded->Cpu.PC, plain->Cpu.PC) << "step " << step;
            if (step % 997 == 0) ExpectSame(*decoded, *plain, step);
        }
        ExpectSame(*decoded, *plain, 20000);
        EXPECT_GT(romSteps, 10000);
    }
}

// A copy decodes afresh and an assignment keeps the target's records, which
// then belong to other code; both must still run what their ROM holds.
TEST(DecodedStep, CopiedAndAssignedMachinesRunTheirOwnWords) {
    Random random{77};
    auto original = RandomMachine(random);
    auto assigned = RandomMachine(random);
    for (int tick = 0; tick < 5; ++tick) test::FreeTick(*assigned);  // records of other code
    *assigned = *original;
    auto copied = std::make_unique<Machine>(*original);
    for (int tick = 0; tick < 20; ++tick) {
        original->Cpu.Halted = copied->Cpu.Halted = assigned->Cpu.Halted = false;
        test::FreeTick(*original);
        test::FreeTick(*copied);
        test::FreeTick(*assigned);
    }
    ExpectSame(*original, *copied, -1);
    ExpectSame(*original, *assigned, -1);
}

TEST(DecodedStep, AWordWrittenOverOneThatRanRunsNext) {
    auto m = test::NewMachine();
    ASSERT_EQ(test::LoadSource(*m, "            ld r0,&H01\n"
                                   "            jmp &H0000\n"),
              "");
    CpuStep(*m);
    CpuStep(*m);
    EXPECT_EQ(m->Cpu.MainRegisterFile[0], 0x01);
    ASSERT_EQ(test::LoadSource(*m, "            ld r0,&H02\n"
                                   "            sb r0,&H01\n"),
              "");
    CpuStep(*m);
    EXPECT_EQ(m->Cpu.MainRegisterFile[0], 0x02);
    CpuStep(*m);  // the jump's word, rewritten under its record
    EXPECT_EQ(m->Cpu.MainRegisterFile[0], 0x01);
    EXPECT_EQ(m->Cpu.PC, 2);
}

}  // namespace
}  // namespace varnox
