// The --trace output of varnox-tool run: the listing line of the
// instruction about to run, or what the step does instead.
#include "Trace.h"

#include <cstdio>

#include "asm/Listing.h"
#include "core/Cpu.h"

namespace varnox::tool {

bool TraceStep(const Machine& m) {
    int level = 0;
    switch (PeekStepKind(m, &level)) {
    case StepKind::Idle:
        return std::fprintf(stderr, "%04X: halted\n", m.Cpu.PC) >= 0;
    case StepKind::Interrupt:
        return std::fprintf(stderr, "%04X: interrupt level %d\n", m.Cpu.PC, level) >= 0;
    case StepKind::Instruction:
        break;
    }
    const ListingLine line = ListInstruction(m, m.Cpu.PC);
    return std::fprintf(stderr, "%s\n", FormatListingLine(line).c_str()) >= 0;
}

}  // namespace varnox::tool
