// One data pane in the window: its group box, drawing surface, scroll bar
// and yellow in-place editor, and the mechanics every pane shares (the key
// rule, the scroll bar rule, clicks mapped to cells, the editor placed over
// a cell, filtering and the redraw). What a pane shows and stores is its
// DebugPane's.
#pragma once

#include <QObject>
#include <QRect>
#include <QScrollBar>

#include <functional>
#include <vector>

#include "debugger/DebugPane.h"
#include "frontend/debugger/PaneWidgets.h"

namespace varnox {

// The window around the panes: selection and closing of editors reach all
// of them.
class PaneHost {
public:
    virtual void SelectPane(TGroupBox* box) = 0;
    virtual void CloseEditors() = 0;
    virtual DebugState& State() = 0;

protected:
    ~PaneHost() = default;
};

class TPaneBox : public QObject {
    Q_OBJECT
public:
    struct Layout {
        const char* Caption;
        QRect Box;     // in the window
        QRect Paint;   // in the box
        QRect Scroll;  // in the box
    };

    TPaneBox(PaneHost& host, DebugPane& pane, const Layout& layout, QWidget* window);

    TGroupBox* GroupBox() const { return groupBox_; }
    TPaintBox* PaintBox() const { return paintBox_; }
    QScrollBar* ScrollBar() const { return scrollBar_; }
    TEdit* Edit() const { return edit_; }
    DebugPane& Pane() const { return pane_; }

    // The cell: the drawn extent of "0" in the pane's font.
    QSize CellSize() const;

    // What the last repaint drew.
    const std::vector<PaneText>& DrawnTexts() const { return drawn_; }

    // After a press on a cell has done what the pane does with it.
    std::function<void(int column, int row)> AfterClick;

    // Empty, zero wide at the box's corner: still focused and still given
    // the pane's keys.
    void CloseEditor();
    void Repaint() { paintBox_->update(); }

private:
    void UpdateGrid();
    void PlaceEditor(const EditorSpot& spot);
    void PaintBoxPaint(QPainter& painter);
    void PaintBoxMouseDown(QPoint at);
    void PaintBoxWheel(int notches);
    void EditKeyDown(int virtualKey);
    void EditChange();
    void BoxScroll(int action);

    PaneHost& host_;
    DebugPane& pane_;
    TGroupBox* groupBox_;
    TPaintBox* paintBox_;
    QScrollBar* scrollBar_;
    TEdit* edit_;
    std::vector<PaneText> drawn_;
};

}  // namespace varnox
