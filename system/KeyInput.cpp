#include "system/KeyInput.h"

namespace varnox {

void KeyInput::Press(int slot, int32_t key, bool scan) {
    Slot& s = slots_[static_cast<size_t>(slot)];
    // Only what is still to come is compared: the slot's present key is
    // checked when the press is taken.
    if (!s.Pending.empty() && s.Pending.back().Key == key) return;
    // Another key first lets go of the one before, so both are seen.
    if (!s.Pending.empty() && s.Pending.back().Key != 0) s.Pending.push_back({0, true});
    s.Pending.push_back({key, scan});
}

void KeyInput::Release(int slot) {
    Slot& s = slots_[static_cast<size_t>(slot)];
    if (!s.Pending.empty() && s.Pending.back().Key == 0) return;
    s.Pending.push_back({0, true});
}

std::optional<SlotChange> KeyInput::Take(int slot, int32_t held, long long tick) {
    Slot& s = slots_[static_cast<size_t>(slot)];
    while (!s.Pending.empty()) {
        const SlotChange next = s.Pending.front();
        if (next.Key == held) {
            s.Pending.pop_front();  // nothing to change: a repeat, or a release of nothing
            continue;
        }
        const long long since = tick - s.ChangedAt;
        if (held != 0 && since < MinHoldTicks) return std::nullopt;
        if (held == 0 && since < MinReleaseTicks) return std::nullopt;
        if (held != 0 && next.Key != 0) {
            // A key straight after another: the slot is let go first.
            s.ChangedAt = tick;
            return SlotChange{0, true};
        }
        s.Pending.pop_front();
        s.ChangedAt = tick;
        return next;
    }
    return std::nullopt;
}

void KeyInput::Restart(long long tick) {
    for (Slot& s : slots_) {
        s.Pending.clear();
        s.ChangedAt = tick;
    }
}

}  // namespace varnox
