// The mark the window draws beside the display while the machine's inputs
// are recorded, replayed or taken back, or the display is recorded as a
// clip: never in the display itself, so no screenshot or clip shows it.
#pragma once

#include <QWidget>

namespace varnox {

class Session;
class TMainMenu;
class TRecordings;
class TRewind;

class TRecordMark : public QWidget {
public:
    enum class TState { None, Recording, Replaying, Rewinding, Clip };

    explicit TRecordMark(QWidget* parent);

    void Show(TState state);
    TState State() const { return state_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TState state_ = TState::None;
};

// What shows whether the machine's inputs are recorded, replayed or taken
// back: the mark, and the menu's items for them.
struct TRecordingDisplay {
    TRecordMark& Mark;
    const TRecordings& Recordings;
    const TRewind& Rewind;
    const Session& Calculator;
    TMainMenu& Menu;

    void Show() const;
};

}  // namespace varnox
