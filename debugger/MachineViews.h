// Read-only views for the debugger's added panes: the registers with the
// 16-bit pointers as words, the flags byte and what the last step or run
// changed, and the LCD controller's registers, cursors and timer period.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Def.h"

namespace varnox {

struct RegisterViewRow {
    std::string Label;
    std::string Value;
    bool Changed = false;  // differs from before the last step or run
};

// PC, the eight 16-bit pointers, F with its flags spelled out, AS, the
// ports, the halt state and the cycles run since the last stop.
std::vector<RegisterViewRow> RegisterView(const CpuState& now, const CpuState& before, uint64_t cyclesSinceStop);

// One line a field: the controller's registers, then each chip's cursor and
// the timer period.
std::vector<std::string> LcdView(const LcdController& lcd);

}  // namespace varnox
