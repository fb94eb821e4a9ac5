#include "frontend/debugger/PaneWidgets.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "debugger/DebugInput.h"
#include "frontend/QtKeys.h"

namespace varnox {
namespace {

constexpr int CellWidth = 8;
constexpr int CellHeight = 13;

// The tallest size of the font whose line fits the cell's height, widened
// or narrowed until its "0" is a cell wide.
QFont MakePaneFont() {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    int pixels = CellHeight;
    for (; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= CellHeight) break;
    }
    const qreal natural = QFontMetricsF(font).horizontalAdvance(QLatin1Char('0'));
    if (natural > 0) font.setStretch(qBound(50, qRound(100.0 * CellWidth / natural), 200));
    return font;
}

}  // namespace

const QFont& PaneFont() {
    static const QFont font = MakePaneFont();
    return font;
}

QFont DebugWindowFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

// ---- TGroupBox ---------------------------------------------------------------

TGroupBox::TGroupBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
    SetCaptionColour(WindowTextColour);
}

// The caption is drawn in the box's text colour; the controls inside draw
// their text in colours of their own.
void TGroupBox::SetCaptionColour(QRgb colour) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(colour));
    setPalette(palette);
}

QRgb TGroupBox::CaptionColour() const { return palette().color(QPalette::WindowText).rgb(); }

void TGroupBox::mousePressEvent(QMouseEvent* event) { event->accept(); }

void TGroupBox::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Click();
}

// ---- TPaintBox ---------------------------------------------------------------

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setFont(PaneFont());
}

void TPaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    if (OnPaint) OnPaint(painter);
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (OnMouseDown) OnMouseDown(event->position().toPoint());
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void TPaintBox::wheelEvent(QWheelEvent* event) {
    event->accept();
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0 && OnWheel) OnWheel(notches);
}

// ---- TEdit ---------------------------------------------------------------------

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
    setFocusPolicy(Qt::ClickFocus);
    setFont(PaneFont());
    // First in line, so Change sees the upper-cased text.
    connect(this, &QLineEdit::textEdited, this, &TEdit::UserEdited);
}

void TEdit::UserEdited() {
    if (upperCase_) {
        QString text = this->text();
        bool changed = false;
        for (QChar& ch : text) {
            const QChar upper = ch.toUpper();
            changed |= upper != ch;
            ch = upper;
        }
        if (changed) {
            const int caret = cursorPosition();
            const int start = selectionStart();
            const int length = selectionLength();
            setText(text);
            if (length > 0) {
                setSelection(start, length);
            } else {
                setCursorPosition(caret);
            }
        }
    }
    emit Change();
}

void TEdit::keyPressEvent(QKeyEvent* event) {
    emit KeyDown(VirtualKeyOf(event->key()));
    QLineEdit::keyPressEvent(event);
}

void TEdit::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) emit Click();
}

// ---- Filtering -------------------------------------------------------------------

void FilterDigits(QLineEdit& edit, int base) {
    const bool selected = edit.hasSelectedText();
    const int caret = selected ? edit.selectionStart() : edit.cursorPosition();
    const int selection = selected ? edit.selectionLength() : 0;
    const FilteredText filtered = FilterDigits(edit.text().toStdU16String(), caret, selection, base);
    const QString text = QString::fromStdU16String(filtered.Text);
    if (text != edit.text()) edit.setText(text);
    if (filtered.Selection > 0) {
        edit.setSelection(filtered.Caret, filtered.Selection);
    } else {
        edit.setCursorPosition(filtered.Caret);
    }
}

}  // namespace varnox
