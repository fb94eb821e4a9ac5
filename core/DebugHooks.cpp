#include "core/DebugHooks.h"

#include "core/Def.h"

namespace varnox {

void WatchAccess(const Machine& m, uint16_t address, uint8_t kind) {
    AccessWatch& watch = *m.Watch;
    if (watch.First.Hit || !(watch.Kinds[WatchedAddress(address)] & kind)) return;
    watch.First = {true, kind, address, MemReadUngated(m, address), m.Cpu.InstrPC};
}

}  // namespace varnox
