// The main window's own controls: flat keys, switch shapes and the display
// image. Each paints its design in the window's 1x pixels, scaled by the
// face's factor: key faces with nearest-neighbour where that is a whole
// number of device pixels and smoothly between, the display's dots always
// in whole squares.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace varnox {

class TScreenMessages;

// A flat key: a raised bevel around a 35 x 11 face that sinks while held.
// Reports presses and releases of any mouse button with its Tag.
class TSpeedButton : public QAbstractButton {
    Q_OBJECT
public:
    TSpeedButton(int tag, QWidget* parent);
    int Tag() const { return tag_; }
    void SetFace(const QPixmap& face);
    const QPixmap& Face() const { return face_; }
    void SetViewScale(double scale);

signals:
    void MouseDown(int tag);
    void MouseUp(int tag);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int tag_;
    double scale_ = 1;
    QPixmap face_;
};

// A filled black rectangle that reports mouse presses; its Tag tells the
// side of its bevel it sits on.
class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

signals:
    void MouseDown(TShape* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int tag_ = -1;
};

// The display: its picture at the largest whole number of device pixels a
// dot that fits the control, centred, the rest in `backdrop` (the colour of
// the display with no dot on). The window's messages show over it.
class TLcdImage : public QLabel {
    Q_OBJECT
public:
    TLcdImage(QWidget* parent, QSize dots);
    void SetMessages(const TScreenMessages* messages) { messages_ = messages; }
    const TScreenMessages* Messages() const { return messages_; }
    void SetBackdrop(QColor backdrop);
    // Where the dots are drawn, and the device pixels a dot spans.
    QRectF DotsRect() const;
    int DeviceDotScale() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    const TScreenMessages* messages_ = nullptr;
    QSize dots_;
    QColor backdrop_;
};

// The lasting messages ("Paused", the speed, a replay's progress) in a
// strip of the face of their own, below the display's frame.
class TBadgeStrip : public QWidget {
    Q_OBJECT
public:
    TBadgeStrip(QWidget* parent, const TScreenMessages& messages);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const TScreenMessages& messages_;
};

// Black around the display, which it centres at the largest whole number
// of pixels a dot that fits: the display-only view and fullscreen. The
// lasting messages go in the black beside the display where there is room
// for them, else in a strip below it.
class TDisplayStage : public QWidget {
    Q_OBJECT
public:
    TDisplayStage(QWidget* parent, QSize dots);
    // Takes `display` in, or gives it back (null).
    void Hold(QWidget* display);
    int DotScale() const;
    // Where the lasting messages go, and the height of a line of them.
    QRect BadgeArea() const;
    int BadgeLineHeight() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void PlaceDisplay();
    // Whether the badges fit beside the display at the whole scale.
    bool BadgesBeside() const;

    QSize dots_;
    QWidget* display_ = nullptr;
    QMetaObject::Connection repaint_;
};

}  // namespace varnox
