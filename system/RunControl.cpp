// The stops of a run, tested in one place, and the run control's start.
#include "system/RunControl.h"

#include "system/RunLoop.h"

namespace varnox {

RunStopKind StopAfterStep(RunStops& stops, Machine& m, bool requested) {
    const bool condition = stops.Conditions && stops.Conditions->ShouldStop(m);
    RunStopKind stop = RunStopKind::None;
    if (stops.StepCount > 0 && --stops.StepCount == 0) stop = RunStopKind::StepCount;
    if (stops.ReplaySteps > 0 && --stops.ReplaySteps == 0 && stop == RunStopKind::None) stop = RunStopKind::ReplayEnd;
    if (stop != RunStopKind::None) return stop;
    if (stops.BreakAddress >= 0 && stops.BreakAddress == m.Cpu.PC) return RunStopKind::BreakAddress;
    if (condition) return RunStopKind::Conditions;
    if (requested) return RunStopKind::Requested;
    return RunStopKind::None;
}

RunControl RunControl::Started(int32_t oscFreq, int32_t intervalMs) {
    RunControl run;
    run.CyclesPerTick = ComputeCyclesPerTick(intervalMs, oscFreq);
    return run;
}

}  // namespace varnox
