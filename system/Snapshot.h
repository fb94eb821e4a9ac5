// Copies of the machine kept in memory: what a save state holds (the
// fields Machine::Fields lists, core/Def.h), as raw bytes without checks,
// for going back in time within one session.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/Def.h"

namespace varnox {

// Bytes of one copy.
size_t SnapshotBytes();

// Copies the machine's saved fields into `into` (SnapshotBytes() long).
void TakeSnapshot(const Machine& m, std::span<uint8_t> into);
// Puts them back; the ROMs, settings and run control stay as they are.
void RestoreSnapshot(Machine& m, std::span<const uint8_t> from);

// The newest copies taken every RewindStepTicks run ticks, as far back as
// RewindSeconds, in one block of memory taken at the first copy.
class RewindRing {
public:
    static constexpr long long RewindStepTicks = 10;  // a tenth of a second
    static constexpr long long RewindSeconds = 60;
    static constexpr size_t Capacity = RewindSeconds * 100 / RewindStepTicks;

    // Keeps a copy of the machine as it stands at run tick `tick`.
    void Take(const Machine& m, long long tick);
    // Whether run tick `tick` is one to keep a copy at.
    static bool Due(long long tick) { return tick % RewindStepTicks == 0; }

    // Puts the machine back to the newest copy before run tick `tick`, and
    // forgets the copies after it; returns its tick, or -1 when there is
    // none.
    long long StepBack(Machine& m, long long tick);

    size_t Count() const { return count_; }
    long long OldestTick() const;
    void Clear() { count_ = 0; }

private:
    size_t Index(size_t fromNewest) const { return (newest_ + Capacity - fromNewest) % Capacity; }

    std::vector<uint8_t> block_;
    std::vector<long long> ticks_;
    size_t bytes_ = 0;
    size_t newest_ = 0;
    size_t count_ = 0;
};

}  // namespace varnox
