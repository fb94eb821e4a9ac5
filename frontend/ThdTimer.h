// A timer whose ticks are timed by a worker thread of its own and whose
// handler runs on the user-interface thread, one tick at a time: the worker
// starts its next wait only after the handler has returned, so ticks never
// overlap or pile up, and lost time is not made up.
#pragma once

#include <QObject>
#include <QThread>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "frontend/TimerClock.h"

namespace varnox {

class TThreadedTimer;

// Waits out each interval on StopEvent and hands the tick to the
// user-interface thread. Suspension is a flag the worker parks on.
class TTimerThread : public QThread {
public:
    TTimerThread(TThreadedTimer& owner, TTimerClock& clock);
    ~TTimerThread() override;

    uint32_t Interval() const;
    void SetInterval(uint32_t ms);  // only while suspended

    void Suspend();
    void Resume();
    void SignalStopEvent();
    // Ends the body at its next check, whatever it waits on.
    void Terminate();

    // Called on the user-interface thread when the handed-over tick is done.
    void TickDone();

    // Parked: created so, or disabled.
    bool Suspended() const;
    // A tick handed to the user-interface thread that has not run there yet.
    bool TickPending() const;
    // When the last tick handed over was due; the clock's epoch before the
    // first.
    TTimerClock::TimePoint LastTickDue() const;

protected:
    void run() override;

private:
    TThreadedTimer& owner_;
    TTimerClock& clock_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    uint32_t interval_ = 1000;
    bool stopEvent_ = false;  // auto-reset: a wait that sees it clears it
    bool suspended_ = true;
    bool terminated_ = false;
    bool tickPending_ = false;  // handed to the user-interface thread, not yet run
    bool waitingForTick_ = false;  // the worker waits for it to be run
    TTimerClock::TimePoint lastDone_{};  // when the handler last returned
    TTimerClock::TimePoint lastDue_{};
};

class TThreadedTimer : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TThreadedTimer(QObject* owner = nullptr, TTimerClock& clock = TTimerClock::Steady());
    ~TThreadedTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);

    uint32_t Interval() const { return thread_.Interval(); }
    void SetInterval(uint32_t ms);

    bool AllowZero() const { return allowZero_; }
    void SetAllowZero(bool value) { allowZero_ = value; }

    QThread::Priority ThreadPriority() const { return priority_; }
    void SetThreadPriority(QThread::Priority priority);

    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler) { onTimer_ = std::move(handler); }

    // Runs on the user-interface thread: one tick, if still wanted.
    void FireTimer();

    TTimerClock& Clock() const { return clock_; }
    // When the tick after the one handed over last is due, if the handler
    // returns before then: a handler that wants to fill the time between
    // ticks runs until a little before it.
    TTimerClock::TimePoint NextTickDue() const;

    const TTimerThread& Thread() const { return thread_; }

private:
    friend class TTimerThread;
    // Called by the worker: queue FireTimer on this object's thread.
    void HandTickOver();
    // The queued tick, run on this object's thread. Queued by name, so the
    // event Qt makes for it is made and read inside Qt alone: a functor
    // would be written by the worker and read here behind Qt's own lock,
    // which ThreadSanitizer cannot see.
    Q_INVOKABLE void RunHandedOverTick();

    TTimerClock& clock_;
    TTimerThread thread_;
    TNotifyEvent onTimer_;
    QThread::Priority priority_ = QThread::NormalPriority;
    bool enabled_ = false;
    bool allowZero_ = false;
    bool destroying_ = false;
};

}  // namespace varnox
