// The threaded timer: tick rate, restarts, zero intervals, disabling, and
// destruction that never deadlocks nor fires a last tick.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <memory>
#include <stdexcept>

#include "frontend/ThdTimer.h"

using varnox::TThreadedTimer;

namespace {

// Runs the event loop for a while. (QTest::qWait sleeps between rounds of
// events, which would hold back every tick.)
void Spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
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

    // 10 ms gives about 100 ticks a second, each on the user-interface
    // thread and never two at once.
    void TenMillisecondsGiveAHundredTicksASecond() {
        TThreadedTimer timer;
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
        QElapsedTimer clock;
        clock.start();
        Spin(1000);
        const double perSecond = ticks * 1000.0 / static_cast<double>(clock.elapsed());
        qInfo("threaded timer at 10 ms: %.1f ticks per second", perSecond);
        QVERIFY2(perSecond > 70 && perSecond <= 101, qPrintable(QString::number(perSecond)));
        QVERIFY(!overlapped);
        QVERIFY(!offThread);
        QCOMPARE(sender, &timer);
    }

    // A slow handler delays the next tick; the lost time is not made up.
    void SlowHandlerTicksDoNotPileUp() {
        TThreadedTimer timer;
        int ticks = 0;
        timer.SetOnTimer([&](QObject*) {
            ++ticks;
            QThread::msleep(30);
        });
        timer.SetInterval(10);
        timer.SetEnabled(true);
        Spin(400);
        timer.SetEnabled(false);
        QVERIFY2(ticks >= 5 && ticks <= 11, qPrintable(QString::number(ticks)));
    }

    // The first tick comes one full interval after enabling, and a new
    // interval restarts the wait.
    void IntervalChangeRestartsTheWait() {
        TThreadedTimer timer;
        QElapsedTimer clock;
        qint64 firstTick = -1;
        timer.SetOnTimer([&](QObject*) {
            if (firstTick < 0) firstTick = clock.elapsed();
        });
        timer.SetInterval(200);
        clock.start();
        timer.SetEnabled(true);
        Spin(120);
        QCOMPARE(firstTick, -1);
        timer.SetInterval(150);
        QCOMPARE(timer.Enabled(), true);
        QCOMPARE(timer.Interval(), 150u);
        QTRY_VERIFY_WITH_TIMEOUT(firstTick >= 0, 2000);
        QVERIFY2(firstTick >= 265, qPrintable(QString::number(firstTick)));
    }

    void ZeroIntervalRunsOnlyWhenAllowed() {
        TThreadedTimer timer;
        int ticks = 0;
        timer.SetOnTimer([&](QObject*) { ++ticks; });
        timer.SetInterval(0);
        timer.SetEnabled(true);
        QCOMPARE(timer.Enabled(), true);
        Spin(100);
        QCOMPARE(ticks, 0);

        timer.SetEnabled(false);
        timer.SetAllowZero(true);
        timer.SetEnabled(true);
        Spin(100);
        QVERIFY2(ticks > 50, qPrintable(QString::number(ticks)));
    }

    // A tick already handed over when the timer is disabled does nothing.
    void DisablingDropsATickHandedOver() {
        TThreadedTimer timer;
        int ticks = 0;
        timer.SetOnTimer([&](QObject*) { ++ticks; });
        timer.SetAllowZero(true);
        timer.SetInterval(0);
        timer.SetEnabled(true);
        QThread::msleep(30);  // the worker hands a tick over meanwhile
        timer.SetEnabled(false);
        Spin(50);
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
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 2000);
    }

    // Destroying enabled and disabled timers, including while the worker
    // waits for the user-interface thread to run a tick, ends at once and
    // fires nothing afterwards.
    void DestructionNeverDeadlocksNorFires() {
        QElapsedTimer clock;
        clock.start();
        auto* random = QRandomGenerator::global();
        int ticks = 0;
        for (int round = 0; round < 400; ++round) {
            auto timer = std::make_unique<TThreadedTimer>();
            timer->SetOnTimer([&](QObject*) { ++ticks; });
            switch (round % 4) {
                case 0: break;  // never enabled
                case 1:
                    timer->SetAllowZero(true);
                    timer->SetInterval(0);
                    timer->SetEnabled(true);
                    QThread::usleep(500 + random->bounded(1500));  // a tick is surely pending
                    break;
                case 2:
                    timer->SetInterval(1);
                    timer->SetEnabled(true);
                    QCoreApplication::processEvents();
                    QThread::usleep(random->bounded(3000));
                    break;
                case 3:
                    timer->SetInterval(1);
                    timer->SetEnabled(true);
                    QThread::usleep(random->bounded(2000));
                    timer->SetEnabled(false);
                    break;
            }
            const int ticksBefore = ticks;
            timer.reset();
            QCoreApplication::processEvents();  // a tick left queued must not run
            QCOMPARE(ticks, ticksBefore);
        }
        QVERIFY2(clock.elapsed() < 10000, "destruction took too long");
    }
};

QTEST_MAIN(ThdTimerTest)
#include "ThdTimerTest.moc"
