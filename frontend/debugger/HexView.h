// The memory pane of the debugger's tools: sixteen bytes a row of any
// memory space, with a byte cursor moved by the keys, the mouse and the
// wheel, and two hex digits typed over a byte of RAM or the register file
// to store it.
#pragma once

#include <QWidget>

#include <cstdint>

#include "core/Def.h"
#include "debugger/MemorySpaces.h"

namespace varnox {

class THexView : public QWidget {
    Q_OBJECT
public:
    THexView(Machine& machine, QWidget* parent);

    void SetSpace(MemorySpace space);
    MemorySpace Space() const { return space_; }
    // Puts the cursor on the offset and the row it is in on view.
    void ShowOffset(uint32_t offset);
    uint32_t Cursor() const { return cursor_; }
    uint32_t Top() const { return top_; }
    int VisibleRows() const;
    // The rows as drawn.
    QStringList RowTexts() const;

signals:
    void Edited();  // a byte was stored

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void MoveCursor(int64_t delta);
    void ScrollRows(int rows);
    uint32_t RowCount() const;
    QSize Cell() const;

    Machine& machine_;
    MemorySpace space_ = MemorySpace::Ram;
    uint32_t top_ = 0;     // offset of the first row drawn
    uint32_t cursor_ = 0;  // offset of the byte the cursor is on
    int pendingDigit_ = -1;  // the first digit typed over the cursor's byte
};

}  // namespace varnox
