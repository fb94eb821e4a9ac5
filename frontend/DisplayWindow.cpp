#include "frontend/DisplayWindow.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QVBoxLayout>

#include "frontend/MainWidgets.h"

namespace varnox {

TDisplayWindow::TDisplayWindow(QWidget* keys, QMenu* menu, QSize dots)
    : QWidget(keys, Qt::Window), keys_(keys), menu_(menu), stage_(new TDisplayStage(this, dots)) {
    setObjectName(QStringLiteral("displayWindow"));
    setWindowTitle(QStringLiteral("Varnox display"));
    setFocusPolicy(Qt::StrongFocus);
    // The shortcuts work here as in the main window.
    addActions(keys->actions());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stage_);
    setMinimumSize(dots);
    resize(dots * 4 + QSize(0, 16));  // four pixels a dot, and a line of badges below
}

void TDisplayWindow::keyPressEvent(QKeyEvent* event) { QCoreApplication::sendEvent(keys_, event); }

void TDisplayWindow::keyReleaseEvent(QKeyEvent* event) { QCoreApplication::sendEvent(keys_, event); }

bool TDisplayWindow::focusNextPrevChild(bool) {
    return false;  // Tab and Shift+Tab are the calculator window's
}

void TDisplayWindow::contextMenuEvent(QContextMenuEvent* event) {
    menu_->popup(event->globalPos());
    event->accept();
}

void TDisplayWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (Closed) Closed();
}

}  // namespace varnox
