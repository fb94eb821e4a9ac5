// Placeholder trace until the disassembler lands: the PC only.
#include "Trace.h"

#include <cstdio>

namespace varnox::tool {

void TraceStep(Machine& m) { std::fprintf(stderr, "%04X:\n", m.Cpu.PC); }

}  // namespace varnox::tool
