#include "frontend/RunSpeed.h"

#include <QStringList>

namespace varnox {

void TRunSpeed::SetPaused(bool paused) {
    paused_ = paused;
    emit Changed();
}

void TRunSpeed::SetSpeed(int speed) {
    speed_ = speed;
    measuredSpeed_ = 0;
    emit Changed();
}

void TRunSpeed::SetFastForward(bool on) {
    fastForward_ = on;
    measuredSpeed_ = 0;
    emit Changed();
}

void TRunSpeed::MeasureSpeed() {
    if (!speedClock_.isValid()) speedClock_.start();
    const qint64 elapsed = speedClock_.elapsed();
    if (elapsed < 1000) return;
    const bool full = speed_ == 0 || fastForward_;
    measuredSpeed_ = static_cast<int>(runTicksCounted_ * runIntervalMs_ / elapsed);
    runTicksCounted_ = 0;
    speedClock_.restart();
    if (full) emit Changed();
}

QString TRunSpeed::Title(const QString& caption) const {
    QStringList state;
    const QString reached = measuredSpeed_ > 0 ? QStringLiteral(" (%1x)").arg(measuredSpeed_) : QString();
    if (fastForward_) {
        state << QStringLiteral("fast-forward") + reached;
    } else if (speed_ == 0) {
        state << QStringLiteral("unlimited") + reached;
    } else if (speed_ != 1) {
        state << QStringLiteral("%1x").arg(speed_);
    }
    if (paused_) state << QStringLiteral("paused");
    return state.isEmpty() ? caption : caption + QStringLiteral(" - ") + state.join(QStringLiteral(", "));
}

QString TRunSpeed::SpeedText() const {
    const QString reached = measuredSpeed_ > 0 ? QStringLiteral(" %1x").arg(measuredSpeed_) : QString();
    if (fastForward_) return QStringLiteral("Fast-forward") + reached;
    if (speed_ == 0) return QStringLiteral("Unlimited") + reached;
    return speed_ == 1 ? QString() : QStringLiteral("%1x").arg(speed_);
}

}  // namespace varnox
