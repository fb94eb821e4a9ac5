#include "debugger/RunControls.h"

#include <limits>
#include <optional>

#include "debugger/DebugAccess.h"
#include "debugger/DebugInput.h"
#include "system/RunLoop.h"

namespace varnox {
namespace {

constexpr uint64_t Largest32 = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());

// The fields only ever hold digits; anything else reads as nothing typed.
int32_t Capped(std::optional<uint64_t> value) {
    const uint64_t v = value.value_or(0);
    return static_cast<int32_t>(v > Largest32 ? Largest32 : v);
}

}  // namespace

void DebugShown(const Machine& m, RunControl& run, DebugState& state) {
    run.DebugActive = 1;
    run.Stops.ClearCountAndAddress();
    state.ListTop = m.Cpu.PC;
}

void DebugHidden(RunControl& run, DebugState& state) {
    state.EditMode = EditKind::None;
    run.ResumeDelay = ResumeDelayTicks;
    run.DebugActive = 0;
}

void SingleStep(Machine& m, DebugState& state) {
    state.EditMode = EditKind::None;
    DebugStep(m);
    state.ListTop = m.Cpu.PC;
}

int32_t StepCountFromText(std::u16string_view text) { return Capped(ReadTypedNumber(text, 10)); }

int32_t BreakAddressFromText(std::u16string_view text) { return Capped(ReadTypedNumber(text, 16)); }

bool StartStepRun(RunStops& stops, int32_t count) {
    if (count <= 0) return false;
    stops.BreakAddress = -1;
    stops.StepCount = count;
    return true;
}

void StartBreakRun(RunStops& stops, int32_t address) {
    stops.BreakAddress = address;
    stops.StepCount = -1;
}

}  // namespace varnox
