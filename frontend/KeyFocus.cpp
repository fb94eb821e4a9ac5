#include "frontend/KeyFocus.h"

#include <QApplication>
#include <QEvent>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>
#include <QWidget>

namespace varnox {

TKeyFocus::TKeyFocus(QWidget* window, QMenuBar* menuBar) : QObject(window), window_(window), menuBar_(menuBar) {
    menuBar_->installEventFilter(this);
    qApp->installEventFilter(this);
    // A menu or dialog closed: the keyboard went with it to another window,
    // or to none where no window manager hands it on; or it goes to the
    // menu or dialog only once that has gone (the window system's word can
    // come after the close).
    // Another program taking the keyboard is left alone: then the window
    // that had it is still there.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focused) {
        const bool gone = lastFocus_ && !lastFocus_->isVisible();
        lastFocus_ = focused;
        if (gone || (focused && !focused->isVisible())) TakeBackSoon();
    });
}

bool TKeyFocus::eventFilter(QObject* watched, QEvent* event) {
    if (watched == menuBar_ && event->type() == QEvent::FocusIn) TakeBackSoon();
    // Shown first: where no window manager gives it the keyboard, the keys
    // would reach it only under the pointer, and its shortcuts not before a
    // click. (The window system activates it once it is on the screen.)
    if (watched == window_ && event->type() == QEvent::Show && !shownOnce_) {
        shownOnce_ = true;
        window_->activateWindow();
    }
    // A dialog or menu of the program gone: where no window manager hands
    // the keyboard on, it falls to the screen's root, and the window system
    // may say nothing more of it to the program.
    if (event->type() == QEvent::Hide && watched != window_ && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
        TakeBackSoon();
    }
    return false;
}

void TKeyFocus::TakeBackSoon() {
    QTimer::singleShot(0, this, [this] {
        const auto up = [](const QWidget* w) { return w && w->isVisible(); };
        if (!window_->isVisible() || up(QApplication::activePopupWidget()) || up(QApplication::activeModalWidget())) return;
        // A window that has gone (the menu, the dialog) may still count as
        // active where no window manager moves the keyboard on.
        const QWidget* active = QApplication::activeWindow();
        if (active && active != window_ && active->isVisible()) return;
        if (active != window_) window_->activateWindow();
        // From the menu bar: its focus-out ends its keyboard mode.
        if (QApplication::focusWidget() != window_) window_->setFocus(Qt::OtherFocusReason);
    });
}

}  // namespace varnox
