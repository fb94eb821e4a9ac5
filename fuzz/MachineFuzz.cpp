// The machine on arbitrary images. The input gives the settings, the
// processor's registers and ports, the held keys, the LCD controller's
// control byte, character generator and display memory, the instruction ROM
// (from the word at PC), the register file and RAM; then it runs a few run
// ticks (each third with the machine's refresh work), each preceded as the
// input says by a key change, debugger single steps, a resume after a stop
// or a power-on reset, and followed as it says by the window's painting.
// Checked: no sanitizer report, every tick ends within as many steps as it
// had clock ticks to spend and leaves no budget behind, steps return an
// even cycle count from 0 to MaxStepCycles, the held keys stay as set,
// every nibble of display memory, frame buffer, character generator and
// the painted picture is 0..15, and a machine that starts in a state a save
// could hold stays in such states. After each tick the instruction at PC is
// listed as the debugger shows it. And from the loaded state, steps from
// decoded InstrRom words match steps by the plain table, byte for byte of
// the machine, though the decoding machine still holds records of earlier
// inputs' code.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "asm/Listing.h"
#include "core/Cpu.h"
#include "core/Def.h"
#include "core/MachineStep.h"
#include "peripherals/Keyboard.h"
#include "peripherals/Lcd.h"
#include "system/RunLoop.h"
#include "system/SaveState.h"

namespace {

using varnox::Machine;

constexpr int MaxTicks = 8;
constexpr int DifferentialSteps = 300;
constexpr int32_t MaxCyclesPerTick = 12000;

struct TickCount {
    long long steps = 0;
};

void CheckStepCycles(int32_t cycles) {
    FUZZ_CHECK(cycles >= 0 && cycles <= varnox::MaxStepCycles && cycles % 2 == 0, "a step returned %d cycles", cycles);
}



void CountStep(Machine& m, void* context) {
    auto* count = static_cast<TickCount*>(context);
    if (count->steps > 0) CheckStepCycles(m.Cpu.StepCycles);  // the step before this one
    ++count->steps;
}

template <size_t N>
void CheckNibbles(const std::array<uint8_t, N>& nibbles, const char* what) {
    for (size_t i = 0; i < N; ++i) FUZZ_CHECK(nibbles[i] <= 15, "%s[%zu] = %d", what, i, nibbles[i]);
}

void CheckMachine(const Machine& m, const std::array<int32_t, varnox::HeldKeySlots>& heldKeys) {
    CheckNibbles(m.Lcd.DisplayRam, "DisplayRam");
    CheckNibbles(m.Lcd.FrameBuffer, "FrameBuffer");
    CheckNibbles(m.Lcd.CharGenerator, "CharGenerator");
    FUZZ_CHECK(m.HeldKeys == heldKeys, "the held keys changed");
}

// One run tick, checked against its bound, on the checked way (with a hook
// counting steps) or the way without stops; the clock counts the steps
// either way.
void RunTick(Machine& m, varnox::RunControl& run, bool hooked) {
    const bool runs = run.ResumeDelay <= 0 && !run.DebugActive;
    const int64_t grant = static_cast<int32_t>(static_cast<uint32_t>(m.Cpu.CycleBudget) +
                                               static_cast<uint32_t>(run.CyclesPerTick));
    const int64_t stepsBefore = m.Clock.Steps;
    TickCount count;
    varnox::OnRunTimer(m, run, hooked ? CountStep : nullptr, &count);
    const long long steps = m.Clock.Steps - stepsBefore;
    FUZZ_CHECK(!hooked || count.steps == steps, "%lld steps counted by the clock, %lld made", steps, count.steps);
    if (hooked && count.steps > 0) CheckStepCycles(m.Cpu.StepCycles);
    FUZZ_CHECK(steps <= (runs ? std::max<int64_t>(grant, 0) : 0), "%lld steps on a grant of %lld", steps,
               static_cast<long long>(grant));
    FUZZ_CHECK(m.Cpu.CycleBudget <= 0, "budget %d left after a tick", m.Cpu.CycleBudget);
}

void LoadState(Machine& m, varnox::RunControl& run, FuzzedDataProvider& in) {
    m.Config.SelfTest = in.ConsumeIntegralInRange<int32_t>(0, 8);
    varnox::StartMachine(m);
    run = varnox::RunControl{};
    run.CyclesPerTick = in.ConsumeIntegralInRange<int32_t>(-16, MaxCyclesPerTick);
    run.Stops.StepCount = in.ConsumeIntegralInRange<int32_t>(-1, 4000);
    run.Stops.BreakAddress = in.ConsumeIntegralInRange<int32_t>(-1, 0xFFFF);
    m.Clock.TimerCountdown = in.ConsumeIntegralInRange<int32_t>(0, 2 * m.Lcd.TimerPeriod);

    varnox::CpuState& cpu = m.Cpu;
    cpu.PC = in.ConsumeIntegral<uint16_t>();
    if (in.ConsumeBool()) cpu.PC %= varnox::DataInstrStart;  // mostly run from the instruction ROM
    cpu.F = in.ConsumeIntegral<uint8_t>();
    cpu.AS = in.ConsumeIntegral<uint8_t>();
    cpu.KO = in.ConsumeIntegral<uint8_t>();
    cpu.IE = in.ConsumeIntegral<uint8_t>();
    cpu.IF = in.ConsumeIntegral<uint8_t>();
    cpu.Halted = in.ConsumeBool();
    // Idle, just requested, delaying or due.
    constexpr int32_t pendingStates[] = {0, -8, -7, -5, -1, 1, 7, 15};
    for (int32_t& pending : cpu.IrqPending) pending = in.PickValueInArray(pendingStates);
    m.Lcd.LcdControl = in.ConsumeIntegral<uint8_t>();
    m.HeldKeys[varnox::HeldMouseSlot] = in.ConsumeIntegralInRange<int32_t>(0, varnox::KeyCount);
    m.HeldKeys[varnox::HeldPcKeySlot] = in.ConsumeIntegralInRange<int32_t>(0, varnox::KeyCount);
    m.HeldKeys[varnox::HeldSwitchSlot] = in.ConsumeBool() ? varnox::PrintSwitchKey : 0;

    // Character generator and display memory from a short repeated pattern.
    const uint64_t pattern = in.ConsumeIntegral<uint64_t>();
    for (size_t i = 0; i < varnox::CharsetFileBytes; ++i) {
        m.Lcd.CharGenerator[i] = static_cast<uint8_t>((pattern >> (8 * (i % 8))) ^ i);
    }
    varnox::ExpandCharGenerator(m.Lcd);
    for (size_t i = 0; i < m.Lcd.DisplayRam.size(); ++i) {
        m.Lcd.DisplayRam[i] = static_cast<uint8_t>((pattern >> (4 * (i % 16))) & 15);
    }
    std::fill(m.DataRom.begin(), m.DataRom.end(), static_cast<uint8_t>(pattern));

    // The rest: code from the word at PC on, the register file, RAM from
    // PC's offset on (so code run from RAM comes from the input too).
    const std::vector<uint8_t> code = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, in.remaining_bytes()));
    const size_t codeStart = 3u * (cpu.PC % varnox::DataInstrStart);
    for (size_t i = 0; i < code.size(); ++i) m.InstrRom[(codeStart + i) % m.InstrRom.size()] = code[i];
    in.ConsumeData(cpu.MainRegisterFile.data(), cpu.MainRegisterFile.size());
    const std::vector<uint8_t> ram = in.ConsumeRemainingBytes<uint8_t>();
    const size_t ramStart = cpu.PC % m.DataRam.size();
    for (size_t i = 0; i < ram.size(); ++i) m.DataRam[(ramStart + i) % m.DataRam.size()] = ram[i];
    varnox::KeyScan(m);
}

