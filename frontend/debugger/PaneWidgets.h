// The controls the debugger window is made of: group boxes that report
// clicks and colour their captions, drawing surfaces with cell-sized text,
// and edit fields that report keys before they act on them.
#pragma once

#include <QGroupBox>
#include <QLineEdit>
#include <QWidget>

#include <functional>

namespace varnox {

// The pane colour (button face) and the colours of captions and editors.
inline constexpr QRgb ButtonFaceColour = 0xFFD4D0C8;
inline constexpr QRgb WindowTextColour = 0xFF000000;
inline constexpr QRgb SelectedCaptionColour = 0xFF0000FF;
inline constexpr QRgb EditorColour = 0xFFFFFF00;
inline constexpr QRgb WhiteCellColour = 0xFFFFFFFF;
inline constexpr QRgb SilverCellColour = 0xFFC0C0C0;

// The fixed-pitch font of the panes and the run fields, sized so that its
// "0" fills a cell of 8 x 13 pixels.
const QFont& PaneFont();

// The window's own font.
QFont DebugWindowFont();

class TGroupBox : public QGroupBox {
    Q_OBJECT
public:
    TGroupBox(const QString& caption, QWidget* parent);
    void SetCaptionColour(QRgb colour);
    QRgb CaptionColour() const;

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent);
    std::function<void(QPainter&)> OnPaint;
    std::function<void(QPoint)> OnMouseDown;
    std::function<void(int notches)> OnWheel;  // up positive

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // Kept here: the box around would take it for a click on itself.
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A single-line edit field. KeyDown comes before the field acts on the
// key; Change comes after a user edit (not after the program's own
// setText), with letters already upper-cased when UpperCase is set.
class TEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent);
    bool UpperCase() const { return upperCase_; }
    void SetUpperCase(bool value) { upperCase_ = value; }

signals:
    void KeyDown(int virtualKey);
    void Click();
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void UserEdited();
    bool upperCase_ = false;
};

// Removes what is not a digit of the base from a user's edit, keeping the
// caret and the selection on the characters they were on.
void FilterDigits(QLineEdit& edit, int base);

}  // namespace varnox
