// The --trace output of varnox-tool run: one line on stderr before each step.
#pragma once

#include "core/Def.h"

namespace varnox::tool {

void TraceStep(Machine& m);

}  // namespace varnox::tool
