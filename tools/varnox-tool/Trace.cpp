// The --trace output of varnox-tool run: the listing line of the
// instruction about to run, or what the step does instead.
#include "Trace.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "asm/Listing.h"
#include "core/Cpu.h"
#include "debugger/TraceRing.h"

namespace varnox::tool {

namespace {

constexpr size_t RegistersColumn = 36;

std::string StepText(const Machine& m) {
    int level = 0;
    char text[48];
    switch (PeekStepKind(m, &level)) {
    case StepKind::Idle:
        std::snprintf(text, sizeof text, "%04X: halted", m.Cpu.PC);
        return text;
    case StepKind::Interrupt:
        std::snprintf(text, sizeof text, "%04X: interrupt level %d", m.Cpu.PC, level);
        return text;
    case StepKind::Instruction:
        break;
    }
    return FormatListingLine(ListInstruction(m, m.Cpu.PC));
}

}  // namespace

bool TraceStep(const Machine& m) { return std::fprintf(stderr, "%s\n", StepText(m).c_str()) >= 0; }

bool TraceStepWithRegisters(const Machine& m, unsigned long long cycles) {
    std::string text = StepText(m);
    text.resize(std::max(text.size() + 1, RegistersColumn), ' ');
    return std::fprintf(stderr, "%s%s T=%llu\n", text.c_str(), RegisterLineText(m.Cpu).c_str(), cycles) >= 0;
}

}  // namespace varnox::tool
