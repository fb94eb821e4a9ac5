// The display alone in a window of its own, for a small screen or to put
// beside the keypad (or on another screen): resizable, the dots centred at
// the largest whole number of pixels a dot, black around them. Its keys,
// shortcuts and right-click menu are the main window's; closing it gives
// the display back.
#pragma once

#include <QWidget>

#include <functional>

class QMenu;

namespace varnox {

class TDisplayStage;

class TDisplayWindow : public QWidget {
public:
    // `keys`: the window that takes the keys typed here; `menu`: the menu
    // a right click opens.
    TDisplayWindow(QWidget* keys, QMenu* menu, QSize dots);

    TDisplayStage* Stage() const { return stage_; }

    // Called when the user closes the window.
    std::function<void()> Closed;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    QWidget* keys_;
    QMenu* menu_;
    TDisplayStage* stage_;
};

}  // namespace varnox
