// How the window shows the calculator: its menu bar above the calculator's
// face at a whole-number view size, where every control keeps its place in
// 1x pixels and the size multiplies them all, with the font and the lines of
// the frames; or the display alone, in the window (for small screens) or
// fullscreen at the largest whole number of pixels a dot, black around it.
// A size is taken only when the window then fits the screen's available
// area. The size and the display-only view are kept for the next start.
#pragma once

#include <QHash>
#include <QRect>
#include <QSize>

class QMenuBar;
class QWidget;

namespace varnox {

class TDisplayStage;

class TViewSize {
public:
    static constexpr int Largest = 3;  // 1x (the default), 2x and 3x

    // `client`: the calculator's face at 1x; `dots`: the display's dots.
    // Starts at the size stored, or the largest below it that fits.
    TViewSize(QWidget* window, QSize client, QSize dots);

    // The calculator's face: the controls' parent.
    QWidget* Client() const { return client_; }
    void SetMenuBar(QMenuBar* menuBar);
    // The display's control, which the display-only view and fullscreen
    // take from its place.
    void SetDisplay(QWidget* display) { display_ = display; }

    // A control at its 1x place; an empty one (a label) fixes only the
    // top-left corner and takes the size of its text.
    void Place(QWidget* control, QRect place);
    QRect PlaceOf(QWidget* control) const { return places_.value(control); }

    int Size() const { return size_; }
    // Whether the window at `size`, in the view it has now, fits the
    // available area of its screen; 1x always does, being the least.
    bool Fits(int size) const;
    // False, and nothing changes, for a size that does not fit.
    bool SetSize(int size);

    bool DisplayOnly() const { return displayOnly_; }
    void SetDisplayOnly(bool on);
    bool Fullscreen() const { return fullscreen_; }
    void SetFullscreen(bool on);
    // Where the window is, or was before fullscreen.
    QPoint WindowPlace() const;
    // Pixels a dot of the display now spans.
    int DotScale() const;

    // Where in the window a right click opens the menu: the display and
    // `frame` around it, or all of the display-only view.
    QRect MenuArea(const QWidget* frame) const;

    // Lays the window out at the current size and view.
    void Apply();

private:
    QSize WindowSize(int size) const;

    QWidget* window_;
    QWidget* client_;
    TDisplayStage* stage_;
    QMenuBar* menuBar_ = nullptr;
    QWidget* display_ = nullptr;
    QSize clientSize_;
    QSize dots_;
    int size_;
    bool displayOnly_;
    bool fullscreen_ = false;
    QPoint normalPlace_;  // the window's before fullscreen
    QHash<QWidget*, QRect> places_;
};

}  // namespace varnox
