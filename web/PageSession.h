// The calculator as the page runs it: one machine on the input path the
// window uses, started from the files of a folder (the kit, with what the
// user and the browser's storage put there), paced by the page's animation
// frames, and driven by its keys, switches and scripts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Def.h"
#include "system/Files.h"
#include "system/InputPath.h"
#include "system/KeyMap.h"
#include "system/RunPath.h"
#include "web/FramePace.h"

namespace varnox::web {

class PageSession {
public:
    explicit PageSession(std::filesystem::path dir);

    // As the page's start: settings and files read from the folder again,
    // power-on, paused, at run tick 0, no holds, no steps counted. Returns
    // the messages of the loading, one for each file that was wrong.
    std::vector<std::string> PowerOn();

    const Machine& GetMachine() const { return *machine_; }
    const InputPath& Path() const { return *path_; }

    // ---- Pacing ----
    void SetPaused(bool paused) { paused_ = paused; }
    bool Paused() const { return paused_; }
    void SetSpeed(int speed) { pace_.SetSpeed(speed); }
    int Speed() const { return pace_.Speed(); }
    // One animation frame, `elapsedMs` of host time after the last one; at
    // Unlimited the frame runs until `clock` says another tick would pass
    // `untilMs`, at a set speed the ticks due up to `untilMs` (all of them
    // without a clock). Returns the run ticks made.
    long long Frame(double elapsedMs, HostClock clock, void* context, double untilMs);
    // Run ticks back to back, whatever the pacing, their steps counted in
    // the state line's.
    void RunTicks(long long count);

    // ---- Inputs, as the window's ----
    void MouseDown(int key);
    void MouseUp();
    // A PC key by its virtual-key code, then the characters it typed.
    void KeyDown(int virtualKey);
    void KeyTyped(char32_t character);
    void KeyUp();
    // A calculator key by its number (1..53), as a PC key holds it.
    void PressKey(int key);
    // Keys let go at once: the page lost the keyboard.
    void ReleaseKeys();
    void SetPrintSwitch(bool hd);
    // The power switch: off stops the machine, on starts it as at power-on.
    void SetPower(bool on);
    bool PoweredOn() const { return powered_; }
    void Reset();
    // Key `key` held as the PC key from run tick `from` up to `until`,
    // counted from power-on, as varnox-tool run --hold does.
    void Hold(int key, long long from, long long until);
    // The calculator keys held now, by the mouse and the PC keys.
    int HeldKey(int slot) const { return machine_->HeldKeys[static_cast<size_t>(slot)]; }

    // ---- Files ----
    // RAM and register file written to the folder as the window writes them
    // (a copy kept of what it did not read in full); the messages of what
    // failed or was kept. Nothing is written when nothing ran since the
    // last save, nor when the start stopped before it reached them.
    std::optional<SaveResult> SaveMemory();
    // Whether the start reached the memory files (the firmware loaded):
    // only then is what runs theirs to keep.
    bool KeepsMemory() const { return keepsMemory_; }
    std::vector<uint8_t> SaveState() const;
    // The state file at `file` loaded to run on; the message naming it when
    // it was refused.
    std::optional<std::string> LoadState(const std::filesystem::path& file);
    // The recording at `file` played from its start; the message when it
    // was refused.
    std::optional<std::string> StartReplay(const std::filesystem::path& file);

    // ---- What it shows ----
    std::string StateLine() const;
    // The display as a plain PBM picture, one dot a pixel.
    std::string Screen() const;

private:
    void RunTick();

    std::filesystem::path dir_;
    std::unique_ptr<Machine> machine_ = std::make_unique<Machine>();
    std::unique_ptr<InputPath> path_;
    SaveGuard guard_;
    KeyMap keys_;
    FramePace pace_;
    std::vector<KeyHold> holds_;
    long long steps_ = 0;  // of RunTicks since PowerOn, by the machine's clock
    bool ranSinceSave_ = false;
    bool keepsMemory_ = false;
    bool paused_ = true;
    bool powered_ = true;
};

}  // namespace varnox::web
