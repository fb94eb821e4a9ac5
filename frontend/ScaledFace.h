// The calculator's face at any size: every control keeps its place in 1x
// pixels, and all of them scale together by the largest factor at which the
// whole face fits the widget, centred in it, with the lines of the frames
// and the font. At a whole-number factor every place is exact. Where the
// display's dots could not fill its place in whole pixels, the face takes
// the size of the dots instead (the next smaller scale where they do).
#pragma once

#include <QHash>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <functional>

namespace varnox {

class TScaledFace : public QWidget {
public:
    // `base`: the face at 1x.
    TScaledFace(QWidget* parent, QSize base);

    // A control at its 1x place; an empty one (a label) fixes only the
    // top-left corner and takes the size of its text.
    void Place(QWidget* control, QRect place);
    QRect PlaceOf(QWidget* control) const { return places_.value(control); }

    QSize Base() const { return base_; }
    // The factor the face is drawn at now.
    double Scale() const { return scale_; }
    // The face's size at `scale`.
    QSize SizeAt(double scale) const;

    // The display's place at 1x and its dots: from then on the face is
    // drawn only at scales where the display's place is a whole number of
    // device pixels a dot, so that the dots fill it.
    void SetWholeDots(QRect displayPlace, QSize dots);
    // The largest such scale up to `scale` (`scale` itself before that).
    double WholeDotScale(double scale) const;

    // Lays the controls out again: after one of them came back from
    // another widget.
    void Lay();

    // Called after a resize has laid the face out.
    std::function<void()> Resized;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayOne(QWidget* control, QRect place) const;

    QSize base_;
    QRect displayPlace_;  // empty: any scale
    QSize dots_;
    double scale_ = 1;
    QPoint offset_;  // of the centred face
    QHash<QWidget*, QRect> places_;
};

}  // namespace varnox
