#include "frontend/KeyHints.h"

#include <QPainter>

#include "frontend/ViewSize.h"
#include "system/FaceLayout.h"
#include "system/KeyHints.h"

namespace varnox {

TKeyHint::TKeyHint(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    // The keys under it keep every click.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TKeyHint::SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
}

void TKeyHint::paintEvent(QPaintEvent*) {
    if (text_.isEmpty()) return;
    QPainter painter(this);
    QFont font(QStringLiteral("DejaVu Sans"));
    // Capitals of about 7 pixels at 1x, where the place is 11 tall.
    font.setPixelSize(std::max(6, height() * 10 / 11));
    painter.setFont(font);
    painter.setPen(QColor(0x1A, 0x3C, 0x8C));
    painter.drawText(rect(), Qt::AlignRight | Qt::AlignBottom, text_);
}

TKeyHints::TKeyHints(TViewSize& view, QWidget* face) {
    for (int key = 1; key <= FaceKeyCount; ++key) {
        auto* hint = new TKeyHint(face);
        hint->setObjectName(QStringLiteral("hint%1").arg(key));
        const FaceRect place = KeyHintPlace(key);
        view.Place(hint, QRect(place.Left, place.Top, place.Width, place.Height));
        hints_.push_back(hint);
    }
}

void TKeyHints::Show(const KeyMap& map) {
    for (int key = 1; key <= FaceKeyCount; ++key) Hint(key)->SetText(QString::fromStdString(KeyHint(map, key)));
}

}  // namespace varnox
