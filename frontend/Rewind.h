// Going back in time: while the rewind key is held the machine steps back
// through the session's snapshots, a tenth of a second at each refresh
// of the display, and runs on from there once the key is let go; and the
// state loaded last can be undone.
#pragma once

#include <QString>

#include <functional>

namespace varnox {

class Session;
class TScreenMessages;

class TRewind {
public:
    // `before` ends what the change would spoil (a recording), told what
    // the change is; `after` brings the window up to the machine it now
    // shows. An undone load is said in `messages`.
    TRewind(Session& session, TScreenMessages& messages, std::function<void(const QString& cause)> before,
            std::function<void()> after);

    void Hold(bool held);
    bool Held() const { return held_; }
    // At each refresh of the display: one step back while held.
    void OnRefresh();
    // One step back; false when there is none left.
    bool StepBack();
    void UndoLoad();

private:
    Session& session_;
    TScreenMessages& messages_;
    std::function<void(const QString&)> before_;
    std::function<void()> after_;
    bool held_ = false;
};

}  // namespace varnox
