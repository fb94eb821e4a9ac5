// Where the cycles go: each step's processor cycles filed under the
// address it started at, then summed per function (the code symbol at or
// before the address, local labels folded into theirs) and per source
// line. It watches the run as the debugger's stop check does, hung among
// the run's stops only while it profiles, so a run without it pays
// nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "asm/Symbols.h"
#include "core/DebugHooks.h"
#include "core/Def.h"
#include "debugger/SourceLines.h"
#include "system/RunControl.h"

namespace varnox {

struct ProfileRow {
    std::string Name;  // the function, "FILE:LINE", or OutsideSymbols
    uint16_t Address = 0;  // where it starts, for going to the code
    uint64_t Cycles = 0;
    uint64_t Calls = 0;    // calls and interrupt entries (functions only)
    double Share = 0;      // of all cycles, 0..1
};

inline constexpr const char* OutsideSymbols = "(outside any symbol)";

struct ProfileReport {
    uint64_t TotalCycles = 0;
    std::vector<ProfileRow> Functions;  // most cycles first; OutsideSymbols among them when any
    std::vector<ProfileRow> Lines;      // most cycles first; only where lines are known
};

class Profiler final : public StopCheck {
public:
    Profiler();
    ~Profiler();
    Profiler(const Profiler&) = delete;
    Profiler& operator=(const Profiler&) = delete;

    // Hangs the profiler among the run's stops in front of the stop check
    // already there (which it still asks after every step); Stop takes it
    // off and puts that check back.
    void Start(const Machine& m, RunStops& stops);
    void Stop(RunStops& stops);
    bool Running(const RunStops& stops) const { return stops.Conditions == this; }
    // Forgets the cycles counted so far.
    void Reset();

    bool ShouldStop(Machine& m) override;

    // The counts so far, by the names and lines given.
    ProfileReport Report(const SymbolTable* symbols, const SourceMap* lines) const;

private:
    std::vector<uint64_t> cycles_;  // per start address of a step
    std::vector<uint64_t> entries_;  // calls and interrupt entries that landed on the address
    StopCheck* next_ = nullptr;
    uint16_t pc_ = 0;  // where the next step starts
    uint16_t sp_ = 0;  // the stack pointer before it
};

// The report as text: "cycles share calls name" rows, at most `rows` of
// each table (0: all).
std::string ProfileText(const ProfileReport& report, size_t rows);

}  // namespace varnox
