// The worker never blocks on the user-interface thread in a way the
// destructor could not undo: it posts the tick as a queued call and then
// waits on its own condition, which termination also ends. The posted call
// dies with the timer object if the timer goes first.
#include "frontend/ThdTimer.h"

#include <QtGlobal>

#include <chrono>
#include <exception>

namespace varnox {

TTimerClock& TTimerClock::Steady() {
    class SteadyClock final : public TTimerClock {
    public:
        TimePoint Now() const override { return std::chrono::steady_clock::now(); }
        bool WaitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock, TimePoint deadline,
                       const std::function<bool()>& done) override {
            return wake.wait_until(lock, deadline, done);
        }
    };
    static SteadyClock clock;  // holds no state
    return clock;
}

TTimerThread::TTimerThread(TThreadedTimer& owner, TTimerClock& clock) : owner_(owner), clock_(clock) {}

// The worker has ended: its owner waited for it. That wait synchronises
// through Qt's own locks, which a race checker does not see; taking the
// worker's lock once more shows it that the worker is done with it all.
TTimerThread::~TTimerThread() { std::lock_guard lock(mutex_); }

uint32_t TTimerThread::Interval() const {
    std::lock_guard lock(mutex_);
    return interval_;
}

void TTimerThread::SetInterval(uint32_t ms) {
    std::lock_guard lock(mutex_);
    interval_ = ms;
}

void TTimerThread::Suspend() {
    std::lock_guard lock(mutex_);
    suspended_ = true;
    wake_.notify_all();
}

void TTimerThread::Resume() {
    std::lock_guard lock(mutex_);
    suspended_ = false;
    wake_.notify_all();
}

void TTimerThread::SignalStopEvent() {
    std::lock_guard lock(mutex_);
    stopEvent_ = true;
    wake_.notify_all();
}

void TTimerThread::Terminate() {
    std::lock_guard lock(mutex_);
    terminated_ = true;
    stopEvent_ = true;
    wake_.notify_all();
}

void TTimerThread::TickDone() {
    std::lock_guard lock(mutex_);
    tickPending_ = false;
    lastDone_ = clock_.Now();
    if (waitingForTick_) wake_.notify_all();
}

bool TTimerThread::Suspended() const {
    std::lock_guard lock(mutex_);
    return suspended_;
}

bool TTimerThread::TickPending() const {
    std::lock_guard lock(mutex_);
    return tickPending_;
}

TTimerClock::TimePoint TTimerThread::LastTickDue() const {
    std::lock_guard lock(mutex_);
    return lastDue_;
}

void TTimerThread::run() {
    std::unique_lock lock(mutex_);
    // Each wait ends at most one interval after the tick before was due, so
    // a quick handler costs no drift and 10 ms gives a hundred ticks a
    // second; a late tick is not made up.
    auto deadline = clock_.Now() + std::chrono::milliseconds(interval_);
    while (!terminated_) {
        if (suspended_) {
            wake_.wait(lock, [this] { return terminated_ || !suspended_; });
            continue;
        }
        const bool woken = clock_.WaitUntil(wake_, lock, deadline, [this] { return stopEvent_ || terminated_ || suspended_; });
        if (terminated_) break;
        // Suspended mid-wait: park; whoever resumes signals StopEvent, so
        // the wait after resuming starts afresh.
        if (suspended_) continue;
        if (woken) {
            stopEvent_ = false;  // auto-reset; a signalled wait fires nothing
            deadline = clock_.Now() + std::chrono::milliseconds(interval_);
            continue;
        }
        // A handler that ran past this tick delays it: the next wait starts
        // once it has returned, and the time lost is not made up.
        if (tickPending_) {
            waitingForTick_ = true;
            wake_.wait(lock, [this] { return terminated_ || !tickPending_; });
            waitingForTick_ = false;
        }
        if (lastDone_ > deadline) {
            deadline = lastDone_ + std::chrono::milliseconds(interval_);
            continue;
        }
        tickPending_ = true;
        lastDue_ = deadline;
        lock.unlock();
        owner_.HandTickOver();
        lock.lock();
        // Straight back to sleep: a quick handler is done long before the
        // next tick, and waking only to hear so would cost an idle window
        // as much again as the tick itself.
        deadline += std::chrono::milliseconds(interval_);
    }
}

TThreadedTimer::TThreadedTimer(QObject* owner, TTimerClock& clock)
    : QObject(owner), clock_(clock), thread_(*this, clock) {
    thread_.start();
}

TThreadedTimer::~TThreadedTimer() {
    enabled_ = false;
    destroying_ = true;
    thread_.Terminate();
    thread_.wait();
}

TTimerClock::TimePoint TThreadedTimer::NextTickDue() const {
    return thread_.LastTickDue() + std::chrono::milliseconds(thread_.Interval());
}

void TThreadedTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    if (value) {
        if (thread_.Interval() > 0 || allowZero_) {
            thread_.SignalStopEvent();
            thread_.Resume();
        }
    } else {
        thread_.Suspend();
    }
}

void TThreadedTimer::SetInterval(uint32_t ms) {
    if (ms == thread_.Interval()) return;
    const bool wasEnabled = enabled_;
    SetEnabled(false);
    thread_.SetInterval(ms);
    SetEnabled(wasEnabled);
}

void TThreadedTimer::SetThreadPriority(QThread::Priority priority) {
    priority_ = priority;
    if (thread_.isRunning()) thread_.setPriority(priority);
}

void TThreadedTimer::FireTimer() {
    if (!enabled_ || !onTimer_ || destroying_) return;
    // A failing handler must not take the timer or the window down, but it
    // must not fail unseen either.
    try {
        onTimer_(this);
    } catch (const std::exception& error) {
        qWarning("timer handler failed: %s", error.what());
    } catch (...) {
        qWarning("timer handler failed with an unknown exception");
    }
}

void TThreadedTimer::HandTickOver() { QMetaObject::invokeMethod(this, "RunHandedOverTick", Qt::QueuedConnection); }

void TThreadedTimer::RunHandedOverTick() {
    FireTimer();
    thread_.TickDone();
}

}  // namespace varnox
