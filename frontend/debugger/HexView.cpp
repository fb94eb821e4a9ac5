#include "frontend/debugger/HexView.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

#include "frontend/debugger/PaneWidgets.h"

namespace varnox {
namespace {

constexpr int FirstByteColumn = 6;  // after "AAAA: "
constexpr int WheelRows = 3;
constexpr QRgb CursorColour = 0xFFFFFF00;
constexpr QRgb ReadOnlyCursorColour = 0xFFC0C0C0;

}  // namespace

THexView::THexView(Machine& machine, QWidget* parent) : QWidget(parent), machine_(machine) {
    setFont(PaneFont());
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(Cell().width() * 72, Cell().height() * 8);
}

QSize THexView::Cell() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QLatin1Char('0')), metrics.height()};
}

int THexView::VisibleRows() const { return std::max(1, height() / Cell().height()); }

uint32_t THexView::RowCount() const { return (MemorySpaceSize(space_) + MemoryRowBytes - 1) / MemoryRowBytes; }

void THexView::SetSpace(MemorySpace space) {
    space_ = space;
    top_ = cursor_ = 0;
    pendingDigit_ = -1;
    update();
}

void THexView::ShowOffset(uint32_t offset) {
    cursor_ = std::min(offset, MemorySpaceSize(space_) - 1);
    pendingDigit_ = -1;
    const uint32_t row = cursor_ / MemoryRowBytes;
    const uint32_t rows = static_cast<uint32_t>(VisibleRows());
    if (row < top_ / MemoryRowBytes || row >= top_ / MemoryRowBytes + rows) {
        top_ = std::min(row, RowCount() > rows ? RowCount() - rows : 0) * MemoryRowBytes;
    }
    update();
}

QStringList THexView::RowTexts() const {
    QStringList rows;
    for (uint32_t offset = top_, row = 0; row < static_cast<uint32_t>(VisibleRows()) && offset < MemorySpaceSize(space_);
         ++row, offset += MemoryRowBytes) {
        rows << QString::fromStdString(MemoryRowText(machine_, space_, offset));
    }
    return rows;
}

void THexView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(ButtonFaceColour));
    const QSize cell = Cell();
    const int ascent = QFontMetrics(font()).ascent();
    const QStringList rows = RowTexts();
    if (cursor_ >= top_ && cursor_ < top_ + static_cast<uint32_t>(rows.size()) * MemoryRowBytes) {
        const int row = static_cast<int>((cursor_ - top_) / MemoryRowBytes);
        const int column = FirstByteColumn + 3 * static_cast<int>(cursor_ % MemoryRowBytes);
        const QColor colour = QColor::fromRgb(MemorySpaceWritable(space_) ? CursorColour : ReadOnlyCursorColour);
        painter.fillRect(column * cell.width(), row * cell.height(), 2 * cell.width(), cell.height(), colour);
    }
    painter.setPen(QColor::fromRgb(WindowTextColour));
    for (int row = 0; row < rows.size(); ++row) {
        // A character to a cell, as the panes draw.
        for (int i = 0; i < rows[row].size(); ++i) {
            painter.drawText(i * cell.width(), row * cell.height() + ascent, QString(rows[row][i]));
        }
    }
}

void THexView::MoveCursor(int64_t delta) {
    const int64_t size = MemorySpaceSize(space_);
    ShowOffset(static_cast<uint32_t>(std::clamp<int64_t>(static_cast<int64_t>(cursor_) + delta, 0, size - 1)));
}

void THexView::ScrollRows(int rows) {
    const int64_t last = std::max<int64_t>(0, static_cast<int64_t>(RowCount()) - VisibleRows());
    const int64_t row = std::clamp<int64_t>(static_cast<int64_t>(top_ / MemoryRowBytes) + rows, 0, last);
    top_ = static_cast<uint32_t>(row) * MemoryRowBytes;
    update();
}

void THexView::keyPressEvent(QKeyEvent* event) {
    const int page = VisibleRows() * static_cast<int>(MemoryRowBytes);
    switch (event->key()) {
        case Qt::Key_Left: MoveCursor(-1); return;
        case Qt::Key_Right: MoveCursor(1); return;
        case Qt::Key_Up: MoveCursor(-static_cast<int>(MemoryRowBytes)); return;
        case Qt::Key_Down: MoveCursor(MemoryRowBytes); return;
        case Qt::Key_PageUp: MoveCursor(-page); return;
        case Qt::Key_PageDown: MoveCursor(page); return;
        case Qt::Key_Home: ShowOffset(0); return;
        case Qt::Key_End: ShowOffset(MemorySpaceSize(space_) - 1); return;
        default: break;
    }
    const QString text = event->text();
    const int digit = text.size() == 1 ? QStringLiteral("0123456789abcdef").indexOf(text.at(0).toLower()) : -1;
    if (digit < 0 || !MemorySpaceWritable(space_)) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (pendingDigit_ < 0) {
        pendingDigit_ = digit;
        return;
    }
    WriteMemory(machine_, space_, cursor_, static_cast<uint8_t>(pendingDigit_ * 16 + digit));
    pendingDigit_ = -1;
    emit Edited();
    MoveCursor(1);
}

void THexView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const QSize cell = Cell();
    const QPoint at = event->position().toPoint();
    const int column = at.x() / cell.width() - FirstByteColumn;
    const int row = at.y() / cell.height();
    if (column < 0 || column >= 3 * static_cast<int>(MemoryRowBytes) || column % 3 == 2) return;
    const uint32_t offset = top_ + static_cast<uint32_t>(row) * MemoryRowBytes + static_cast<uint32_t>(column / 3);
    if (offset < MemorySpaceSize(space_)) ShowOffset(offset);
}

void THexView::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0) ScrollRows(-notches * WheelRows);
    event->accept();
}

}  // namespace varnox
