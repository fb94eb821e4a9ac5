// The window at a whole-number view size: every control keeps its place in
// 1x pixels and the size multiplies them all, with the font and the lines of
// the frames. The size chosen is kept for the next start.
#pragma once

#include <QHash>
#include <QRect>
#include <QSize>

class QWidget;

namespace varnox {

class TViewSize {
public:
    static constexpr int Largest = 3;  // 1x (the default), 2x and 3x

    // `client`: the window's fixed size at 1x. Starts at the size stored.
    TViewSize(QWidget* window, QSize client);

    // A control at its 1x place; an empty one (a label) fixes only the
    // top-left corner and takes the size of its text.
    void Place(QWidget* control, QRect place);
    QRect PlaceOf(QWidget* control) const { return places_.value(control); }

    int Size() const { return size_; }
    void SetSize(int size);
    // Lays the window out at the current size.
    void Apply();

private:

    QWidget* window_;
    QSize client_;
    int size_;
    QHash<QWidget*, QRect> places_;
};

}  // namespace varnox
