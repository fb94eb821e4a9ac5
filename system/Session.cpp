#include "system/Session.h"

#include <climits>

#include "system/DefaultKit.h"
#include "system/Recording.h"
#include "system/SaveState.h"
#include "system/StateLine.h"

namespace varnox {

Session::Session(std::filesystem::path dir, int32_t intervalMs) : dir_(std::move(dir)), intervalMs_(intervalMs) {}

Session::Session(std::span<const KitFile> kit, int32_t intervalMs) : kit_(kit), intervalMs_(intervalMs) {}

Session::~Session() = default;

// ---- Start and end -----------------------------------------------------------------

LoadResult Session::Load() {
    // Made anew in place: the debugger and the window keep references to
    // the machine.
    *machine_ = *std::make_unique<Machine>();
    LoadResult loaded = dir_ ? LoadMachine(*machine_, *dir_) : LoadKitMachine(*machine_, kit_);
    guard_ = loaded.Guard;
    path_ = std::make_unique<InputPath>(*machine_, intervalMs_);
    display_ = {};
    holds_.clear();
    steps_ = 0;
    ranSinceSave_ = false;
    powered_ = true;
    closed_ = false;
    return loaded;
}

void Session::Start() {
    path_->StartMachine();
    powered_ = true;
}

SaveResult Session::Close() {
    closed_ = true;
    Control().DebugActive = 1;
    return dir_ ? SaveMemory() : SaveResult{};
}

// ---- Power, reset and inputs -------------------------------------------------------------

void Session::SetPower(bool on) {
    if (!TakesUserInput()) return;
    path_->Reset();
    powered_ = on;
}

void Session::Reset() { path_->Reset(); }

void Session::MouseDown(int key) { path_->Press(HeldMouseSlot, key); }

void Session::MouseUp() { path_->Release(HeldMouseSlot); }

void Session::KeyDown(int virtualKey) {
    if (const int key = keys_.KeyOfVirtualKey(virtualKey)) path_->Press(HeldPcKeySlot, key);
}

void Session::KeyTyped(char32_t character) {
    const CharacterKey found = keys_.KeyOfCharacter(character);
    if (found.key != 0) path_->Press(HeldPcKeySlot, found.key, found.scan);
}

void Session::KeyUp() { path_->Release(HeldPcKeySlot); }

void Session::PressKey(int key) { path_->Press(HeldPcKeySlot, key); }

void Session::ReleaseKeys() { path_->ReleaseKeys(); }

void Session::SetPrintSwitch(bool hd) { path_->SetPrintSwitch(hd); }

void Session::Hold(int key, long long from, long long until) { holds_.push_back({key, from, until}); }

// ---- Running -----------------------------------------------------------------------------

bool Session::TicksMoveOn() const { return !Control().DebugActive && Control().CyclesPerTick > 0; }

bool Session::RunTick(BeforeStepHook hook, void* context, const AfterTickWatch& afterTick) {
    ApplyKeyHolds(*path_, holds_, path_->Tick());
    const bool stopped = path_->RunTick(hook, context);
    ranSinceSave_ = true;
    if (afterTick) afterTick(*machine_);
    return stopped;
}

TicksRun Session::Pace(const PaceEvent& event, const HostClock& clock, const AfterTickWatch& afterTick) {
    TicksRun run;
    if (paused_ || closed_) return run;
    // At Unlimited without a clock nothing tells the event's end: one tick.
    const bool timed = pace_.Speed() == FramePace::Unlimited && clock;
    const bool bounded = pace_.Speed() != FramePace::Unlimited && clock;
    const long long due = pace_.Speed() != FramePace::Unlimited ? pace_.TicksDue(event.ElapsedMs) : timed ? LLONG_MAX : 1;
    double last = timed ? clock() : 0;
    while (run.ticks < due) {
        run.stopped = RunTick(nullptr, nullptr, afterTick);
        ++run.ticks;
        run.steps += path_->LastTickSteps();
        if (run.stopped || !TicksMoveOn()) break;
        // A host too slow for the speed falls behind rather than running the
        // event past its end: the ticks left over are not owed.
        if (bounded && clock() > event.UntilMs) break;
        if (!timed) continue;
        const double now = clock();
        if (!AnotherTickFits(now, last, event.UntilMs)) break;
        last = now;
    }
    if (!run.stopped) path_->ApplyDue();
    return run;
}

TicksRun Session::RunTicks(long long count, BeforeStepHook hook, void* context, const AfterTickWatch& afterTick) {
    TicksRun run;
    while (run.ticks < count && !closed_) {
        run.stopped = RunTick(hook, context, afterTick);
        ++run.ticks;
        run.steps += path_->LastTickSteps();
        if (run.stopped || Control().DebugActive) break;
    }
    steps_ += run.steps;
    return run;
}

std::string Session::StateLine() const { return varnox::StateLine(machine_->Cpu, steps_, path_->Tick()); }

// ---- Files, states and recordings ---------------------------------------------------------

SaveResult Session::SaveMemory() {
    if (!dir_) return {{"The built-in kit has no folder to save ram.bin and register.bin in"}, true};
    ranSinceSave_ = false;
    return SaveFiles(*machine_, *dir_, guard_);
}

std::vector<uint8_t> Session::SaveState() const { return EncodeState(*machine_); }

std::optional<std::string> Session::SaveStateFile(const std::filesystem::path& file) const {
    return varnox::SaveStateFile(*machine_, file);
}

std::optional<std::string> Session::LoadState(const std::filesystem::path& file) {
    auto failure = path_->LoadState(file);
    if (!failure) SwitchOn();
    return failure;
}

std::optional<std::string> Session::LoadState(std::span<const uint8_t> bytes) {
    auto failure = path_->LoadState(bytes);
    if (!failure) SwitchOn();
    return failure;
}

std::optional<std::string> Session::Replay(const std::filesystem::path& file) {
    Recording recording;
    auto failure = LoadRecordingFile(file, recording);
    if (!failure) failure = path_->StartReplay(recording, file);
    if (!failure) SwitchOn();
    return failure;
}

}  // namespace varnox
