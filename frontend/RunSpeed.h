// How fast the machine runs: paused or not, 1x to 8x or as many run ticks
// as fit (whole run ticks per timer tick, each exactly as at 1x), and
// fast-forward while Tab is held; at full speed, the speed reached.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

namespace varnox {

class TRunSpeed : public QObject {
    Q_OBJECT
public:
    static constexpr int Speeds[] = {1, 2, 4, 8};

    // `runIntervalMs`: the run timer's interval, the time one run tick stands for.
    explicit TRunSpeed(int runIntervalMs) : runIntervalMs_(runIntervalMs) {}

    bool Paused() const { return paused_; }
    int Speed() const { return speed_; }  // run ticks per timer tick; 0: as many as fit
    bool FastForward() const { return fastForward_; }

    void SetPaused(bool paused);
    void SetSpeed(int speed);
    void SetFastForward(bool on);

    void CountRunTick() { ++runTicksCounted_; }
    // Each second of host time, the run ticks counted give the speed reached.
    void MeasureSpeed();

    // The window's caption with the state: "Varnox emulator - 2x, paused".
    QString Title(const QString& caption) const;
    // The speed as the display says it while it is not 1x: "2x",
    // "Fast-forward 7x"; empty at 1x.
    QString SpeedText() const;

signals:
    void Changed();

private:
    int runIntervalMs_;
    bool paused_ = false;
    int speed_ = 1;
    bool fastForward_ = false;
    long long runTicksCounted_ = 0;
    QElapsedTimer speedClock_;
    int measuredSpeed_ = 0;
};

}  // namespace varnox
