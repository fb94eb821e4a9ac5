// The threaded timer: tick rate, restarts, zero intervals, disabling, and
// destruction that never deadlocks nor fires a last tick. Time is a clock
// the test moves, so a busy host changes nothing but how long it takes.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>

#include "frontend/ThdTimer.h"

using varnox::TThreadedTimer;
using namespace std::chrono_literals;

namespace {

constexpr int Bound = 10000;  // ms of host time for any condition to come true

// Time that moves only when the test says so.
class ManualClock final : public varnox::TTimerClock {
public:
    TimePoint Now() const override { return TimePoint(std::chrono::nanoseconds(now_.load())); }

    bool WaitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock, TimePoint deadline,
                   const std::function<bool()>& done) override {
        bool signalled = true;
        while (!done()) {
            if (Now() >= deadline) {
                signalled = false;
                break;
            }
            deadline_ = deadline.time_since_epoch().count();
            // The test moves time without the worker's lock, so no one
            // notifies this wait of it: look again each millisecond.
            wake.wait_for(lock, 1ms);
        }
        deadline_ = NotWaiting;
        return signalled;
    }

    void Set(TimePoint at) { now_ = at.time_since_epoch().count(); }
    void Advance(std::chrono::milliseconds by) { now_ += std::chrono::nanoseconds(by).count(); }

    // The deadline of the wait the worker is in, if any.
    std::optional<TimePoint> Deadline() const {
        const long long deadline = deadline_.load();
        if (deadline == NotWaiting) return std::nullopt;
        return TimePoint(std::chrono::nanoseconds(deadline));
    }

private:
    static constexpr long long NotWaiting = -1;
    std::atomic<long long> now_{0};
    std::atomic<long long> deadline_{NotWaiting};
};

// Runs the event loop until `condition` holds. (QTest::qWaitFor sleeps
// 10 ms between rounds, a hundred ticks would take seconds.)
bool Await(const std::function<bool()>& condition) {
    QElapsedTimer bound;
    bound.start();
    while (!condition()) {
        if (bound.elapsed() > Bound) return false;
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return true;
}

// The deadline of the worker's first wait past `after`, once it waits on it.
std::optional<ManualClock::TimePoint> NextDeadline(const ManualClock& clock, ManualClock::TimePoint after) {
    std::optional<ManualClock::TimePoint> deadline;
    const bool waiting = Await([&] {
        deadline = clock.Deadline();
        return deadline && *deadline > after;
    });
    return waiting ? deadline : std::nullopt;
}

// Waits without running the event loop, so a tick handed over stays queued.
bool AwaitWithoutEvents(const std::function<bool()>& condition) {
    QElapsedTimer bound;
    bound.start();
    while (!condition()) {
        if (bound.elapsed() > Bound) return false;
        QThread::msleep(1);
    }
    return true;
}

// Lets the clock reach the worker's next deadline and a tick hand itself
// over, without running it.
bool HandATickOver(TThreadedTimer& timer, ManualClock& clock) {
    const auto deadline = NextDeadline(clock, clock.Now());
    if (!deadline) return false;
    clock.Set(*deadline);
    return AwaitWithoutEvents([&] { return timer.Thread().TickPending(); });
}

}  // namespace

class ThdTimerTest : public QObject {
    Q_OBJECT
private slots:
    void DefaultsAreDisabledAndOneSecond() {
        TThreadedTimer timer;
        QCOMPARE(timer.Enabled(), false);
        QCOMPARE(timer.Interval(), 1000u);
        QCOMPARE(timer.AllowZero(), false);
        QCOMPARE(timer.ThreadPriority(), QThread::NormalPriority);
        timer.SetThreadPriority(QThread::HighPriority);
        QCOMPARE(timer.ThreadPriority(), QThread::HighPriority);
    }

    // 10 ms gives 100 ticks in a second: each wait ends one interval after
    // the one before was due, each tick runs on the user-interface thread
    // and never two at once.
    void TenMillisecondsGiveAHundredTicksASecond() {
        ManualClock clock;
        TThreadedTimer timer(nullptr, clock);
        int ticks = 0;
        bool inside = false;
        bool overlapped = false;
        bool offThread = false;
        QObject* sender = nullptr;
        timer.SetOnTimer([&](QObject* from) {
            overlapped |= inside;
            inside = true;
            offThread |= QThread::currentThread() != qApp->thread();
            sender = from;
            ++ticks;
            inside = false;
        });
        timer.SetInterval(10);
        timer.SetEnabled(true);
        const auto start = clock.Now();
        auto due = start;
        for (int n = 1; n <= 100; ++n) {
            const auto deadline = NextDeadline(clock, due);
            QVERIFY(deadline);
            QCOMPARE(*deadline - due, 10ms);
            clock.Set(*deadline);
            QVERIFY(Await([&] { return ticks == n; }));
            due = *deadline;
        }
        QCOMPARE(clock.Now() - start, 1s);
        QCOMPARE(ticks, 100);
        QVERIFY(!overlapped);
        QVERIFY(!offThread);
        QCOMPARE(sender, &timer);
    }