void CheckDecodedStep(const Machine& start) {
    static const auto decoded = std::make_unique<Machine>();
    static const auto plain = std::make_unique<Machine>();
    *decoded = start;  // keeps its records, decoded from earlier inputs
    *plain = start;
    for (int s = 0; s < DifferentialSteps; ++s) {
        const int32_t cycles = varnox::CpuStep(*decoded);
        const int32_t plainCycles = varnox::CpuStepPlain(*plain);
        FUZZ_CHECK(cycles == plainCycles && decoded->Cpu.PC == plain->Cpu.PC,
                   "step %d: %d cycles to PC %04X from decoded words, %d to %04X by the table", s, cycles,
                   decoded->Cpu.PC, plainCycles, plain->Cpu.PC);
    }
    FUZZ_CHECK(varnox::EncodeState(*decoded) == varnox::EncodeState(*plain) && decoded->WriteSink == plain->WriteSink,
               "the machines differ after %d steps from decoded words and by the table", DifferentialSteps);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto machine = std::make_unique<Machine>();
    Machine& m = *machine;
    m = Machine{};
    FuzzedDataProvider in(data, size);

    // The actions of the ticks come first, from the end of the input, where
    // the other integers are also taken.
    const int ticks = in.ConsumeIntegralInRange<int>(1, MaxTicks);
    uint8_t actions[MaxTicks];
    uint8_t keys[MaxTicks];
    for (int t = 0; t < ticks; ++t) {
        actions[t] = in.ConsumeIntegral<uint8_t>();
        keys[t] = in.ConsumeIntegralInRange<uint8_t>(0, varnox::KeyCount);
    }
    varnox::RunControl run;
    LoadState(m, run, in);
    CheckDecodedStep(m);

    std::array<int32_t, varnox::HeldKeySlots> heldKeys = m.HeldKeys;
    CheckMachine(m, heldKeys);
    // Every state a run reaches from a savable one can be saved and loaded.
    const bool savable = !varnox::UnreachableField(m);
    for (int t = 0; t < ticks; ++t) {
        const uint8_t action = actions[t];
        if (action & 0x01) {  // the PC key changes
            m.HeldKeys[varnox::HeldPcKeySlot] = keys[t];
            heldKeys = m.HeldKeys;
            varnox::KeyScan(m);
        }
        if (action & 0x02) {  // the debugger's single steps
            for (int s = 0; s < ((action >> 5) & 3) + 1; ++s) CheckStepCycles(varnox::BareStep(m));
        }
        if ((action & 0x04) && run.DebugActive) {  // the debugger hides
            run.DebugActive = 0;
            run.ResumeDelay = (action >> 7) ? 1 : 0;
        }
        if (action & 0x08) varnox::PowerOnReset(m);  // the power switch
        RunTick(m, run, (action & 0x40) != 0);
        if (action & 0x10) {  // the window paints
            static std::array<uint8_t, varnox::FrameNibbles> picture;
            varnox::LcdCompose(m.Lcd, picture);
            CheckNibbles(picture, "picture");
        }
        CheckMachine(m, heldKeys);
        // The debugger lists whatever the processor is about to run.
        varnox::ListInstruction(m, m.Cpu.PC);
    }
    if (savable) {
        const auto problem = varnox::UnreachableField(m);
        FUZZ_CHECK(!problem, "a run reached a state that does not load: %s", problem->c_str());
    }
    return 0;
}
