// What a debugger hangs on a machine while it wants to know more: a watch
// over data addresses that the processor's accesses report to, and a test
// the run loop makes after every step. Both are off (null) unless set, and
// then cost the processor one test of a pointer.
#pragma once

#include <array>
#include <cstdint>

namespace varnox {

struct Machine;

enum AccessKind : uint8_t { AccessRead = 1, AccessWrite = 2 };

// The address a watch files an access under: RAM is seen four times in
// the data space, and each of its bytes is watched wherever it is reached.
constexpr uint16_t WatchedAddress(uint16_t address) {
    return (address & 0x4000) ? static_cast<uint16_t>(0xC000 | (address & 0x1FFF)) : address;
}

// The first watched access of a step, as the processor made it.
struct WatchHit {
    bool Hit = false;
    uint8_t Kind = 0;      // AccessRead or AccessWrite
    uint16_t Address = 0;  // as the instruction gave it
    uint8_t Old = 0;       // the byte before the access
    uint16_t Pc = 0;       // the instruction that made it
};

struct AccessWatch {
    // Per watched address (WatchedAddress): the kinds of access that stop.
    std::array<uint8_t, 0x10000> Kinds{};
    WatchHit First;
};

// Asked by the run loop after every step while set; true stops the run
// and shows the debugger.
class StopCheck {
public:
    virtual bool ShouldStop(Machine& m) = 0;

protected:
    ~StopCheck() = default;
};

// Files an access with the watch; the processor calls it only while one is
// set.
void WatchAccess(const Machine& m, uint16_t address, uint8_t kind);

}  // namespace varnox
