// One calculator as a front end runs it: the machine with its folder (or the
// built-in kit), settings, key map, input path and the guard of its memory
// files; its start and end, power, every input, the pacing of its run
// ticks, the saving of its memory, states, recordings and the display. The
// window, the page and varnox-tool are adapters over it, so that the same
// inputs give the same machine in each.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Def.h"
#include "system/DisplayPicture.h"
#include "system/Files.h"
#include "system/FramePace.h"
#include "system/InputPath.h"
#include "system/KeyMap.h"
#include "system/RunControl.h"
#include "system/RunPath.h"

namespace varnox {

struct KitFile;

class Session {
public:
    // The calculator of the machine files in `dir`, its run ticks standing
    // for `intervalMs` each (as the window's run timer fires); nothing is
    // read before Load.
    explicit Session(std::filesystem::path dir, int32_t intervalMs = RunIntervalMs);
    // The calculator of a kit in memory (the built-in one), read at each
    // Load, so it outlives the session: it has no folder, so nothing of it
    // is ever written.
    explicit Session(std::span<const KitFile> kit, int32_t intervalMs = RunIntervalMs);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // ---- Start and end ----
    // The machine made anew from the settings and files, as the window is
    // created: nothing of what ran before stays, and the input path starts
    // again at run tick 0 with no key held back, no holds and no steps
    // counted. The messages say what was wrong with each file.
    LoadResult Load();
    // As the window is shown: no key held, no stop armed, the cycle grant
    // of a run tick, the power-on reset; switched on.
    void Start();
    // Nothing runs any more (the window closes); the memory is saved into
    // the folder, when there is one.
    SaveResult Close();
    bool Closed() const { return closed_; }

    // The folder of the machine's files; none for a kit in memory.
    const std::optional<std::filesystem::path>& Folder() const { return dir_; }
    Machine& GetMachine() { return *machine_; }
    const Machine& GetMachine() const { return *machine_; }
    // Where inputs reach the machine: its recording, replay and rewind.
    // Made anew by Load.
    InputPath& Path() { return *path_; }
    const InputPath& Path() const { return *path_; }
    // How the run ticks are held, granted and stopped (the debugger's
    // hold, the stops of a run): the path's, made anew with it by Load.
    RunControl& Control() { return path_->Control(); }
    const RunControl& Control() const { return path_->Control(); }
    // Which calculator key each PC key holds.
    KeyMap& Keys() { return keys_; }
    const KeyMap& Keys() const { return keys_; }

    // ---- Power and reset; a replay's inputs are the only ones while it runs ----
    bool TakesUserInput() const { return path_->TakesUserInput(); }
    // The power switch: either way the power-on reset. The pacing of a
    // calculator switched off is its front end's to stop.
    void SetPower(bool on);
    bool PoweredOn() const { return powered_; }
    // Switched on as the machine stands, without the reset: what a state
    // loaded, a replay or a step back in time put there runs on.
    void SwitchOn() { powered_ = true; }
    void Reset();

    // ---- Inputs, each held long enough for the firmware to see it ----
    void MouseDown(int key);
    void MouseUp();
    // A PC key by its virtual-key code, then the characters it typed; the
    // key map says which calculator key each holds.
    void KeyDown(int virtualKey);
    void KeyTyped(char32_t character);
    void KeyUp();
    // A calculator key by its number (1..53), held as a PC key holds it.
    void PressKey(int key);
    // The mouse and PC keys let go at once: the front end lost the keyboard.
    void ReleaseKeys();
    void SetPrintSwitch(bool hd);
    // Key `key` held as the PC key from run tick `from` up to `until`,
    // counted from the start, as varnox-tool run --hold does.
    void Hold(int key, long long from, long long until);

    // ---- Running ----
    // FramePace's speeds: 1, 2, 4, 8 or FramePace::Unlimited.
    void SetSpeed(int speed) { pace_.SetSpeed(speed); }
    int Speed() const { return pace_.Speed(); }
    // Paced events run nothing while paused.
    void SetPaused(bool paused) { paused_ = paused; }
    bool Paused() const { return paused_; }
    // One event of the front end's pacer: at a set speed the run ticks the
    // event's host time holds, up to the event's end when `clock` is given,
    // at Unlimited as many as `clock` says fit before the event's end. It
    // ends early at a tick that stopped, and
    // (since no number of such ticks would move the machine on) at one the
    // debugger held or that granted no cycles. `afterTick` watches the
    // machine after each tick. The keys' releases held back for their
    // minimum are applied at the end, unless the run stopped for the
    // debugger, which lets every key go.
    TicksRun Pace(const PaceEvent& event, const HostClock& clock = {}, const AfterTickWatch& afterTick = {});
    // `count` run ticks back to back, whatever the pacing; ends early when
    // a tick stops or the debugger holds the machine. Their steps are
    // counted (by the machine's clock); `hook` (when given) runs before each, `afterTick` after
    // each tick. What falls due after the last tick waits for the next, as
    // between any two ticks.
    TicksRun RunTicks(long long count, BeforeStepHook hook = nullptr, void* context = nullptr,
                      const AfterTickWatch& afterTick = {});
    // Run ticks since the start (back to a snapshot's after a rewind), and
    // the steps RunTicks made.
    long long Tick() const { return path_->Tick(); }
    long long StepsCounted() const { return steps_; }
    // The processor's state on one line, with those counts.
    std::string StateLine() const;

    // ---- The memory files ----
    bool RanSinceSave() const { return ranSinceSave_; }
    // RAM and the register file written into the folder, each replaced
    // whole, after keeping a copy of what start did not read in full; the
    // messages of what failed or was kept. Fails for a kit in memory.
    SaveResult SaveMemory();

    // ---- States ----
    std::vector<uint8_t> SaveState() const;
    std::optional<std::string> SaveStateFile(const std::filesystem::path& file) const;
    // A state loaded to run on (the load can be undone on the path); a
    // calculator switched off is switched on without a reset. On failure
    // the message naming the file, and nothing changed.
    std::optional<std::string> LoadState(const std::filesystem::path& file);
    std::optional<std::string> LoadState(std::span<const uint8_t> bytes);

    // ---- Recordings ----
    // The recording at `file` played from its start (switched on); the
    // message when it was refused.
    std::optional<std::string> Replay(const std::filesystem::path& file);

    // ---- The display ----
    // The picture, and what changed since the last read (for the one
    // viewer that paints it).
    DisplayReader::Read ReadDisplay() { return display_.ReadFrom(machine_->Lcd); }
    // The picture as it stands, composed aside; changes nothing.
    DisplayPicture Picture() const { return PictureOf(machine_->Lcd); }

private:
    // One run tick with the holds due before it.
    bool RunTick(BeforeStepHook hook, void* context, const AfterTickWatch& afterTick);
    // Whether another run tick may move the machine on: the debugger does
    // not hold it and a tick grants cycles.
    bool TicksMoveOn() const;

    std::optional<std::filesystem::path> dir_;
    std::span<const KitFile> kit_;
    int32_t intervalMs_;
    std::unique_ptr<Machine> machine_ = std::make_unique<Machine>();
    std::unique_ptr<InputPath> path_ = std::make_unique<InputPath>(*machine_, intervalMs_);
    SaveGuard guard_;
    KeyMap keys_;
    FramePace pace_;
    DisplayReader display_;
    std::vector<KeyHold> holds_;
    long long steps_ = 0;
    bool ranSinceSave_ = false;
    bool paused_ = false;
    bool powered_ = true;
    bool closed_ = false;
};

}  // namespace varnox
