#include "system/InputPath.h"

#include "core/Cpu.h"
#include "system/RunPath.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

constexpr InputKind SlotKinds[KeyInput::Slots] = {InputKind::Mouse, InputKind::PcKey};
static_assert(HeldMouseSlot == 0 && HeldPcKeySlot == 1, "KeyInput's slots are the machine's first two");

}  // namespace

InputPath::InputPath(Machine& m, int32_t intervalMs)
    : m_(m), run_(RunControl::Started(m.Config.OscFreq, intervalMs)), intervalMs_(intervalMs) {
    SetTick(0);
}

void InputPath::StartMachine() {
    const long long tick = Tick();
    varnox::StartMachine(m_);
    run_ = RunControl::Started(m_.Config.OscFreq, intervalMs_);
    SetTick(tick);
}

void InputPath::Apply(InputKind kind, int32_t key, bool scan) {
    const InputEvent event{Tick() - recordStart_, kind, key, scan};
    ApplyInput(m_, event);
    if (recording_) recording_->Events.push_back(event);
}

void InputPath::ApplyDueKeys() {
    for (int slot = 0; slot < KeyInput::Slots; ++slot) {
        while (const auto change = keys_.Take(slot, m_.HeldKeys[static_cast<size_t>(slot)], Tick())) {
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
    keys_.Restart(Tick());
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

bool InputPath::RunTick(BeforeStepHook hook, void* context) {
    ApplyDueKeys();
    if (replay_) ApplyDueReplay(Tick() - replayStart_);
    // A tick the debugger holds runs nothing: a snapshot of it would fill
    // the ring with copies of one moment.
    const bool held = run_.DebugActive || run_.ResumeDelay > 0;
    // The replay's last tick ends after the steps the recorded one made.
    if (replay_ && ReplayTicksLeft() == 1 && replay_->StopSteps > 0) run_.Stops.ReplaySteps = replay_->StopSteps;
    const uint64_t stepsBefore = m_.Clock.Steps;
    const bool stopped = OnRunTimer(m_, run_, hook, context) != RunStopKind::None;
    lastTickSteps_ = static_cast<long long>(m_.Clock.Steps - stepsBefore);
    run_.Stops.ReplaySteps = 0;
    if (recording_) recording_->StopSteps = stopped ? lastTickSteps_ : 0;
    if (replay_ && ReplayTicksLeft() <= 0) FinishReplay();
    if (keepSnapshots_ && !held && RewindRing::Due(Tick())) ring_.Take(m_, Tick());
    return stopped;
}

// ---- Save states ---------------------------------------------------------------------

std::optional<std::string> InputPath::LoadStateWith(const std::function<std::optional<std::string>()>& load) {
    std::vector<uint8_t> before(SnapshotBytes());
    TakeSnapshot(m_, before);
    const long long tick = Tick();
    if (auto failure = load()) return failure;
    SetTick(tick);
    undo_ = std::move(before);
    keys_.Restart(tick);
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
    const long long tick = Tick();
    RestoreSnapshot(m_, undo_);
    SetTick(tick);
    undo_.clear();
    KeysLetGo();
    return true;
}

void InputPath::KeysLetGo() {
    keys_.Restart(Tick());
    ReleaseUnheldKeys(m_);
}

// ---- Recording and replay --------------------------------------------------------------

void InputPath::StartRecording(bool fromPowerOn) {
    recording_ = BeginRecording(m_, run_.ResumeDelay, fromPowerOn);
    recordStart_ = Tick();
}

Recording InputPath::StopRecording() {
    Recording r = recording_ ? std::move(*recording_) : Recording{};
    r.Ticks = Tick() - recordStart_;
    recording_.reset();
    return r;
}

std::optional<std::string> InputPath::StartReplay(const Recording& r, const std::filesystem::path& file) {
    const Settings session = m_.Config;
    const long long tick = Tick();
    if (auto refused = varnox::StartReplay(m_, r, file)) return refused;
    SetTick(tick);
    // The recorded run's start: the debugger's stops and hold off, its
    // pause, and its grant.
    run_.DebugActive = 0;
    run_.ResumeDelay = r.ResumeDelay;
    run_.Stops.ClearCountAndAddress();
    run_.CyclesPerTick = ComputeCyclesPerTick(intervalMs_, r.OscFreq);
    sessionSettings_ = session;
    replay_ = r;
    replayStart_ = tick;
    replayNext_ = 0;
    keys_.Restart(tick);
    if (r.Ticks == 0) FinishReplay();
    return std::nullopt;
}

long long InputPath::ReplayTicksLeft() const { return replay_ ? replay_->Ticks - (Tick() - replayStart_) : 0; }

void InputPath::ApplyDueReplay(long long upTo) {
    const auto& events = replay_->Events;
    for (; replayNext_ < events.size() && events[replayNext_].Tick <= upTo; ++replayNext_) {
        const InputEvent& e = events[replayNext_];
        Apply(e.Kind, e.Key, e.Scan);
    }
}

void InputPath::FinishReplay() {
    if (!replay_) return;
    if (ReplayTicksLeft() <= 0) ApplyDueReplay(replay_->Ticks);
    EndReplay();
}

void InputPath::EndReplay() {
    if (!replay_) return;
    m_.Config.OscFreq = sessionSettings_.OscFreq;
    m_.Config.SelfTest = sessionSettings_.SelfTest;
    run_.CyclesPerTick = ComputeCyclesPerTick(intervalMs_, m_.Config.OscFreq);
    replay_.reset();
}

// ---- Rewind ------------------------------------------------------------------------------

bool InputPath::StepBack() {
    const long long back = ring_.StepBack(m_, Tick());
    if (back < 0) return false;
    // The clock and settings are the session's, not a snapshot's: a replay
    // rewound out of hands its own back as one that ends does.
    EndReplay();
    SetTick(back);
    KeysLetGo();
    return true;
}

}  // namespace varnox
