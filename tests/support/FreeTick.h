// A run tick of a machine left to run: nothing held, no stops, the grant of
// a run tick at its OscFreq, as a session gives before anyone touches the
// run control.
#pragma once

#include "core/Def.h"
#include "system/RunControl.h"
#include "system/RunLoop.h"

namespace varnox::test {

inline RunStopKind FreeTick(Machine& m) {
    RunControl run = RunControl::Started(m.Config.OscFreq);
    return OnRunTimer(m, run);
}

}  // namespace varnox::test