    // A handler that fills the time between ticks reads when the next one
    // is due; returning before then, it gets that tick on time.
    void NextTickDueIsWhenTheNextTickComes() {
        ManualClock clock;
        TThreadedTimer timer(nullptr, clock);
        std::optional<ManualClock::TimePoint> due;
        int ticks = 0;
        timer.SetOnTimer([&](QObject*) {
            due = timer.NextTickDue();
            clock.Advance(7ms);  // busy up to a little before it
            ++ticks;
        });
        timer.SetInterval(10);
        timer.SetEnabled(true);
        for (int n = 1; n <= 3; ++n) {
            const auto deadline = NextDeadline(clock, clock.Now());
            QVERIFY(deadline);
            if (due) QCOMPARE(*deadline, *due);
            clock.Set(*deadline);
            QVERIFY(Await([&] { return ticks == n; }));
            QCOMPARE(*due, *deadline + 10ms);
        }
    }

    // A slow handler delays the next tick; the lost time is not made up.
    void SlowHandlerTicksDoNotPileUp() {
        ManualClock clock;
        TThreadedTimer timer(nullptr, clock);
        int ticks = 0;
        timer.SetOnTimer([&](QObject*) {
            ++ticks;
            clock.Advance(30ms);
        });
        timer.SetInterval(10);
        timer.SetEnabled(true);
        auto deadline = NextDeadline(clock, clock.Now());
        for (int n = 1; n <= 3; ++n) {
            QVERIFY(deadline);
            clock.Set(*deadline);
            QVERIFY(Await([&] { return ticks == n; }));
            const auto handlerEnd = clock.Now();
            QCOMPARE(handlerEnd - *deadline, 30ms);
            // The next wait that can end in a tick (one the worker began
            // while the handler ran has passed with none).
            deadline = NextDeadline(clock, handlerEnd);
            QVERIFY(deadline);
            QCOMPARE(*deadline - handlerEnd, 10ms);
            QCOMPARE(ticks, n);
        }
    }

    // The first tick comes one full interval after enabling, and a new
    // interval restarts the wait.
    void IntervalChangeRestartsTheWait() {
        ManualClock clock;
        TThreadedTimer timer(nullptr, clock);
        int ticks = 0;
        timer.SetOnTimer([&](QObject*) { ++ticks; });
        timer.SetInterval(200);
        const auto start = clock.Now();
        timer.SetEnabled(true);
        const auto first = NextDeadline(clock, start);
        QVERIFY(first);
        QCOMPARE(*first - start, 200ms);
        clock.Advance(120ms);
        timer.SetInterval(150);
        QCOMPARE(timer.Enabled(), true);
        QCOMPARE(timer.Interval(), 150u);
        const auto restarted = NextDeadline(clock, *first);
        QVERIFY(restarted);
        QCOMPARE(*restarted - start, 270ms);
        QCoreApplication::processEvents();
        QCOMPARE(ticks, 0);
        clock.Set(*restarted);
        QVERIFY(Await([&] { return ticks == 1; }));
    }

    void ZeroIntervalRunsOnlyWhenAllowed() {
        TThreadedTimer timer;
        int ticks = 0;
        timer.SetOnTimer([&](QObject*) { ++ticks; });
        timer.SetInterval(0);
        timer.SetEnabled(true);
        QCOMPARE(timer.Enabled(), true);
        QVERIFY(timer.Thread().Suspended());

        timer.SetEnabled(false);
        timer.SetAllowZero(true);
        timer.SetEnabled(true);
        QVERIFY(!timer.Thread().Suspended());
        QVERIFY(Await([&] { return ticks > 50; }));
    }

    // A tick already handed over when the timer is disabled does nothing.
    void DisablingDropsATickHandedOver() {
        ManualClock clock;
        TThreadedTimer timer(nullptr, clock);
        int ticks = 0;
        timer.SetOnTimer([&](QObject*) { ++ticks; });
        timer.SetInterval(10);
        timer.SetEnabled(true);
        QVERIFY(HandATickOver(timer, clock));
        timer.SetEnabled(false);
        QVERIFY(Await([&] { return !timer.Thread().TickPending(); }));
        QCOMPARE(ticks, 0);
    }

    void ThrowingHandlerKeepsTicking() {
        TThreadedTimer timer;
        int ticks = 0;
        timer.SetOnTimer([&](QObject*) {
            ++ticks;
            throw std::runtime_error("handler failure");
        });
        timer.SetInterval(5);
        timer.SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, Bound);
    }

    // Destroying a timer in each state of its worker (never started, parked,
    // waiting, or waiting for the user-interface thread to run a tick) ends
    // the worker and fires nothing afterwards.
    void DestructionNeverDeadlocksNorFires_data() {
        QTest::addColumn<int>("state");
        QTest::newRow("never enabled") << 0;
        QTest::newRow("disabled") << 1;
        QTest::newRow("waiting") << 2;
        QTest::newRow("tick handed over") << 3;
    }
    void DestructionNeverDeadlocksNorFires() {
        QFETCH(int, state);
        int ticks = 0;
        for (int round = 0; round < 25; ++round) {
            ManualClock clock;
            auto timer = std::make_unique<TThreadedTimer>(nullptr, clock);
            timer->SetOnTimer([&](QObject*) { ++ticks; });
            timer->SetInterval(10);
            if (state > 0) timer->SetEnabled(true);
            if (state == 1) timer->SetEnabled(false);
            if (state == 2) QVERIFY(NextDeadline(clock, clock.Now()));
            if (state == 3) QVERIFY(HandATickOver(*timer, clock));
            timer.reset();
            QCoreApplication::processEvents();  // a tick left queued must not run
            QCOMPARE(ticks, 0);
        }
    }
};

QTEST_MAIN(ThdTimerTest)
#include "ThdTimerTest.moc"
