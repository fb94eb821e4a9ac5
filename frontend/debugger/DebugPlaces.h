// Where the debugger's windows open on the screen: the Debug Window beside
// the emulator's window, and its tools beside the Debug Window, neither over
// the calculator's display nor over each other where the screen has room.
// Rectangles are frames in screen coordinates.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

namespace varnox {

// The Debug Window's frame, top-left: right of the emulator's window, else
// left of it; with no room for either, at an edge of the screen or below
// or above the display, wherever it leaves the display clear, or on a
// screen too small for that, covers the least of it.
QPoint PlaceDebuggerBeside(const QRect& area, const QRect& window, const QRect& display, const QSize& debugger, int gap);

// Where the tools go beside the debugger (frames' top-left corners, and
// the tools' frame). None when the screen has no room for both, unless the
// user asked for the tools: then the debugger goes to the screen's left
// edge and the tools take the rest of the screen's width and its height.
struct TToolsPlace {
    QPoint Debugger;
    std::optional<QRect> Tools;
};
// `keepClear` (the calculator's display, or none) is never covered by a
// place the screen has room for.
TToolsPlace PlaceToolsBeside(const QRect& area, const QRect& debugger, const QSize& tools, int gap, bool asked,
                             const QRect& keepClear = QRect());

}  // namespace varnox
