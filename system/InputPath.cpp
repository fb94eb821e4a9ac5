#include "system/InputPath.h"

#include "core/Cpu.h"
#include "system/RunPath.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

constexpr InputKind SlotKinds[KeyInput::Slots] = {InputKind::Mouse, InputKind::PcKey};
static_assert(HeldMouseSlot == 0 && HeldPcKeySlot == 1, "KeyInput's slots are the machine's first two");

}  // namespace

void InputPath::Apply(InputKind kind, int32_t key, bool scan) {
    const InputEvent event{tick_ - recordStart_, kind, key, scan};
    ApplyInput(m_, event);
    if (recording_) recording_->Events.push_back(event);
}

void InputPath::ApplyDueKeys() {
    for (int slot = 0; slot < KeyInput::Slots; ++slot) {
        while (const auto change = keys_.Take(slot, m_.HeldKeys[static_cast<size_t>(slot)], tick_)) {
            Apply(SlotKinds[slot], change->Key, change->Scan);
        }
    }
}

void InputPath::Press(int slot, int32_t key, bool scan) {
    if (replay_) return;
    keys_.Press(slot, key, scan);
    ApplyDueKeys();
}

void InputPath::Release(int slot) {
    if (replay_) return;
    keys_.Release(slot);
    ApplyDueKeys();
}

void InputPath::ReleaseKeys() {
    if (replay_) return;
    keys_.Restart(tick_);
    for (int slot = 0; slot < KeyInput::Slots; ++slot) {
        if (m_.HeldKeys[static_cast<size_t>(slot)] != 0) Apply(SlotKinds[slot], 0);
    }
}

void InputPath::SetPrintSwitch(bool hd) {
    if (replay_) return;
    Apply(InputKind::PrintSwitch, hd ? PrintSwitchKey : 0);
}

void InputPath::Reset() {
    if (replay_) return;
    Apply(InputKind::Reset, 0);
}

namespace {

// Counts the steps of a run tick for a recording that may stop inside it,
// and stops a replay after the step its recording stopped after.
struct StepCounting {
    BeforeStepHook hook;
    void* context;
    long long steps = 0;
    long long stopAfter = 0;  // 0: none
};

void CountStep(Machine& m, void* context) {
    auto* counting = static_cast<StepCounting*>(context);
    if (counting->hook) counting->hook(m, counting->context);
    // As a step count stops a run: after this step, the tick cut there.
    if (++counting->steps == counting->stopAfter) m.Run.StepCount = 1;
}

}  // namespace

bool InputPath::RunTick(BeforeStepHook hook, void* context) {
    ApplyDueKeys();
    if (replay_) ApplyDueReplay(tick_ - replayStart_);
    // A tick the debugger holds runs nothing: a snapshot of it would fill
    // the ring with copies of one moment.
    const bool held = m_.Run.DebugActive || m_.Run.ResumeDelay > 0;
    StepCounting counting{hook, context};
    if (replay_ && ReplayTicksLeft() == 1) counting.stopAfter = replay_->StopSteps;
    // Only a tick with stops armed (or a hook that may stop it) can end
    // inside; the others run whole, on the fast path.
    const bool mayStop = hook || m_.Run.StepCount > 0 || m_.Run.BreakAddress >= 0 || m_.Run.Stops;
    const bool counted = (recording_ && mayStop) || counting.stopAfter > 0;
    const bool stopped = counted ? OnRunTimerTraced(m_, CountStep, &counting)
                         : hook  ? OnRunTimerTraced(m_, hook, context)
                                 : OnRunTimer(m_);
    if (recording_) recording_->StopSteps = stopped ? counting.steps : 0;
    ++tick_;
    if (replay_ && ReplayTicksLeft() == 0) FinishReplay();
    if (keepSnapshots_ && !held && RewindRing::Due(tick_)) ring_.Take(m_, tick_);
    return stopped;
}

// ---- Save states ---------------------------------------------------------------------

std::optional<std::string> InputPath::LoadStateWith(const std::function<std::optional<std::string>()>& load) {
    std::vector<uint8_t> before(SnapshotBytes());
    TakeSnapshot(m_, before);
    if (auto failure = load()) return failure;
    undo_ = std::move(before);
    keys_.Restart(tick_);
    return std::nullopt;
}

std::optional<std::string> InputPath::LoadState(const std::filesystem::path& file) {
    return LoadStateWith([&] { return LoadStateToRun(m_, file); });
}

std::optional<std::string> InputPath::LoadState(std::span<const uint8_t> bytes) {
    return LoadStateWith([&]() -> std::optional<std::string> {
        if (auto failure = DecodeState(bytes, m_)) return failure;
        ReleaseUnheldKeys(m_);
        return std::nullopt;
    });
}

bool InputPath::UndoLoadState() {
    if (undo_.empty()) return false;
    RestoreSnapshot(m_, undo_);
    undo_.clear();
    KeysLetGo();
    return true;
}

void InputPath::KeysLetGo() {
    keys_.Restart(tick_);
    ReleaseUnheldKeys(m_);
}

// ---- Recording and replay --------------------------------------------------------------

void InputPath::StartRecording(bool fromPowerOn) {
    recording_ = BeginRecording(m_, fromPowerOn);
    recordStart_ = tick_;
}

Recording InputPath::StopRecording() {
    Recording r = recording_ ? std::move(*recording_) : Recording{};
    r.Ticks = tick_ - recordStart_;
    recording_.reset();
    return r;
}

std::optional<std::string> InputPath::StartReplay(const Recording& r, const std::filesystem::path& file) {
    const Settings session = m_.Config;
    if (auto refused = varnox::StartReplay(m_, r, file)) return refused;
    sessionSettings_ = session;
    replay_ = r;
    replayStart_ = tick_;
    replayNext_ = 0;
    keys_.Restart(tick_);
    if (r.Ticks == 0) FinishReplay();
    return std::nullopt;
}

long long InputPath::ReplayTicksLeft() const { return replay_ ? replay_->Ticks - (tick_ - replayStart_) : 0; }

void InputPath::ApplyDueReplay(long long upTo) {
    const auto& events = replay_->Events;
    for (; replayNext_ < events.size() && events[replayNext_].Tick <= upTo; ++replayNext_) {
        const InputEvent& e = events[replayNext_];
        Apply(e.Kind, e.Key, e.Scan);
    }
}

void InputPath::FinishReplay() {
    if (!replay_) return;
    if (ReplayTicksLeft() == 0) ApplyDueReplay(replay_->Ticks);
    EndReplay();
}

void InputPath::EndReplay() {
    if (!replay_) return;
    const int32_t intervalMs = replay_->OscFreq > 0 ? m_.Run.CyclesPerTick / replay_->OscFreq : 0;
    m_.Config.OscFreq = sessionSettings_.OscFreq;
    m_.Config.SelfTest = sessionSettings_.SelfTest;
    m_.Run.CyclesPerTick = ComputeCyclesPerTick(intervalMs, m_.Config.OscFreq);
    replay_.reset();
}

// ---- Rewind ------------------------------------------------------------------------------

bool InputPath::StepBack() {
    const long long back = ring_.StepBack(m_, tick_);
    if (back < 0) return false;
    // The clock and settings are the session's, not a snapshot's: a replay
    // rewound out of hands its own back as one that ends does.
    EndReplay();
    tick_ = back;
    KeysLetGo();
    return true;
}

}  // namespace varnox
