#include "frontend/MainWidgets.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "frontend/ScreenMessages.h"

namespace varnox {
namespace {

constexpr QRgb FaceColour = 0xFFD4D0C8;

}  // namespace

// ---- TSpeedButton ------------------------------------------------------------

TSpeedButton::TSpeedButton(int tag, QWidget* parent) : QAbstractButton(parent), tag_(tag) {
    setFocusPolicy(Qt::NoFocus);
    // Every mouse button presses the key; the display's menu is not here.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void TSpeedButton::SetFace(const QPixmap& face) {
    face_ = face;
    update();
}

void TSpeedButton::SetViewScale(double scale) {
    scale_ = scale;
    update();
}

void TSpeedButton::paintEvent(QPaintEvent*) {
    // In 1x pixels: lines are one pixel wide rectangles, so that they scale
    // to whole blocks.
    const int w = std::max(1, static_cast<int>(std::lround(width() / scale_)));
    const int h = std::max(1, static_cast<int>(std::lround(height() / scale_)));
    const double sx = static_cast<double>(width()) / w, sy = static_cast<double>(height()) / h;
    const double device = sx * devicePixelRatioF();
    const bool whole = sx == sy && device == std::floor(device);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !whole);
    painter.scale(sx, sy);
    painter.fillRect(0, 0, w, h, QColor::fromRgb(FaceColour));
    const QColor light(Qt::white), dark(0x80, 0x80, 0x80), black(Qt::black);
    const QColor& topLeft = isDown() ? black : light;
    const QColor& bottomRight = isDown() ? light : black;
    painter.fillRect(0, 0, w, 1, topLeft);
    painter.fillRect(0, 0, 1, h, topLeft);
    painter.fillRect(0, h - 1, w, 1, bottomRight);
    painter.fillRect(w - 1, 0, 1, h, bottomRight);
    if (isDown()) {
        painter.fillRect(1, 1, w - 2, 1, dark);
        painter.fillRect(1, 1, 1, h - 2, dark);
    } else {
        painter.fillRect(1, h - 2, w - 2, 1, dark);
        painter.fillRect(w - 2, 1, 1, h - 2, dark);
    }
    if (!face_.isNull()) {
        const int shift = isDown() ? 1 : 0;
        painter.drawPixmap((w - face_.width()) / 2 + shift, (h - face_.height()) / 2 + shift, face_);
    }
}

void TSpeedButton::mousePressEvent(QMouseEvent* event) {
    setDown(true);
    event->accept();
    emit MouseDown(tag_);
}

void TSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
    setDown(false);
    event->accept();
    emit MouseUp(tag_);
}

// ---- TShape ------------------------------------------------------------------

TShape::TShape(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}

void TShape::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit MouseDown(this);
}

// ---- TLcdImage ---------------------------------------------------------------

TLcdImage::TLcdImage(QWidget* parent, QSize dots) : QLabel(parent), dots_(dots), backdrop_(Qt::white) {}

void TLcdImage::SetBackdrop(QColor backdrop) {
    if (backdrop == backdrop_) return;
    backdrop_ = backdrop;
    update();
}

int TLcdImage::DeviceDotScale() const {
    const qreal ratio = devicePixelRatioF();
    const auto across = static_cast<int>(width() * ratio) / dots_.width();
    const auto down = static_cast<int>(height() * ratio) / dots_.height();
    return std::max(1, std::min(across, down));
}

QRectF TLcdImage::DotsRect() const {
    const qreal ratio = devicePixelRatioF();
    const int scale = DeviceDotScale();
    // Centred on whole device pixels.
    const int left = (static_cast<int>(width() * ratio) - dots_.width() * scale) / 2;
    const int top = (static_cast<int>(height() * ratio) - dots_.height() * scale) / 2;
    return QRectF(left / ratio, top / ratio, dots_.width() * scale / ratio, dots_.height() * scale / ratio);
}

void TLcdImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRectF dots = DotsRect();
    if (dots != QRectF(rect())) painter.fillRect(rect(), backdrop_);
    const QPixmap picture = pixmap();
    if (!picture.isNull()) painter.drawPixmap(dots, picture, QRectF(picture.rect()));
    if (messages_) messages_->Paint(painter, dots.toAlignedRect());
}

void TLcdImage::contextMenuEvent(QContextMenuEvent* event) {
    event->ignore();  // the window's menu
}

// ---- TBadgeStrip -------------------------------------------------------------

TBadgeStrip::TBadgeStrip(QWidget* parent, const TScreenMessages& messages) : QWidget(parent), messages_(messages) {
    setObjectName(QStringLiteral("badgeStrip"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(&messages, &TScreenMessages::Changed, this, qOverload<>(&QWidget::update));
}

void TBadgeStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    messages_.PaintLasting(painter, rect(), height());
}

// ---- TDisplayStage -----------------------------------------------------------

namespace {

// A line of badges on the stage, and the width beside the display that
// holds them ("Paused" on a line; a longer one goes on a line of its own,
// cut in the middle if need be).
int StageLineHeight(QSize stage) { return std::clamp(stage.height() / 40, 12, 24); }
int BesideWidth(int lineHeight) { return lineHeight * 4; }

}  // namespace

TDisplayStage::TDisplayStage(QWidget* parent, QSize dots) : QWidget(parent), dots_(dots) {
    setFocusPolicy(Qt::NoFocus);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
}

void TDisplayStage::Hold(QWidget* display) {
    disconnect(repaint_);
    display_ = display;
    if (!display_) return;
    if (const auto* image = qobject_cast<TLcdImage*>(display_); image && image->Messages()) {
        repaint_ = connect(image->Messages(), &TScreenMessages::Changed, this, qOverload<>(&QWidget::update));
    }
    display_->setParent(this);
    PlaceDisplay();
    display_->show();
}

bool TDisplayStage::BadgesBeside() const {
    const int whole = std::max(1, std::min(width() / dots_.width(), height() / dots_.height()));
    return (width() - dots_.width() * whole) / 2 >= BesideWidth(StageLineHeight(size()));
}

int TDisplayStage::DotScale() const {
    // Below the display, the badges take a line of their own.
    const int below = BadgesBeside() ? 0 : StageLineHeight(size());
    return std::max(1, std::min(width() / dots_.width(), (height() - below) / dots_.height()));
}

int TDisplayStage::BadgeLineHeight() const { return StageLineHeight(size()); }

QRect TDisplayStage::BadgeArea() const {
    const QSize shown = dots_ * DotScale();
    const int line = BadgeLineHeight();
    const int left = (width() - shown.width()) / 2;
    if (BadgesBeside()) return QRect(left + shown.width(), 0, width() - left - shown.width(), height());
    const int top = (height() - line - shown.height()) / 2 + shown.height();
    return QRect(left, top, shown.width(), line);
}

void TDisplayStage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceDisplay();
}

void TDisplayStage::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    const auto* image = qobject_cast<TLcdImage*>(display_);
    if (!image || !image->Messages()) return;
    QPainter painter(this);
    image->Messages()->PaintLasting(painter, BadgeArea(), BadgeLineHeight());
}

void TDisplayStage::PlaceDisplay() {
    if (!display_) return;
    const QSize size = dots_ * DotScale();
    // Above its line of badges when they go below it.
    const int below = BadgesBeside() ? 0 : BadgeLineHeight();
    display_->setGeometry(QRect(QPoint((width() - size.width()) / 2, (height() - below - size.height()) / 2), size));
}

}  // namespace varnox
