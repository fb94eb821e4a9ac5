// Short messages over the display, drawn by the window's display widget on
// top of the picture, never into the machine or the picture itself, so
// screenshots never show them. Lasting ones ("Paused", the speed) stay while
// they are set, in a strip of their own beside the display; the others show
// over it for two seconds and fade.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

namespace varnox {

// Emulated seconds of `runTicks` run ticks (10 ms each), to a tenth, as the
// messages give a recording's or a clip's length.
QString EmulatedSeconds(long long runTicks);

class TScreenMessages : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 ShowMs = 2000;  // at full strength
    static constexpr qint64 FadeMs = 500;   // then fading out
    static constexpr int MostSaid = 3;      // the older ones go first

    // Milliseconds of a steady clock; tests pass one they move.
    using TClock = std::function<qint64()>;

    explicit TScreenMessages(QObject* parent, TClock clock = TClock());
    void SetClock(TClock clock) { clock_ = std::move(clock); }

    // A message that fades; the same text again starts it anew.
    void Say(const QString& text);
    // A message shown while set, under its `id`, in the order first set;
    // an empty text takes it down.
    void SetLasting(const QString& id, const QString& text);

    struct TLine {
        QString Text;
        double Opacity;  // 0..1
    };
    // What shows now: the lasting messages, then those said, oldest first.
    std::vector<TLine> Lines() const;

    // The messages said, over `display`, the rectangle the picture fills.
    void Paint(QPainter& painter, QRect display) const;
    // The lasting ones, in `area` beside the display (they stay, so they
    // must not hide its rows), in lines `lineHeight` tall; returns where
    // they went.
    QRect PaintLasting(QPainter& painter, QRect area, int lineHeight) const;
    bool HasLasting() const { return !lasting_.empty(); }

    // Drops what has faded; asks for a repaint while anything is fading or
    // has just gone. The window's refresh calls it.
    void Tick();

signals:
    void Changed();

private:
    struct TSaid {
        QString Text;
        qint64 At;
    };
    struct TLasting {
        QString Id;
        QString Text;
    };
    double OpacityAt(const TSaid& said, qint64 now) const;

    TClock clock_;
    std::vector<TLasting> lasting_;
    std::vector<TSaid> said_;
};

}  // namespace varnox
