// How many run ticks of 10 ms each animation frame of the page runs: at a
// set speed, as many as the host time since the last frame holds at that
// speed; at Unlimited, as many as fit before the next frame is due.
#pragma once

namespace varnox::web {

// Host time in milliseconds; the page's clock, or a test's.
using HostClock = double (*)(void* context);

class FramePace {
public:
    static constexpr int Unlimited = 0;
    static constexpr double RunTickMs = 10;
    // A frame after a long pause (a hidden tab, a slow machine) catches up
    // at most this much host time, so the page never stalls to catch up.
    static constexpr double MaxCatchUpMs = 100;

    // 1, 2, 4, 8, or Unlimited.
    void SetSpeed(int speed);
    int Speed() const { return speed_; }
    // Run ticks due at a set speed after `elapsedMs` of host time; what is
    // left of a tick is kept for the next frame.
    long long TicksDue(double elapsedMs);

private:
    int speed_ = 1;
    double owedMs_ = 0;  // emulated time due, not yet run
};

}  // namespace varnox::web
