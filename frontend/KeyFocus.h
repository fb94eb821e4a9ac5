// Every key goes to the calculator once a menu or dialog is gone: after a
// popup or a dialog closes (by Esc, a click or a shortcut) the window takes
// the keyboard back, also where no window manager hands it over, and the
// menu bar never keeps it (Alt alone, or Esc out of a menu, would leave it
// there, and Enter would then open a menu instead of pressing `=`). A
// dialog of another window of the program (the debugger's) gives the
// keyboard back to that window instead, which stays in front.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWindow>

#include <deque>

class QMenuBar;
class QWidget;

namespace varnox {

class TKeyFocus : public QObject {
public:
    // `window` takes the keys back from `menuBar` and from closed windows.
    TKeyFocus(QWidget* window, QMenuBar* menuBar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Once the events of the close are done, unless another window of the
    // program (the debugger) has the keyboard or a menu or dialog is up:
    // to the first window up of those `closed` came from, else to the one
    // up that had the keyboard last, else to `window`.
    void TakeBackSoon(QWidget* closed = nullptr);
    void TakeBackSoon(const QWindow* closed);

    QWidget* window_;
    bool shownOnce_ = false;
    QMenuBar* menuBar_;
    QPointer<QWindow> lastFocus_;  // the window that had the keyboard
    std::deque<QPointer<QWindow>> focusHistory_;  // those before it, the latest first
};

}  // namespace varnox
