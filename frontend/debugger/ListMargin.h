// The strip left of the listing, inside its box: a dot on each line with a
// breakpoint (hollow when disabled) and a mark on the cursor's line; a
// click there toggles the line's breakpoint. With neither it draws nothing,
// so the box looks as it always did.
#pragma once

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

namespace varnox {

class TListMargin : public QWidget {
    Q_OBJECT
public:
    enum class Mark { None, Enabled, Disabled };
    struct Row {
        Mark Breakpoint = Mark::None;
        bool Cursor = false;
    };

    TListMargin(int rowHeight, QWidget* parent);
    // Asked at each repaint: the rows as the listing shows them now.
    std::function<std::vector<Row>()> Rows;
    std::function<void(int row)> OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int rowHeight_;
};

}  // namespace varnox
