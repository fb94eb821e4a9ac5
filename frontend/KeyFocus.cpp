#include "frontend/KeyFocus.h"

#include <QApplication>
#include <QEvent>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>
#include <QWidget>

#include <vector>

namespace varnox {
namespace {

// Enough to reach past a dialog and its popups to the window it came from.
constexpr size_t FocusHistoryLength = 8;

// The window and those it came from, each the one its parent widget is in:
// found while the closed window is still there (a dialog may be deleted
// before the keyboard is handed on).
std::vector<QPointer<QWidget>> Owners(QWidget* window) {
    std::vector<QPointer<QWidget>> owners;
    for (QWidget* at = window; at; at = at->parentWidget() ? at->parentWidget()->window() : nullptr) owners.push_back(at);
    return owners;
}

QWidget* WidgetOf(const QWindow* window) {
    for (; window; window = window->transientParent()) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->windowHandle() == window) return top;
        }
    }
    return nullptr;
}

}  // namespace


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
        const QPointer<QWindow> last = lastFocus_;
        const bool gone = last && !last->isVisible();
        lastFocus_ = focused;
        if (focused) {
            focusHistory_.push_front(focused);
            if (focusHistory_.size() > FocusHistoryLength) focusHistory_.pop_back();
        }
        if (gone || (focused && !focused->isVisible())) TakeBackSoon(gone ? last.data() : focused);
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
        TakeBackSoon(static_cast<QWidget*>(watched));
    }
    return false;
}

void TKeyFocus::TakeBackSoon(const QWindow* closed) { TakeBackSoon(WidgetOf(closed)); }

void TKeyFocus::TakeBackSoon(QWidget* closed) {
    QTimer::singleShot(0, this, [this, owners = Owners(closed)] {
        const auto up = [](const QWidget* w) { return w && w->isVisible(); };
        if (up(QApplication::activePopupWidget()) || up(QApplication::activeModalWidget())) return;
        QWidget* target = nullptr;
        for (const QPointer<QWidget>& owner : owners) {
            if (up(owner)) {
                target = owner;
                break;
            }
        }
        for (const QPointer<QWindow>& window : focusHistory_) {
            if (target) break;
            if (QWidget* had = WidgetOf(window); window && window->isVisible() && up(had)) target = had;
        }
        if (!target) target = window_;
        if (!target->isVisible()) return;
        // A window that has gone (the menu, the dialog) may still count as
        // active where no window manager moves the keyboard on.
        const QWidget* active = QApplication::activeWindow();
        if (active && active != target && active->isVisible()) return;
        if (active != target) target->activateWindow();
        // From the menu bar: its focus-out ends its keyboard mode.
        if (target == window_ && QApplication::focusWidget() != window_) window_->setFocus(Qt::OtherFocusReason);
    });
}

}  // namespace varnox
