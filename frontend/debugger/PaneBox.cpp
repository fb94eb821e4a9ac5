#include "frontend/debugger/PaneBox.h"

#include <QFontMetrics>
#include <QPainter>
#include <QSignalBlocker>

#include <algorithm>

namespace varnox {
namespace {

constexpr int WheelLines = 3;

ScrollRange RangeOf(const QScrollBar& bar) {
    return {bar.value(), bar.minimum(), bar.maximum(), bar.singleStep(), bar.pageStep()};
}

void ApplyRange(QScrollBar& bar, const ScrollRange& range) {
    bar.setRange(range.Minimum, range.Maximum);
    bar.setValue(range.Position);
    bar.setSingleStep(range.SmallChange);
    bar.setPageStep(range.LargeChange);
}

QColor BackgroundOf(CellColour colour) {
    switch (colour) {
        case CellColour::White: return QColor::fromRgb(WhiteCellColour);
        case CellColour::Silver: return QColor::fromRgb(SilverCellColour);
        case CellColour::Pane: break;
    }
    return QColor::fromRgb(ButtonFaceColour);
}

}  // namespace

TPaneBox::TPaneBox(PaneHost& host, DebugPane& pane, const Layout& layout, QWidget* window)
    : QObject(window),
      host_(host),
      pane_(pane),
      groupBox_(new TGroupBox(QString::fromLatin1(layout.Caption), window)),
      paintBox_(new TPaintBox(groupBox_)),
      scrollBar_(new QScrollBar(Qt::Vertical, groupBox_)),
      edit_(new TEdit(groupBox_)) {
    groupBox_->setGeometry(layout.Box);
    paintBox_->setGeometry(layout.Paint);
    scrollBar_->setGeometry(layout.Scroll);
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    scrollBar_->setRange(0, 0);
    scrollBar_->setSingleStep(1);
    scrollBar_->setPageStep(1);

    // Borderless and yellow, with the text on the cell grid.
    edit_->setFrame(false);
    edit_->setTextMargins(-2, -1, -2, -1);
    QPalette palette = edit_->palette();
    palette.setColor(QPalette::Base, QColor::fromRgb(EditorColour));
    palette.setColor(QPalette::Text, QColor::fromRgb(WindowTextColour));
    edit_->setPalette(palette);
    edit_->setGeometry(0, 0, 0, CellSize().height());

    paintBox_->OnPaint = [this](QPainter& painter) { PaintBoxPaint(painter); };
    paintBox_->OnMouseDown = [this](QPoint at) { PaintBoxMouseDown(at); };
    paintBox_->OnWheel = [this](int notches) { PaintBoxWheel(notches); };
    connect(groupBox_, &TGroupBox::Click, this, [this] { host_.SelectPane(groupBox_); });
    connect(scrollBar_, &QScrollBar::actionTriggered, this, &TPaneBox::BoxScroll);
    connect(edit_, &TEdit::KeyDown, this, &TPaneBox::EditKeyDown);
    connect(edit_, &TEdit::Change, this, &TPaneBox::EditChange);
}

QSize TPaneBox::CellSize() const {
    const QFontMetrics metrics(paintBox_->font());
    return {metrics.horizontalAdvance(QLatin1Char('0')), metrics.height()};
}

void TPaneBox::UpdateGrid() {
    const QSize cell = CellSize();
    pane_.SetGrid(paintBox_->height() / cell.height(), paintBox_->width() / cell.width());
}

void TPaneBox::CloseEditor() {
    edit_->setText(QString());
    edit_->setGeometry(0, 0, 0, edit_->height());
}

void TPaneBox::PlaceEditor(const EditorSpot& spot) {
    const QSize cell = CellSize();
    edit_->setGeometry(paintBox_->x() + spot.Column * cell.width(), paintBox_->y() + spot.Row * cell.height(),
                       spot.Width * cell.width(), cell.height());
    edit_->setMaxLength(spot.Width);
    edit_->SetUpperCase(spot.UpperCase);
    edit_->setText(QString());
}

void TPaneBox::PaintBoxPaint(QPainter& painter) {
    UpdateGrid();
    painter.fillRect(paintBox_->rect(), QColor::fromRgb(ButtonFaceColour));
    ScrollRange range = RangeOf(*scrollBar_);
    drawn_ = pane_.Draw(range);
    const QSize cell = CellSize();
    const int ascent = QFontMetrics(paintBox_->font()).ascent();
    painter.setPen(QColor::fromRgb(WindowTextColour));
    // A character to a cell, so columns stay exact whatever the font's
    // fractional advance.
    for (const PaneText& text : drawn_) {
        const QColor background = BackgroundOf(text.Background);
        int x = text.Column * cell.width();
        const int y = text.Row * cell.height();
        for (const char ch : text.Text) {
            painter.fillRect(x, y, cell.width(), cell.height(), background);
            painter.drawText(x, y + ascent, QString(QLatin1Char(ch)));
            x += cell.width();
        }
    }
    const ScrollRange before = RangeOf(*scrollBar_);
    if (range.Position != before.Position || range.Minimum != before.Minimum || range.Maximum != before.Maximum ||
        range.LargeChange != before.LargeChange) {
        ApplyRange(*scrollBar_, range);
    }
}

void TPaneBox::PaintBoxMouseDown(QPoint at) {
    host_.SelectPane(groupBox_);
    UpdateGrid();
    const QSize cell = CellSize();
    if (at.x() < 0 || at.y() < 0) return;
    const int column = at.x() / cell.width();
    const int row = at.y() / cell.height();
    if (row >= pane_.Rows()) return;
    if (const std::optional<EditorSpot> spot = pane_.Click(column, row)) PlaceEditor(*spot);
    Repaint();
    if (AfterClick) AfterClick(column, row);
}

// The wheel scrolls as the arrow keys do, a few lines a notch; not while an
// editor is open, whose text would go.
void TPaneBox::PaintBoxWheel(int notches) {
    const EditKind mode = host_.State().EditMode;
    if (mode != EditKind::None && mode != EditKind::FlagToggled) return;
    const ScrollRange range = RangeOf(*scrollBar_);
    const int position =
        std::clamp(range.Position - notches * WheelLines * range.SmallChange, range.Minimum, range.Maximum);
    if (position == range.Position) return;
    pane_.SetTopFromPosition(position);
    // Ahead of the repaint, so that the next notch goes on from here.
    const QSignalBlocker quiet(scrollBar_);
    scrollBar_->setValue(position);
    Repaint();
}

void TPaneBox::EditKeyDown(int virtualKey) {
    DebugState& state = host_.State();
    const int position = ScrollKeyPosition(virtualKey, RangeOf(*scrollBar_));
    if (position >= 0 && state.EditMode == EditKind::None) {
        pane_.SetTopFromPosition(position);
        Repaint();
    } else if (virtualKey == VkReturn) {
        if (!pane_.Owns(state.EditMode)) return;
        UpdateGrid();
        const CommitResult result = pane_.Commit(edit_->text().toStdU16String());
        if (result.Close) {
            host_.CloseEditors();
        } else {
            edit_->setCursorPosition(result.Caret);
        }
    } else if (virtualKey == VkEscape) {
        host_.CloseEditors();
    }
}

void TPaneBox::EditChange() {
    if (const int base = pane_.FilterBase()) FilterDigits(*edit_, base);
}

void TPaneBox::BoxScroll(int action) {
    if (action == QAbstractSlider::SliderNoAction) return;
    pane_.SetTopFromPosition(scrollBar_->sliderPosition());
    host_.SelectPane(groupBox_);
}

}  // namespace varnox
