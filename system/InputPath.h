// The one way inputs reach the machine and run ticks run it, for the window
// and varnox-tool alike: key presses and releases timed by KeyInput, the
// print switch and the reset, each applied between two run ticks and
// counted by run tick. On this path a run can be recorded, replayed from a
// recording, and taken back in time. The path owns the run control its run
// ticks are given (the debugger's hold, the resume delay, the grant and the
// stops), and counts its run ticks by the machine's clock.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "core/Def.h"
#include "system/KeyInput.h"
#include "system/Recording.h"
#include "system/RunLoop.h"
#include "system/Snapshot.h"

namespace varnox {

class InputPath {
public:
    // Run ticks of `intervalMs` at the machine's OscFreq, with nothing held
    // and no stops.
    explicit InputPath(Machine& m, int32_t intervalMs = RunIntervalMs);

    Machine& GetMachine() { return m_; }
    const Machine& GetMachine() const { return m_; }
    RunControl& Control() { return run_; }
    const RunControl& Control() const { return run_; }

    // The machine started as the window starts it when shown (StartMachine),
    // and the run control with it: nothing held, no stops, the grant from
    // the machine's OscFreq.
    void StartMachine();

    // Run ticks made on this path (back to a snapshot's after a rewind):
    // the machine's clock, from where it stood when it was replaced (a
    // state, a replay's start), so that the path's line of time goes on.
    long long Tick() const { return static_cast<long long>(tickBase_ + m_.Clock.RunTicks); }
    // Steps the last run tick made.
    long long LastTickSteps() const { return lastTickSteps_; }

    // ---- The user's inputs; ignored while a replay runs ----
    void Press(int slot, int32_t key, bool scan = true);
    void Release(int slot);
    // The mouse and PC key slots let go at once, with the key scan, and
    // what waited forgotten: when the window loses the keyboard or the
    // debugger takes the machine over.
    void ReleaseKeys();
    void SetPrintSwitch(bool hd);
    // As at power-on (the reset item and the power switch).
    void Reset();
    bool TakesUserInput() const { return !replay_; }

    // Applies what is due at this boundary; RunTick does so first, and the
    // window after its ticks, so a key goes up as soon as it may.
    void ApplyDue() { ApplyDueKeys(); }

    // One run tick: what is due is applied first. Returns true when a stop
    // ended it (RunStops, a replay's end or the hook's request), with
    // DebugActive set.
    bool RunTick(BeforeStepHook hook = nullptr, void* context = nullptr);

    // ---- Save states ----
    // Loads a state to run on (the keys no one holds now let go), keeping
    // the machine as it was for UndoLoadState; on failure returns the
    // message and changes nothing.
    std::optional<std::string> LoadState(const std::filesystem::path& file);
    // The same from a state file's bytes; the message says what is wrong.
    std::optional<std::string> LoadState(std::span<const uint8_t> bytes);
    bool CanUndoLoad() const { return !undo_.empty(); }
    // The machine back to the moment before the last load; false when no
    // load was made.
    bool UndoLoadState();

    // ---- Recording ----
    // From here on (the machine as it stands, or just started from its
    // files: `fromPowerOn`) every input that reaches it is recorded.
    void StartRecording(bool fromPowerOn);
    bool IsRecording() const { return recording_.has_value(); }
    // The recording up to the present run tick; recording stops.
    Recording StopRecording();

    // ---- Replay ----
    // Puts the machine at the recording's start and feeds its inputs at
    // their run ticks from now on; the user's are ignored until it ends.
    std::optional<std::string> StartReplay(const Recording& r, const std::filesystem::path& file);
    bool IsReplaying() const { return replay_.has_value(); }
    // Run ticks the replay has still to run, and runs in all.
    long long ReplayTicksLeft() const;
    long long ReplayTicks() const { return replay_ ? replay_->Ticks : 0; }
    // Applies what the recording holds after its last tick and ends the
    // replay; call when ReplayTicksLeft() is 0, or to stop it early.
    void FinishReplay();

    // ---- Rewind ----
    // Keeps snapshots for StepBack from now on.
    void KeepSnapshots(bool keep) { keepSnapshots_ = keep; }
    const RewindRing& Snapshots() const { return ring_; }
    // The machine back to the newest snapshot before now; false when there
    // is none. Keys no one holds now are let go.
    bool StepBack();

private:
    void Apply(InputKind kind, int32_t key, bool scan = true);
    // Loads a state with `load`, keeping the machine as it was for
    // UndoLoadState.
    std::optional<std::string> LoadStateWith(const std::function<std::optional<std::string>()>& load);
    void ApplyDueKeys();
    void ApplyDueReplay(long long upTo);
    // After the machine was replaced (a state, a snapshot, a replay's start).
    void KeysLetGo();
    // The path's tick is `tick` with the machine's clock where it is now.
    void SetTick(long long tick) { tickBase_ = static_cast<uint64_t>(tick) - m_.Clock.RunTicks; }
    // A replay runs at its recording's settings; the session's own come back
    // when it ends, clock included, so that what follows is the session's.
    void EndReplay();

    Machine& m_;
    RunControl run_;
    int32_t intervalMs_;
    uint64_t tickBase_ = 0;  // the path's tick less the clock's, modulo 2^64
    long long lastTickSteps_ = 0;
    KeyInput keys_;
    std::optional<Recording> recording_;
    long long recordStart_ = 0;
    std::optional<Recording> replay_;
    long long replayStart_ = 0;
    size_t replayNext_ = 0;
    Settings sessionSettings_;
    bool keepSnapshots_ = false;
    RewindRing ring_;
    std::vector<uint8_t> undo_;
};

}  // namespace varnox
