// The state loader on arbitrary bytes, over one fixed machine: a small
// program with timer interrupts, key scans and LCD traffic. A state that is
// refused leaves the machine as it was; a state that loads encodes back to
// the same bytes (when of this format version) and then runs a few run
// ticks through the run path: every tick ends within the steps its grant
// allows, leaves no budget behind and leaves a state that loads again.
//
// The seeds in fuzz/corpus/state were saved over this machine: the program
// below assembled with varnox-tool asm, then varnox-tool run --save-state
// with SelfTest=5 in varnox.ini and a few key holds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "FuzzCheck.h"
#include "asm/SourceAsm.h"
#include "core/Def.h"
#include "system/RunLoop.h"
#include "system/RunPath.h"
#include "system/SaveState.h"

namespace {

using varnox::Machine;

constexpr const char* Program =
    " org 0\n"
    " ldw sp,&H6000\n"
    " ldw v1,tick\n"
    " ldw ix,&H4000\n"
    " pst if,&H01\n"
    " ld r0,&H14\n"
    " stle r0,&H21\n"
    " pst ie,&H20\n"
    "loop: pst ko,&HFF\n"
    " gst r1,ki\n"
    " st +(ix),r1\n"
    " ld r3,&HFF\n"
    " stle r3,&H01\n"
    " jmp loop\n"
    "tick: adb r66,&H01\n"
    " rti\n";

constexpr int32_t SelfTestSetting = 5;
constexpr int Ticks = 3;

Machine MakeFixedMachine() {
    Machine m;
    const varnox::SourceImages images = varnox::AssembleSource(Program);
    FUZZ_CHECK(images.Errors.empty(), "the fixed program does not assemble");
    std::copy_n(images.Rom0.begin(), std::min(images.Rom0.size(), m.InstrRom.size()), m.InstrRom.begin());
    std::copy_n(images.Rom1.begin(), std::min(images.Rom1.size(), m.DataRom.size()), m.DataRom.begin());
    m.Config.SelfTest = SelfTestSetting;
    m.Config.OscFreq = 100;  // short ticks: more inputs a second
    varnox::StartMachine(m);
    return m;
}


// Whether the machine's own state loads again, as a save would.
bool Loadable(const Machine& m, Machine& scratch) {
    scratch = m;
    return !varnox::DecodeState(varnox::EncodeState(m), scratch);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto fixed = std::make_unique<Machine>(MakeFixedMachine());
    static const std::vector<uint8_t> fixedState = varnox::EncodeState(*fixed);
    static const auto machine = std::make_unique<Machine>();
    static const auto scratch = std::make_unique<Machine>();
    Machine& m = *machine;
    m = *fixed;
    const std::span<const uint8_t> bytes(data, size);

    if (varnox::DecodeState(bytes, m)) {
        FUZZ_CHECK(varnox::EncodeState(m) == fixedState, "a refused state changed the machine");
        return 0;
    }
    if (size >= 12 && data[8] == varnox::StateFormatVersion && data[9] == 0 && data[10] == 0 && data[11] == 0) {
        FUZZ_CHECK(varnox::EncodeState(m) == std::vector<uint8_t>(bytes.begin(), bytes.end()),
                   "a loaded state encodes to other bytes");
    }
    varnox::ReleaseUnheldKeys(m);
    for (int tick = 0; tick < Ticks; ++tick) {
        const int64_t grant =
            static_cast<int64_t>(m.Cpu.CycleBudget) + varnox::RunControl::Started(m.Config.OscFreq).CyclesPerTick;
        const long long steps = varnox::RunTicks(m, 1).steps;
        FUZZ_CHECK(steps <= std::max<int64_t>(grant, 0), "%lld steps on a grant of %lld", steps,
                   static_cast<long long>(grant));
        FUZZ_CHECK(m.Cpu.CycleBudget <= 0, "budget %d left after a tick", m.Cpu.CycleBudget);
        FUZZ_CHECK(Loadable(m, *scratch), "a run from a loaded state reached one that does not load");
    }
    return 0;
}
