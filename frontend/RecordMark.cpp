#include "frontend/RecordMark.h"

#include <QAction>
#include <QPainter>
#include <QPainterPath>

#include "frontend/MainMenu.h"
#include "frontend/Recordings.h"
#include "frontend/Rewind.h"
#include "system/Session.h"

namespace varnox {

TRecordMark::TRecordMark(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void TRecordMark::Show(TState state) {
    state_ = state;
    setVisible(state != TState::None);
    update();
}

// A red dot, a green triangle, two triangles back or a red frame of film,
// with a word under it;
// drawn to the widget's size, which follows the view size.
void TRecordMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = width();
    const qreal h = height();
    const qreal side = std::min(w, h * 0.5) * 0.8;
    const QPointF centre(w / 2, h * 0.28);
    QPainterPath shape;
    QColor colour;
    QString word;
    switch (state_) {
        case TState::Recording:
            colour = QColor(220, 0, 0);
            word = QStringLiteral("REC");
            shape.addEllipse(centre, side / 2, side / 2);
            break;
        case TState::Replaying:
            colour = QColor(0, 140, 0);
            word = QStringLiteral("PLAY");
            shape.moveTo(centre + QPointF(-side / 2, -side / 2));
            shape.lineTo(centre + QPointF(side / 2, 0));
            shape.lineTo(centre + QPointF(-side / 2, side / 2));
            shape.closeSubpath();
            break;
        case TState::Rewinding:
            colour = QColor(0, 0, 180);
            word = QStringLiteral("BACK");
            for (const qreal dx : {-side / 2, 0.0}) {
                shape.moveTo(centre + QPointF(dx + side / 2, -side / 2));
                shape.lineTo(centre + QPointF(dx, 0));
                shape.lineTo(centre + QPointF(dx + side / 2, side / 2));
                shape.closeSubpath();
            }
            break;
        case TState::Clip:
            colour = QColor(220, 0, 0);
            word = QStringLiteral("GIF");
            shape.addRoundedRect(QRectF(centre - QPointF(side * 0.6, side * 0.4), QSizeF(side * 1.2, side * 0.8)), side * 0.15,
                                 side * 0.15);
            shape.addEllipse(centre, side * 0.25, side * 0.25);
            break;
        case TState::None: return;
    }
    painter.fillPath(shape, colour);
    QFont font = painter.font();
    font.setPixelSize(std::max(6, static_cast<int>(h * 0.3)));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QRectF(0, h * 0.55, w, h * 0.45), Qt::AlignCenter, word);
}

void TRecordingDisplay::Show() const {
    using TState = TRecordMark::TState;
    Mark.Show(Rewind.Held()              ? TState::Rewinding
              : Recordings.Recording()   ? TState::Recording
              : Recordings.Replaying()   ? TState::Replaying
                                         : TState::None);
    const bool idle = !Recordings.Recording() && !Recordings.Replaying();
    Menu.Action("record")->setEnabled(idle);
    Menu.Action("recordpoweron")->setEnabled(idle);
    Menu.Action("replay")->setEnabled(idle);
    Menu.Action("stoprecord")->setEnabled(Recordings.Recording());
    Menu.Action("stopreplay")->setEnabled(Recordings.Replaying());
    Menu.Action("undoload")->setEnabled(Calculator.Path().CanUndoLoad());
}

}  // namespace varnox
