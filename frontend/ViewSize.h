// How the window shows the calculator: its menu bar above the calculator's
// face, which scales with the window (resized by hand, maximized, or set to
// a whole-number view size or to fit the screen); the display alone in a
// window of its own; or fullscreen at the largest whole number of pixels a
// dot, black around it. A whole-number size is offered only when the window
// then fits the screen's available area. The size and the display-only
// view are kept for the next start.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QMenu;
class QMenuBar;
class QWidget;

namespace varnox {

class TDisplayStage;
class TDisplayWindow;
class TScaledFace;

class TViewSize {
public:
    static constexpr int Largest = 9;  // the whole-number sizes a menu can offer
    // What Size() says besides a whole number.
    static constexpr int FitToScreen = 0;
    static constexpr int ByHand = -1;

    // `client`: the calculator's face at 1x; `dots`: the display's dots.
    // Starts at the size stored, or the largest that fits below it.
    TViewSize(QWidget* window, QSize client, QSize dots);
    ~TViewSize();

    // The calculator's face: the controls' parent.
    QWidget* Client() const;
    void SetMenus(QMenuBar* menuBar, QMenu* contextMenu);
    // The display's control, which the display-only window and fullscreen
    // take from its place.
    void SetDisplay(QWidget* display) { display_ = display; }

    // A control at its 1x place; an empty one (a label) fixes only the
    // top-left corner and takes the size of its text.
    void Place(QWidget* control, QRect place);
    QRect PlaceOf(QWidget* control) const;

    // The size chosen: a whole number, FitToScreen, or ByHand when the
    // window was resized since.
    int Size() const { return size_; }
    // The face's scale now.
    double Scale() const;
    // Whether the window with the face at the whole-number `size` fits the
    // available area of its screen; 1x always does, being the least.
    bool Fits(int size) const;
    // A whole number that fits, or FitToScreen; false, and nothing changes,
    // for a size that does not fit.
    bool SetSize(int size);

    bool DisplayOnly() const { return displayOnly_; }
    void SetDisplayOnly(bool on);
    bool Fullscreen() const { return fullscreen_; }
    void SetFullscreen(bool on);
    // Where the window is, or was before fullscreen.
    QPoint WindowPlace() const;
    // The display-only window while it is open.
    TDisplayWindow* DisplayWindow() const { return displayWindow_; }

    // Where in the window a right click opens the menu: the display and
    // `frame` around it, or all of fullscreen.
    QRect MenuArea(const QWidget* frame) const;

    // Lays the window out at the current size and view.
    void Apply();
    // Puts the display where the view shows it (the face, its own window,
    // fullscreen) without resizing the window: also once it is shown.
    void Arrange();
    // Keeps the size for the next start: a size set by hand is kept at
    // close, not at each step of the drag.
    void Remember() const;

private:
    // The largest scale of the face that fits the available area.
    double FitScale() const;
    QSize WindowSizeAt(double scale) const;
    QSize Frame() const;
    void ShowDisplayWindow(bool shown);

    QWidget* window_;
    TScaledFace* face_;
    TDisplayStage* stage_;
    QMenuBar* menuBar_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QWidget* display_ = nullptr;
    TDisplayWindow* displayWindow_ = nullptr;
    QSize dots_;
    int size_ = 1;
    double storedScale_ = 1;  // of a size set by hand, until the window shows it
    bool applying_ = false;   // the window is resized by the view, not by hand
    bool displayOnly_;
    bool fullscreen_ = false;
    QRect normalPlace_;        // the window's client area before fullscreen
    QPoint normalFramePlace_;  // and its frame's corner
};

}  // namespace varnox
