#include "frontend/debugger/ListMargin.h"

#include <QMouseEvent>
#include <QPainter>

namespace varnox {
namespace {

constexpr QRgb BreakpointColour = 0xFFD00000;
constexpr QRgb CursorMarkColour = 0xFF0000FF;

}  // namespace

TListMargin::TListMargin(int rowHeight, QWidget* parent) : QWidget(parent), rowHeight_(rowHeight) {
    setFocusPolicy(Qt::NoFocus);
}

void TListMargin::paintEvent(QPaintEvent*) {
    if (!Rows) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const std::vector<Row> rows = Rows();
    const int size = std::min(width(), rowHeight_) - 1;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int y = static_cast<int>(i) * rowHeight_ + (rowHeight_ - size) / 2;
        if (rows[i].Breakpoint != Mark::None) {
            painter.setPen(QColor::fromRgb(BreakpointColour));
            painter.setBrush(rows[i].Breakpoint == Mark::Enabled ? QBrush(QColor::fromRgb(BreakpointColour)) : QBrush());
            painter.drawEllipse(QRectF(0.5, y + 0.5, size - 1, size - 1));
        } else if (rows[i].Cursor) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor::fromRgb(CursorMarkColour));
            const QPointF triangle[] = {{0, double(y)}, {double(size), y + size / 2.0}, {0, double(y + size)}};
            painter.drawPolygon(triangle, 3);
        }
    }
}

void TListMargin::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton && OnClick) OnClick(event->position().toPoint().y() / rowHeight_);
}

// Kept here: the box around would take it for a click on itself.
void TListMargin::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

}  // namespace varnox
