// Recordings of a run: where it started and every input that reached the
// machine, with the run tick at which it did. Replayed over the same ROMs
// from the same start, they give the same machine, in the window or in
// varnox-tool, tick for tick.
//
// The file is text, one item a line, to be read and edited by hand:
//
//     Varnox recording 1
//     rom0.bin 0x1A2B3C4D          CRC-32 of the firmware it needs
//     rom1.bin 0x5E6F7081
//     OscFreq 910                  the settings it ran with
//     SelfTest 0
//     ResumeDelay 0                run ticks still to wait after the debugger
//     ticks 250                    its length in run ticks
//     start power-on ram.bin 0x... register.bin 0x...
//   or
//     start state                  then the save state it starts from:
//     state 5641524E4F585354...    32 bytes a line in hex
//     10 pc 41                     at run tick 10 the PC key slot holds key 41
//     15 pc 0                      ... and lets it go
//     20 mouse 7                   the mouse slot; "print 53" / "print 0" the
//     40 reset                     print switch; reset: as at power-on
//     stop 1234                    (when the run stopped inside its last run
//     end                          tick: after that tick's 1234th step)
//
// "pc K noscan" holds the key without the key scan (the window's double
// quote and colon do so). Lines starting with # and empty lines are ignored.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/Def.h"

namespace varnox {

inline constexpr int RecordingFormatVersion = 1;

// The longest run the tool makes and a recording holds: some four emulated
// months, which a replay at full speed still ends in hours, not days.
inline constexpr long long MaxRunTicks = 1000000000LL;

enum class InputKind : uint8_t { Mouse, PcKey, PrintSwitch, Reset };

// One input that reached the machine at the boundary before run tick
// `Tick` (counted from the start of the recording).
struct InputEvent {
    long long Tick = 0;
    InputKind Kind = InputKind::PcKey;
    int32_t Key = 0;
    bool Scan = true;
    bool operator==(const InputEvent&) const = default;
};

struct Recording {
    uint32_t Rom0Crc = 0;
    uint32_t Rom1Crc = 0;
    int32_t OscFreq = Settings{}.OscFreq;
    int32_t SelfTest = Settings{}.SelfTest;
    int32_t ResumeDelay = 0;
    long long Ticks = 0;
    // Power-on over the RAM and register file of the run folder (their
    // CRC-32s), or the save state in State.
    bool FromPowerOn = true;
    uint32_t RamCrc = 0;
    uint32_t RegisterCrc = 0;
    std::vector<uint8_t> State;
    std::vector<InputEvent> Events;
    long long StopSteps = 0;  // steps of the last run tick when the run stopped inside it, else 0
    bool operator==(const Recording&) const = default;
};

// The start of a recording of `m` as it stands between two run ticks, with
// `resumeDelay` run ticks still to wait after the debugger: power-on (the
// machine was just started from its files) or its state.
Recording BeginRecording(const Machine& m, int32_t resumeDelay, bool fromPowerOn);

std::string FormatRecording(const Recording& r);

// The recording in `text`, or what is wrong with it: "line 7: ...".
std::variant<Recording, std::string> ParseRecording(std::string_view text);

// Reads a recording file whole; on failure returns the message naming the
// file (and the line), and `r` is untouched.
std::optional<std::string> LoadRecordingFile(const std::filesystem::path& file, Recording& r);

// Writes it through a temporary renamed over the file; returns the message
// naming the file on failure.
std::optional<std::string> SaveRecordingFile(const Recording& r, const std::filesystem::path& file);

// Puts `m`, loaded from the run folder's files, at the start of the
// recording: its settings, then power-on or its state (the run control's
// part, its resume delay and grant, is the caller's). Refuses, naming
// `file` and what differs, a recording over other ROMs, RAM or register
// file; `m` is then as it was.
std::optional<std::string> StartReplay(Machine& m, const Recording& r, const std::filesystem::path& file);

// What the input does to the machine: a slot changed (with its key scan),
// or the power-on reset.
void ApplyInput(Machine& m, const InputEvent& event);

}  // namespace varnox
