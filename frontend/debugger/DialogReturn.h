// A dialog opened from one of the debugger's windows gives the keyboard
// back to that window when it closes. Left to itself the window system
// hands it to whichever window it likes: the emulator's, raised over the
// debugger, where the debugger's keys then reach the calculator.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace varnox {

// Runs `dialog` (which opens a dialog over `from` and waits for it) and
// returns what it returns, the keyboard back with the widget that had it.
template <typename Dialog>
auto ReturningFrom(QWidget* from, Dialog dialog) {
    const QPointer<QWidget> window = from->window();
    const QPointer<QWidget> focus = QApplication::focusWidget();
    auto result = dialog();
    if (window && window->isVisible()) {
        window->raise();
        window->activateWindow();
        if (focus && focus->window() == window) focus->setFocus(Qt::ActiveWindowFocusReason);
    }
    return result;
}

}  // namespace varnox
