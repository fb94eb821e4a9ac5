// The time the threaded timer's worker waits by: the host's steady clock,
// or in a test one that moves only when told, so that ticks are counted
// against time the test controls and never against a busy host's.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace varnox {

class TTimerClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~TTimerClock() = default;
    virtual TimePoint Now() const = 0;
    // With `lock` held: waits on `wake` until `done` holds (true) or this
    // clock reaches `deadline` (false).
    virtual bool WaitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock, TimePoint deadline,
                           const std::function<bool()>& done) = 0;

    static TTimerClock& Steady();
};

}  // namespace varnox
