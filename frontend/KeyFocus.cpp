#include "frontend/KeyFocus.h"

#include <QApplication>
#include <QEvent>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>

namespace varnox {

TKeyFocus::TKeyFocus(QWidget* window, QMenuBar* menuBar) : QObject(window), window_(window), menuBar_(menuBar) {
    qApp->installEventFilter(this);
}

bool TKeyFocus::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::FocusIn && watched == menuBar_) {
        TakeBackSoon();
    } else if ((type == QEvent::Hide || type == QEvent::WindowActivate) && watched != window_ && watched->isWidgetType()) {
        // A window closed, or one made active only once it had gone (the
        // window system's word can come after the close).
        const auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && (type == QEvent::Hide || !widget->isVisible())) TakeBackSoon();
    }
    return false;
}

void TKeyFocus::TakeBackSoon() {
    QTimer::singleShot(0, this, [this] {
        if (!window_->isVisible() || QApplication::activePopupWidget() || QApplication::activeModalWidget()) return;
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
