#include "frontend/ViewSize.h"

#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include "frontend/DisplayWindow.h"
#include "frontend/MainWidgets.h"
#include "frontend/ScaledFace.h"
#include "frontend/WindowSettings.h"
#include "system/FaceLayout.h"

namespace varnox {
namespace {

// Smaller than this the keys are too small to hit.
constexpr double SmallestScale = 0.5;

}  // namespace

TViewSize::TViewSize(QWidget* window, QSize client, QSize dots)
    : window_(window),
      face_(new TScaledFace(window, client)),
      stage_(new TDisplayStage(window, dots)),
      dots_(dots),
      displayOnly_(TWindowSettings::DisplayOnly()) {
    face_->setObjectName(QStringLiteral("client"));
    face_->SetWholeDots(QRect(DisplayPlace.Left, DisplayPlace.Top, DisplayPlace.Width, DisplayPlace.Height), dots);
    stage_->setObjectName(QStringLiteral("displayStage"));
    stage_->hide();
    auto* layout = new QVBoxLayout(window_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(face_);
    layout->addWidget(stage_);
    const double stored = TWindowSettings::ViewScale(1);
    if (stored <= 0) {
        size_ = FitToScreen;
    } else if (stored == std::floor(stored)) {
        size_ = std::clamp(static_cast<int>(stored), 1, Largest);
        while (size_ > 1 && !Fits(size_)) --size_;
    } else {
        size_ = ByHand;
        storedScale_ = stored;
    }
    // A resize that leaves the chosen size is the user's (by hand, or the
    // window manager's maximize).
    face_->Resized = [this] {
        if (fullscreen_ || !window_->isVisible() || size_ == ByHand) return;
        const double chosen = size_ == FitToScreen ? FitScale() : size_;
        if (std::abs(face_->Scale() - chosen) > 0.01) size_ = ByHand;
    };
}

TViewSize::~TViewSize() = default;

QWidget* TViewSize::Client() const { return face_; }

void TViewSize::SetMenus(QMenuBar* menuBar, QMenu* contextMenu) {
    menuBar_ = menuBar;
    contextMenu_ = contextMenu;
    window_->layout()->setMenuBar(menuBar);
}

void TViewSize::Place(QWidget* control, QRect place) { face_->Place(control, place); }

QRect TViewSize::PlaceOf(QWidget* control) const { return face_->PlaceOf(control); }

double TViewSize::Scale() const { return face_->Scale(); }

QSize TViewSize::Frame() const {
    // Known once the window is on the screen.
    return window_->isVisible() ? window_->frameGeometry().size() - window_->geometry().size() : QSize();
}

QSize TViewSize::WindowSizeAt(double scale) const {
    return face_->SizeAt(scale) + QSize(0, menuBar_ ? menuBar_->sizeHint().height() : 0);
}

double TViewSize::FitScale() const {
    const QScreen* screen = window_->screen();
    if (!screen) return 1;
    const QSize room = screen->availableGeometry().size() - Frame() - WindowSizeAt(0);
    const QSize base = face_->Base();
    const double fits = std::min(static_cast<double>(room.width()) / base.width(), static_cast<double>(room.height()) / base.height());
    return std::max(SmallestScale, face_->WholeDotScale(fits));
}

bool TViewSize::Fits(int size) const {
    if (size == 1) return true;
    const QScreen* screen = window_->screen();
    if (!screen) return false;
    const QSize needed = WindowSizeAt(size) + Frame();
    const QSize available = screen->availableGeometry().size();
    return needed.width() <= available.width() && needed.height() <= available.height();
}

bool TViewSize::SetSize(int size) {
    if (size != FitToScreen && (size < 1 || size > Largest || !Fits(size))) return false;
    size_ = size;
    Remember();
    if (!fullscreen_) Apply();
    return true;
}

void TViewSize::Remember() const {
    TWindowSettings::StoreViewScale(size_ == ByHand ? face_->Scale() : size_);
    if (displayWindow_ && displayWindow_->isVisible()) TWindowSettings::StoreDisplayWindowPlace(displayWindow_->geometry());
}

void TViewSize::SetDisplayOnly(bool on) {
    if (on == displayOnly_) return;
    displayOnly_ = on;
    TWindowSettings::StoreDisplayOnly(on);
    Arrange();
}

void TViewSize::SetFullscreen(bool on) {
    if (on == fullscreen_) return;
    if (on) {
        // The client area's place, which leaving gives back as it was: the
        // frame's is not known yet as the window comes out of fullscreen,
        // and a move by it would shift the window by the frame each time.
        normalPlace_ = window_->geometry();
        normalFramePlace_ = window_->pos();
    }
    fullscreen_ = on;
    Arrange();
    if (on) {
        // Covers the screen itself where no window manager does it.
        if (const QScreen* screen = window_->screen()) window_->setGeometry(screen->geometry());
        window_->showFullScreen();
    } else {
        window_->showNormal();
        // Back to its size and place once the window system has the window again.
        window_->setGeometry(normalPlace_);
    }
}

QPoint TViewSize::WindowPlace() const { return fullscreen_ ? normalFramePlace_ : window_->pos(); }

QRect TViewSize::MenuArea(const QWidget* frame) const {
    if (fullscreen_) return stage_->geometry();
    return QRect(frame->mapTo(window_, QPoint(0, 0)), frame->size());
}

void TViewSize::Arrange() {
    if (menuBar_) menuBar_->setVisible(!fullscreen_);
    face_->setVisible(!fullscreen_);
    stage_->setVisible(fullscreen_);
    ShowDisplayWindow(displayOnly_ && !fullscreen_ && window_->isVisible());
    if (!display_) return;
    if (fullscreen_) {
        stage_->Hold(display_);
    } else if (displayOnly_) {
        stage_->Hold(nullptr);
        if (displayWindow_) displayWindow_->Stage()->Hold(display_);
    } else if (display_->parentWidget() != face_) {
        stage_->Hold(nullptr);
        if (displayWindow_) displayWindow_->Stage()->Hold(nullptr);
        display_->setParent(face_);
        face_->Lay();
        display_->show();
    }
}

void TViewSize::ShowDisplayWindow(bool shown) {
    if (!shown) {
        if (displayWindow_) displayWindow_->hide();
        return;
    }
    if (!displayWindow_) {
        displayWindow_ = new TDisplayWindow(window_, contextMenu_, dots_);
        // Closed by the user: the display comes back to the face.
        displayWindow_->Closed = [this] { SetDisplayOnly(false); };
        // Where it was at the last close, else beside the main window.
        if (const auto kept = TWindowSettings::DisplayWindowPlace()) {
            displayWindow_->setGeometry(*kept);
            displayWindow_->show();
            return;
        }
        // Beside the main window: right of it, else left of it, and on the
        // screen whatever room there is.
        const QRect main = window_->frameGeometry();
        QRect place(main.topRight() + QPoint(8, 0), displayWindow_->size());
        if (const QScreen* screen = window_->screen()) {
            const QRect available = screen->availableGeometry();
            if (!available.contains(place)) place.moveRight(main.left() - 8);
            place.moveLeft(std::clamp(place.left(), available.left(), std::max(available.left(), available.right() - place.width())));
            place.moveTop(std::clamp(place.top(), available.top(), std::max(available.top(), available.bottom() - place.height())));
        }
        displayWindow_->move(place.topLeft());
    }
    displayWindow_->show();
}

void TViewSize::Apply() {
    Arrange();
    if (fullscreen_) return;
    double scale = size_;
    if (size_ == FitToScreen) scale = FitScale();
    if (size_ == ByHand) scale = std::clamp(storedScale_ = std::max(storedScale_, SmallestScale), SmallestScale, FitScale());
    window_->resize(WindowSizeAt(scale));
    if (size_ == FitToScreen && window_->screen()) {
        const QRect available = window_->screen()->availableGeometry();
        window_->move(available.x() + (available.width() - window_->frameGeometry().width()) / 2, available.y());
    }
    window_->layout()->activate();
}

}  // namespace varnox
