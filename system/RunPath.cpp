// The run path shared by the window and varnox-tool.
#include "system/RunPath.h"

#include "core/Cpu.h"
#include "system/SaveState.h"

namespace varnox {

void ApplyKeyHolds(InputPath& path, std::span<const KeyHold> holds, long long tick) {
    for (const KeyHold& hold : holds) {
        if (hold.until == tick && hold.from < hold.until) path.Release(HeldPcKeySlot);
    }
    for (const KeyHold& hold : holds) {
        if (hold.from == tick && hold.from < hold.until) path.Press(HeldPcKeySlot, hold.key);
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

TicksRun RunTicks(InputPath& path, long long count, std::span<const KeyHold> holds, BeforeStepHook hook, void* context,
                  const AfterTickWatch& afterTick) {
    TicksRun run;
    const Machine& m = path.GetMachine();
    while (run.ticks < count) {
        ApplyKeyHolds(path, holds, run.ticks);
        run.stopped = path.RunTick(hook, context);
        ++run.ticks;
        run.steps += path.LastTickSteps();
        if (afterTick) afterTick(m);
        if (run.stopped || path.Control().DebugActive) break;
    }
    return run;
}

TicksRun RunTicks(Machine& m, long long count, std::span<const KeyHold> holds, BeforeStepHook hook, void* context) {
    InputPath path(m);
    return RunTicks(path, count, holds, hook, context);
}

}  // namespace varnox
