// The run path shared by the window and varnox-tool.
#include "system/RunPath.h"

#include "core/Cpu.h"
#include "system/SaveState.h"

namespace varnox {

void ApplyKeyHolds(Machine& m, std::span<const KeyHold> holds, long long tick) {
    for (const KeyHold& hold : holds) {
        if (hold.until == tick && hold.from < hold.until) {
            m.HeldKeys[HeldPcKeySlot] = 0;
            KeyScan(m);
        }
    }
    for (const KeyHold& hold : holds) {
        if (hold.from == tick && hold.from < hold.until) {
            m.HeldKeys[HeldPcKeySlot] = hold.key;
            KeyScan(m);
        }
    }
}

void ReleaseUnheldKeys(Machine& m) {
    if (m.HeldKeys[HeldMouseSlot] == 0 && m.HeldKeys[HeldPcKeySlot] == 0) return;
    m.HeldKeys[HeldMouseSlot] = 0;
    m.HeldKeys[HeldPcKeySlot] = 0;
    KeyScan(m);
}

std::optional<std::string> LoadStateToRun(Machine& m, const std::filesystem::path& file) {
    if (auto failure = LoadStateFile(m, file)) return failure;
    ReleaseUnheldKeys(m);
    return std::nullopt;
}

TicksRun RunTicks(Machine& m, long long count, std::span<const KeyHold> holds, BeforeStepHook hook, void* context) {
    TicksRun run;
    while (run.ticks < count) {
        ApplyKeyHolds(m, holds, run.ticks);
        run.stopped = hook ? OnRunTimerTraced(m, hook, context) : OnRunTimer(m);
        ++run.ticks;
        if (run.stopped || m.Run.DebugActive) break;
    }
    return run;
}

}  // namespace varnox
