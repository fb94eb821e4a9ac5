#include "system/StateLine.h"

#include <cstdio>

namespace varnox {

std::string StateLine(const CpuState& cpu, long long steps, long long ticks) {
    char line[160];
    std::snprintf(line, sizeof line, "PC=%04X F=%02X AS=%02X KO=%02X KI=%02X IE=%02X IF=%02X HALTED=%d STEPS=%lld TICKS=%lld",
                  cpu.PC, cpu.F, cpu.AS, cpu.KO, cpu.KI, cpu.IE, cpu.IF, cpu.Halted ? 1 : 0, steps, ticks);
    return line;
}

}  // namespace varnox
