// The --trace output of varnox-tool run: one line on stderr before each step.
#pragma once

#include "core/Def.h"

namespace varnox::tool {

// Returns false when the line could not be written (the reader has gone).
bool TraceStep(const Machine& m);

// The same line with the registers and the cycles run so far after it.
bool TraceStepWithRegisters(const Machine& m, unsigned long long cycles);

}  // namespace varnox::tool
