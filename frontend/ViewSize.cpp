#include "frontend/ViewSize.h"

#include <QFont>
#include <QFrame>
#include <QWidget>

#include <algorithm>

#include "frontend/MainWidgets.h"
#include "frontend/WindowSettings.h"

namespace varnox {
namespace {

constexpr int LayoutFontPixels = 11;

// A fixed font by pixel size, closest to what the window was drawn for.
QFont LayoutFont(int scale) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(LayoutFontPixels * scale);
    return font;
}

QRect Scaled(QRect r, int scale) { return QRect(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale); }

}  // namespace

TViewSize::TViewSize(QWidget* window, QSize client)
    : window_(window), client_(client), size_(std::clamp(TWindowSettings::ViewSize(1), 1, Largest)) {}

void TViewSize::Place(QWidget* control, QRect place) {
    places_.insert(control, place);
    if (!place.isEmpty()) control->setGeometry(Scaled(place, size_));
}

void TViewSize::SetSize(int size) {
    size_ = std::clamp(size, 1, Largest);
    Apply();
    TWindowSettings::StoreViewSize(size_);
}

void TViewSize::Apply() {
    const int k = size_;
    window_->setFixedSize(client_ * k);
    window_->setFont(LayoutFont(k));
    for (auto place = places_.cbegin(); place != places_.cend(); ++place) {
        QWidget* control = place.key();
        if (auto* button = qobject_cast<TSpeedButton*>(control)) button->SetViewScale(k);
        if (auto* frame = qobject_cast<QFrame*>(control); frame && frame->frameShape() != QFrame::NoFrame) {
            frame->setLineWidth(k);
        }
        if (place.value().isEmpty()) {
            control->move(place.value().topLeft() * k);
            control->adjustSize();
        } else {
            control->setGeometry(Scaled(place.value(), k));
        }
    }
}

}  // namespace varnox
