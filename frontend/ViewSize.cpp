#include "frontend/ViewSize.h"

#include <QFont>
#include <QFrame>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

#include "frontend/MainWidgets.h"
#include "frontend/WindowSettings.h"

namespace varnox {
namespace {

constexpr int LayoutFontPixels = 11;
constexpr int WindowDotScale = 2;  // the window's display shows each dot as 2 x 2 pixels at 1x

// A fixed font by pixel size, closest to what the window was drawn for.
QFont LayoutFont(int scale) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(LayoutFontPixels * scale);
    return font;
}

QRect Scaled(QRect r, int scale) { return QRect(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale); }

}  // namespace

TViewSize::TViewSize(QWidget* window, QSize client, QSize dots)
    : window_(window),
      client_(new QWidget(window)),
      stage_(new TDisplayStage(window, dots)),
      clientSize_(client),
      dots_(dots),
      size_(std::clamp(TWindowSettings::ViewSize(1), 1, Largest)),
      displayOnly_(TWindowSettings::DisplayOnly()) {
    client_->setObjectName(QStringLiteral("client"));
    stage_->setObjectName(QStringLiteral("displayStage"));
    stage_->hide();
    auto* layout = new QVBoxLayout(window_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(client_);
    layout->addWidget(stage_);
    while (size_ > 1 && !Fits(size_)) --size_;
}

void TViewSize::SetMenuBar(QMenuBar* menuBar) {
    menuBar_ = menuBar;
    window_->layout()->setMenuBar(menuBar);
}

void TViewSize::Place(QWidget* control, QRect place) {
    places_.insert(control, place);
    if (!place.isEmpty()) control->setGeometry(Scaled(place, size_));
}

QSize TViewSize::WindowSize(int size) const {
    const QSize inner = displayOnly_ ? dots_ * WindowDotScale * size : clientSize_ * size;
    return inner + QSize(0, menuBar_ ? menuBar_->sizeHint().height() : 0);
}

bool TViewSize::Fits(int size) const {
    if (size == 1) return true;
    const QScreen* screen = window_->screen();
    if (!screen) return false;
    // The frame is known once the window is on the screen.
    const QSize frame = window_->isVisible() ? window_->frameGeometry().size() - window_->geometry().size() : QSize();
    const QSize needed = WindowSize(size) + frame;
    const QSize available = screen->availableGeometry().size();
    return needed.width() <= available.width() && needed.height() <= available.height();
}

bool TViewSize::SetSize(int size) {
    if (size < 1 || size > Largest || !Fits(size)) return false;
    size_ = size;
    TWindowSettings::StoreViewSize(size_);
    if (!fullscreen_) Apply();
    return true;
}

void TViewSize::SetDisplayOnly(bool on) {
    displayOnly_ = on;
    TWindowSettings::StoreDisplayOnly(on);
    // The whole face may not fit at the size the display alone did.
    while (size_ > 1 && !Fits(size_)) --size_;
    if (!fullscreen_) Apply();
}

void TViewSize::SetFullscreen(bool on) {
    if (on == fullscreen_) return;
    fullscreen_ = on;
    if (on) normalPlace_ = window_->pos();
    Apply();
    if (on) {
        // Covers the screen itself where no window manager does it.
        if (const QScreen* screen = window_->screen()) window_->setGeometry(screen->geometry());
        window_->showFullScreen();
    } else {
        window_->showNormal();
        // Back to its size and place once the window system has the window again.
        Apply();
        window_->move(normalPlace_);
    }
}

QPoint TViewSize::WindowPlace() const { return fullscreen_ ? normalPlace_ : window_->pos(); }

int TViewSize::DotScale() const {
    return fullscreen_ || displayOnly_ ? stage_->DotScale() : WindowDotScale * size_;
}

QRect TViewSize::MenuArea(const QWidget* frame) const {
    if (fullscreen_ || displayOnly_) return stage_->geometry();
    return QRect(frame->mapTo(window_, QPoint(0, 0)), frame->size());
}

void TViewSize::Apply() {
    const int k = size_;
    const bool stageShown = fullscreen_ || displayOnly_;
    auto* layout = window_->layout();
    if (menuBar_) menuBar_->setVisible(!fullscreen_);
    client_->setVisible(!stageShown);
    stage_->setVisible(stageShown);
    if (fullscreen_) {
        layout->setSizeConstraint(QLayout::SetNoConstraint);
        window_->setMinimumSize(0, 0);
        window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        stage_->setMinimumSize(0, 0);
        stage_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        layout->setSizeConstraint(QLayout::SetFixedSize);
        stage_->setFixedSize(dots_ * WindowDotScale * k);
    }
    if (display_) {
        if (stageShown) {
            stage_->Hold(display_);
        } else if (display_->parentWidget() != client_) {
            stage_->Hold(nullptr);
            display_->setParent(client_);
            display_->show();
        }
    }
    client_->setFixedSize(clientSize_ * k);
    // The face's own font: the menu bar keeps the desktop's.
    client_->setFont(LayoutFont(k));
    for (auto place = places_.cbegin(); place != places_.cend(); ++place) {
        QWidget* control = place.key();
        if (auto* button = qobject_cast<TSpeedButton*>(control)) button->SetViewScale(k);
        if (auto* frame = qobject_cast<QFrame*>(control); frame && frame->frameShape() != QFrame::NoFrame) {
            frame->setLineWidth(k);
        }
        if (control == display_ && stageShown) continue;
        if (place.value().isEmpty()) {
            control->move(place.value().topLeft() * k);
            control->adjustSize();
        } else {
            control->setGeometry(Scaled(place.value(), k));
        }
    }
    layout->activate();
}

}  // namespace varnox
