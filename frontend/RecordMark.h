// The mark the window draws beside the display while the machine's inputs
// are recorded, replayed or taken back: never in the display itself, so no
// screenshot shows it.
#pragma once

#include <QWidget>

namespace varnox {

class TRecordMark : public QWidget {
public:
    enum class TState { None, Recording, Replaying, Rewinding };

    explicit TRecordMark(QWidget* parent);

    void Show(TState state);
    TState State() const { return state_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TState state_ = TState::None;
};

}  // namespace varnox
