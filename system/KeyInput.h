// Presses and releases of the mouse and PC key slots, timed in run ticks so
// that the firmware sees every one: a press stays held until the machine
// has run MinHoldTicks after it, and a release lasts at least one run tick
// before the next press of its slot. What comes sooner waits, in order.
// Emulated time only: the same events at the same ticks change the slots at
// the same ticks, in the window or in varnox-tool.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>

#include "core/Def.h"

namespace varnox {

// 50 ms of emulated time: the firmware polls its keys far more often.
constexpr long long MinHoldTicks = 5;
// A release the firmware can see between two presses of one key.
constexpr long long MinReleaseTicks = 1;

// A change of a slot: the key it now holds (0: none), and whether the key
// scan runs on it (the window's double quote and colon skip it).
struct SlotChange {
    int32_t Key = 0;
    bool Scan = true;
    bool operator==(const SlotChange&) const = default;
};

class KeyInput {
public:
    static constexpr int Slots = 2;  // HeldMouseSlot, HeldPcKeySlot

    // Asked for at the boundary before run tick `tick`. A press of the key
    // the slot holds or will hold already is no new press (auto-repeat).
    void Press(int slot, int32_t key, bool scan = true);
    void Release(int slot);

    // The change of the slot due at the boundary before `tick`, where the
    // slot holds `held`; the caller applies it and calls again for the
    // next one. Takes it from the queue.
    std::optional<SlotChange> Take(int slot, int32_t held, long long tick);

    // Forgets what waits and counts the slots as changed at `tick` (they
    // were let go, or a state put them where they are).
    void Restart(long long tick);

    bool Waiting(int slot) const { return !slots_[static_cast<size_t>(slot)].Pending.empty(); }

private:
    struct Slot {
        std::deque<SlotChange> Pending;
        long long ChangedAt = -MinHoldTicks;  // the tick of the last change applied
    };
    std::array<Slot, Slots> slots_{};
};

}  // namespace varnox
