// How many run ticks of 10 ms a pacing event of a front end runs (a tick of
// the window's run timer, an animation frame of the page): at a set speed,
// as many as the host time since the last event holds at that speed; at
// Unlimited, as many as fit before the front end must be back.
#pragma once

#include <functional>

namespace varnox {

// Host time in milliseconds: the front end's clock, or a test's.
using HostClock = std::function<double()>;

// One pacing event: the host time it stands for, and when the front end
// must be back.
struct PaceEvent {
    double ElapsedMs = 0;
    double UntilMs = 0;
};

class FramePace {
public:
    static constexpr int Unlimited = 0;
    static constexpr double RunTickMs = 10;
    // An event after a long pause (a hidden tab, a slow machine) catches up
    // at most this much host time, so the front end never stalls to catch up.
    static constexpr double MaxCatchUpMs = 100;

    // 1, 2, 4, 8, or Unlimited.
    void SetSpeed(int speed);
    int Speed() const { return speed_; }
    // Run ticks due at a set speed after `elapsedMs` of host time; what is
    // left of a tick is kept for the next event.
    long long TicksDue(double elapsedMs);

private:
    int speed_ = 1;
    double owedMs_ = 0;  // emulated time due, not yet run
};

// At Unlimited, run ticks go back to back while another, as long as the
// last one (`last` to `now`), still ends before `until`, when the front end
// must be back. Any clock: the window's time points, the page's
// milliseconds.
template <class Time>
constexpr bool AnotherTickFits(Time now, Time last, Time until) {
    return now + (now - last) < until;
}

}  // namespace varnox
