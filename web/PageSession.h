// The calculator as the page runs it: a session over the files of a folder
// (the kit, with what the user and the browser's storage put there), paced
// by the page's animation frames, and driven by its keys, switches and
// scripts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "system/Session.h"

namespace varnox::web {

// Host time in milliseconds; the page's clock, or a test's.
using PageClock = double (*)(void* context);

class PageSession {
public:
    explicit PageSession(std::filesystem::path dir) : session_(std::move(dir)) {}

    // As the page's start: settings and files read from the folder again,
    // power-on, paused, at run tick 0, no holds, no steps counted. Returns
    // the messages of the loading, one for each file that was wrong.
    std::vector<std::string> PowerOn();

    Session& GetSession() { return session_; }
    const Machine& GetMachine() const { return session_.GetMachine(); }
    const InputPath& Path() const { return session_.Path(); }

    // ---- Pacing ----
    void SetPaused(bool paused) { session_.SetPaused(paused); }
    bool Paused() const { return session_.Paused(); }
    void SetSpeed(int speed) { session_.SetSpeed(speed); }
    int Speed() const { return session_.Speed(); }
    // One animation frame, `elapsedMs` of host time after the last one; at
    // Unlimited the frame runs until `clock` says another tick would pass
    // `untilMs`, at a set speed the ticks due up to `untilMs` (all of them
    // without a clock). A calculator switched off runs nothing. Returns the
    // run ticks made.
    long long Frame(double elapsedMs, PageClock clock, void* context, double untilMs);
    // Run ticks back to back, whatever the pacing, counting their steps;
    // releases held back for their minimum show at once.
    void RunTicks(long long count);

    // ---- Inputs, as the window's ----
    void MouseDown(int key) { session_.MouseDown(key); }
    void MouseUp() { session_.MouseUp(); }
    // A PC key by its virtual-key code, then the characters it typed.
    void KeyDown(int virtualKey) { session_.KeyDown(virtualKey); }
    void KeyTyped(char32_t character) { session_.KeyTyped(character); }
    void KeyUp() { session_.KeyUp(); }
    // A calculator key by its number (1..53), as a PC key holds it.
    void PressKey(int key) { session_.PressKey(key); }
    // Keys let go at once: the page lost the keyboard.
    void ReleaseKeys() { session_.ReleaseKeys(); }
    void SetPrintSwitch(bool hd) { session_.SetPrintSwitch(hd); }
    // The power switch: off stops the machine, on starts it as at power-on.
    void SetPower(bool on) { session_.SetPower(on); }
    bool PoweredOn() const { return session_.PoweredOn(); }
    void Reset() { session_.Reset(); }
    // Key `key` held as the PC key from run tick `from` up to `until`,
    // counted from power-on, as varnox-tool run --hold does.
    void Hold(int key, long long from, long long until) { session_.Hold(key, from, until); }
    // The calculator keys held now, by the mouse and the PC keys.
    int HeldKey(int slot) const { return GetMachine().HeldKeys[static_cast<size_t>(slot)]; }

    // ---- Files ----
    // RAM and register file written to the folder as the window writes them
    // (a copy kept of what it did not read in full); the messages of what
    // failed or was kept. Nothing is written when nothing ran since the
    // last save, nor when the start stopped before it reached them.
    std::optional<SaveResult> SaveMemory();
    // Whether the start reached the memory files (the firmware loaded):
    // only then is what runs theirs to keep.
    bool KeepsMemory() const { return keepsMemory_; }
    std::vector<uint8_t> SaveState() const { return session_.SaveState(); }
    // The state file at `file` loaded to run on; the message naming it when
    // it was refused.
    std::optional<std::string> LoadState(const std::filesystem::path& file) { return session_.LoadState(file); }
    // The recording at `file` played from its start; the message when it
    // was refused.
    std::optional<std::string> StartReplay(const std::filesystem::path& file) { return session_.Replay(file); }

    // ---- What it shows ----
    std::string StateLine() const { return session_.StateLine(); }
    // The display as a plain PBM picture, one dot a pixel.
    std::string Screen() const;

private:
    Session session_;
    bool keepsMemory_ = false;
};

}  // namespace varnox::web
