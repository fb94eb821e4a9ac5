// The processor's state on one line, as a headless run ends by printing it:
// the same text wherever the machine ran, so runs can be compared as text.
#pragma once

#include <string>

#include "core/Def.h"

namespace varnox {

// "PC=0123 F=80 ... HALTED=0 STEPS=n TICKS=n", without a line end.
std::string StateLine(const CpuState& cpu, long long steps, long long ticks);

}  // namespace varnox
