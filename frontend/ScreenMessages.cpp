#include "frontend/ScreenMessages.h"

#include <QElapsedTimer>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <memory>

namespace varnox {

QString EmulatedSeconds(long long runTicks) {
    constexpr double RunTicksASecond = 100;
    return QString::number(static_cast<double>(runTicks) / RunTicksASecond, 'f', 1);
}
namespace {

TScreenMessages::TClock SteadyClock() {
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    return [started] { return started->elapsed(); };
}

}  // namespace

TScreenMessages::TScreenMessages(QObject* parent, TClock clock)
    : QObject(parent), clock_(clock ? std::move(clock) : SteadyClock()) {
    setObjectName(QStringLiteral("screenMessages"));
}

void TScreenMessages::Say(const QString& text) {
    std::erase_if(said_, [&text](const TSaid& said) { return said.Text == text; });
    said_.push_back({text, clock_()});
    if (said_.size() > static_cast<size_t>(MostSaid)) said_.erase(said_.begin());
    emit Changed();
}

void TScreenMessages::SetLasting(const QString& id, const QString& text) {
    const auto found = std::find_if(lasting_.begin(), lasting_.end(), [&id](const TLasting& l) { return l.Id == id; });
    if (text.isEmpty()) {
        if (found == lasting_.end()) return;
        lasting_.erase(found);
    } else if (found == lasting_.end()) {
        lasting_.push_back({id, text});
    } else if (found->Text != text) {
        found->Text = text;
    } else {
        return;
    }
    emit Changed();
}

double TScreenMessages::OpacityAt(const TSaid& said, qint64 now) const {
    const qint64 age = now - said.At;
    if (age <= ShowMs) return 1.0;
    return std::max(0.0, 1.0 - static_cast<double>(age - ShowMs) / FadeMs);
}

std::vector<TScreenMessages::TLine> TScreenMessages::Lines() const {
    std::vector<TLine> lines;
    for (const TLasting& l : lasting_) lines.push_back({l.Text, 1.0});
    const qint64 now = clock_();
    for (const TSaid& said : said_) {
        if (const double opacity = OpacityAt(said, now); opacity > 0) lines.push_back({said.Text, opacity});
    }
    return lines;
}

void TScreenMessages::Tick() {
    if (said_.empty()) return;
    const qint64 now = clock_();
    const bool fading = std::any_of(said_.begin(), said_.end(), [&](const TSaid& s) { return now - s.At > ShowMs; });
    std::erase_if(said_, [&](const TSaid& s) { return OpacityAt(s, now) <= 0; });
    if (fading) emit Changed();
}

namespace {

QFont MessageFont(int pixels) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

}  // namespace

// White on dark bands in a size that follows the display's, so they read
// the same at any view size, from the bottom-left corner up, the newest
// lowest. The lasting ones have a strip of their own (PaintLasting).
void TScreenMessages::Paint(QPainter& painter, QRect display) const {
    const std::vector<TLine> lines = Lines();
    const auto lasting = static_cast<std::ptrdiff_t>(lasting_.size());
    if (static_cast<std::ptrdiff_t>(lines.size()) <= lasting) return;
    painter.save();
    const QFont font = MessageFont(std::clamp(display.height() / 11, 9, 28));
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int pad = std::max(2, font.pixelSize() / 4);
    const int step = metrics.height() + pad + pad / 2;
    int y = display.bottom() + 1 - pad - (static_cast<int>(lines.size()) - static_cast<int>(lasting)) * step;
    for (auto line = lines.begin() + lasting; line != lines.end(); ++line) {
        // Cut in the middle: a message ends with what it is about (a
        // length, a number), which must not go.
        const QString text = metrics.elidedText(line->Text, Qt::ElideMiddle, display.width() - 4 * pad);
        const QRect band(display.left() + pad, y + pad / 2, metrics.horizontalAdvance(text) + 2 * pad, metrics.height() + pad);
        y += step;
        painter.setOpacity(line->Opacity);
        painter.fillRect(band, QColor(0, 0, 0, 170));
        painter.setPen(Qt::white);
        painter.drawText(band, Qt::AlignCenter, text);
    }
    painter.restore();
}

QRect TScreenMessages::PaintLasting(QPainter& painter, QRect area, int lineHeight) const {
    QRect used;
    if (lasting_.empty() || lineHeight < 6 || area.height() < lineHeight) return used;
    painter.save();
    const int pad = std::max(1, lineHeight / 8);
    const QFont font = MessageFont(std::max(6, lineHeight - 2 * pad - 1));
    painter.setFont(font);
    const QFontMetrics metrics(font);
    // Right to left, the first set rightmost, in as many lines as the area
    // holds; one too long for a line is cut in the middle.
    int right = area.right() + 1;
    int top = area.top();
    for (const TLasting& badge : lasting_) {
        QString text = badge.Text;
        int width = metrics.horizontalAdvance(text) + 2 * pad;
        if (width > right - area.left() && right <= area.right()) {
            right = area.right() + 1;
            top += lineHeight;
        }
        if (top + lineHeight > area.bottom() + 1) break;
        if (width > right - area.left()) {
            text = metrics.elidedText(text, Qt::ElideMiddle, right - area.left() - 2 * pad);
            width = metrics.horizontalAdvance(text) + 2 * pad;
        }
        const QRect band(right - width, top + pad, width, lineHeight - 2 * pad);
        painter.fillRect(band, QColor(0, 0, 0, 170));
        painter.setPen(Qt::white);
        painter.drawText(band, Qt::AlignCenter, text);
        used |= band;
        right -= width + 2 * pad;
    }
    painter.restore();
    return used;
}

}  // namespace varnox
