#include "frontend/debugger/DebugPlaces.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>

namespace varnox {
namespace {

// Narrower than this the tabs' rows no longer fit.
constexpr int ToolsLeastWidth = 320;

bool CoversAny(const QRect& place, std::initializer_list<QRect> clear) {
    return std::any_of(clear.begin(), clear.end(), [&place](const QRect& r) { return r.intersects(place); });
}

bool WithinWidth(const QRect& area, const QRect& place) {
    return place.left() >= area.left() && place.right() <= area.right();
}

// `low` when `high` is below it (the window is larger than the screen).
int Clamped(int value, int low, int high) { return std::clamp(value, low, std::max(low, high)); }

}  // namespace

QPoint PlaceDebuggerBeside(const QRect& area, const QRect& window, const QRect& display, const QSize& debugger, int gap) {
    auto at = [&debugger](int x, int y) { return QRect(QPoint(x, y), debugger); };
    const int top = Clamped(window.top(), area.top(), area.bottom() + 1 - debugger.height());
    for (const QRect& place : {at(window.right() + 1 + gap, top), at(window.left() - gap - debugger.width(), top)}) {
        if (area.contains(place)) return place.topLeft();
    }
    // Else where it covers the least of the display (none where the
    // screen has room), kept within the screen.
    auto within = [&area, &debugger](int x, int y) {
        return QPoint(Clamped(x, area.left(), area.right() + 1 - debugger.width()),
                      Clamped(y, area.top(), area.bottom() + 1 - debugger.height()));
    };
    const int middle = display.center().x() - debugger.width() / 2;
    const QPoint others[] = {
        within(area.right() + 1 - debugger.width(), top),
        within(area.left(), top),
        within(middle, display.bottom() + 1 + gap),
        within(middle, display.top() - gap - debugger.height()),
    };
    auto covered = [&](const QPoint& place) {
        const QRect over = QRect(place, debugger).intersected(display);
        return over.isEmpty() ? 0LL : static_cast<long long>(over.width()) * over.height();
    };
    return *std::min_element(std::begin(others), std::end(others),
                             [&covered](const QPoint& a, const QPoint& b) { return covered(a) < covered(b); });
}

// Right of the debugger, or else left of it, or else at an edge of the
// screen beside it; when none of these has room but the screen is wide
// enough for both, the debugger moves over to make it (it opens centred).
// Else below it. The debugger's controls are never covered: with no room
// for both the tools open only when asked for, over the part of the screen
// the debugger leaves at its left edge.
TToolsPlace PlaceToolsBeside(const QRect& area, const QRect& debugger, const QSize& tools, int gap, bool asked,
                             const QRect& keepClear) {
    QRect frame = debugger;
    auto at = [&tools](int x, int y) { return QRect(QPoint(x, y), tools); };
    const QRect sides[] = {
        at(frame.right() + 1 + gap, frame.top()),
        at(frame.left() - gap - tools.width(), frame.top()),
        at(area.right() + 1 - tools.width(), frame.top()),
        at(area.left(), frame.top()),
    };
    for (const QRect& place : sides) {
        if (WithinWidth(area, place) && !CoversAny(place, {frame, keepClear})) return {frame.topLeft(), place};
    }
    if (frame.width() + gap + tools.width() <= area.width()) {
        QRect moved = frame;
        moved.moveRight(area.right() - gap - tools.width());
        const QRect place = at(moved.right() + 1 + gap, moved.top());
        if (!CoversAny(moved, {keepClear}) && !CoversAny(place, {keepClear})) return {moved.topLeft(), place};
    }
    const QRect below = at(frame.left(), frame.bottom() + 1 + gap);
    if (below.bottom() <= area.bottom() && !CoversAny(below, {keepClear})) return {frame.topLeft(), below};
    if (!asked) return {frame.topLeft(), std::nullopt};
    frame.moveLeft(area.left());
    const int width = std::max(area.right() - frame.right() - gap, ToolsLeastWidth);
    return {frame.topLeft(), QRect(area.right() + 1 - width, area.top(), width, area.height())};
}

}  // namespace varnox
