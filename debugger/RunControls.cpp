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

void DebugShown(Machine& m, DebugState& state) {
    m.Run.DebugActive = 1;
    m.Run.StepCount = -1;
    m.Run.BreakAddress = -1;
    state.ListTop = m.Cpu.PC;
}

void DebugHidden(Machine& m, DebugState& state) {
    state.EditMode = EditKind::None;
    m.Run.ResumeDelay = ResumeDelayTicks;
    m.Run.DebugActive = 0;
}

void SingleStep(Machine& m, DebugState& state) {
    state.EditMode = EditKind::None;
    DebugStep(m);
    state.ListTop = m.Cpu.PC;
}

int32_t StepCountFromText(std::u16string_view text) { return Capped(ReadTypedNumber(text, 10)); }

int32_t BreakAddressFromText(std::u16string_view text) { return Capped(ReadTypedNumber(text, 16)); }

bool StartStepRun(Machine& m, int32_t count) {
    if (count <= 0) return false;
    m.Run.BreakAddress = -1;
    m.Run.StepCount = count;
    return true;
}

void StartBreakRun(Machine& m, int32_t address) {
    m.Run.BreakAddress = address;
    m.Run.StepCount = -1;
}

}  // namespace varnox
