// Placeholder until the assembly language lands.
#include <cstdio>

#include "Commands.h"

namespace varnox::tool {

static int NotYet() {
    std::fprintf(stderr, "varnox-tool: not available yet\n");
    return 2;
}

int LineCommand(const Args&) { return NotYet(); }
int DisCommand(const Args&) { return NotYet(); }
int ListCommand(const Args&) { return NotYet(); }
int AsmCommand(const Args&) { return NotYet(); }

}  // namespace varnox::tool
