#include "frontend/ScaledFace.h"

#include <QFont>
#include <QFrame>

#include <algorithm>
#include <cmath>

#include "frontend/MainWidgets.h"

namespace varnox {
namespace {

constexpr int LayoutFontPixels = 11;

// A fixed font by pixel size, closest to what the window was drawn for.
QFont LayoutFont(double scale) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(LayoutFontPixels * scale))));
    return font;
}

int Round(double v) { return static_cast<int>(std::lround(v)); }

// Edges rounded each on its own, so that neighbours stay neighbours.
QRect Scaled(QRect r, double scale) {
    const int left = Round(r.x() * scale), top = Round(r.y() * scale);
    return QRect(left, top, Round((r.x() + r.width()) * scale) - left, Round((r.y() + r.height()) * scale) - top);
}

}  // namespace

TScaledFace::TScaledFace(QWidget* parent, QSize base) : QWidget(parent), base_(base) {
    // Smaller than 1x is still usable; larger is what a big screen is for.
    setMinimumSize(base / 2);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFont(LayoutFont(1));
}

QSize TScaledFace::SizeAt(double scale) const { return QSize(Round(base_.width() * scale), Round(base_.height() * scale)); }

void TScaledFace::Place(QWidget* control, QRect place) {
    places_.insert(control, place);
    LayOne(control, place);
}

void TScaledFace::LayOne(QWidget* control, QRect place) const {
    if (control->parentWidget() != this) return;  // shown elsewhere for now
    if (auto* button = qobject_cast<TSpeedButton*>(control)) button->SetViewScale(scale_);
    if (auto* frame = qobject_cast<QFrame*>(control); frame && frame->frameShape() != QFrame::NoFrame) {
        frame->setLineWidth(std::max(1, static_cast<int>(scale_)));
    }
    if (place.isEmpty()) {
        control->move(offset_ + QPoint(Round(place.x() * scale_), Round(place.y() * scale_)));
        control->adjustSize();
    } else {
        control->setGeometry(Scaled(place, scale_).translated(offset_));
    }
}

void TScaledFace::SetWholeDots(QRect displayPlace, QSize dots) {
    displayPlace_ = displayPlace;
    dots_ = dots;
    Lay();
}

double TScaledFace::WholeDotScale(double scale) const {
    if (displayPlace_.isEmpty() || dots_.isEmpty()) return scale;
    const double ratio = devicePixelRatioF();
    const QSize place = Scaled(displayPlace_, scale).size() * ratio;
    const int dot = std::max(1, std::min(place.width() / dots_.width(), place.height() / dots_.height()));
    if (place == dots_ * dot) return scale;  // filled already
    // Where the place is exactly `dot` device pixels a dot.
    return dot * static_cast<double>(dots_.width()) / (displayPlace_.width() * ratio);
}

void TScaledFace::Lay() {
    scale_ = std::min(static_cast<double>(width()) / base_.width(), static_cast<double>(height()) / base_.height());
    scale_ = WholeDotScale(std::max(scale_, 0.25));
    const QSize face = SizeAt(scale_);
    offset_ = QPoint((width() - face.width()) / 2, (height() - face.height()) / 2);
    setFont(LayoutFont(scale_));
    for (auto place = places_.cbegin(); place != places_.cend(); ++place) LayOne(place.key(), place.value());
}

void TScaledFace::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Lay();
    if (Resized) Resized();
}

}  // namespace varnox
