#include "frontend/Rewind.h"

#include "frontend/ScreenMessages.h"
#include "system/Session.h"

namespace varnox {

TRewind::TRewind(Session& session, TScreenMessages& messages, std::function<void(const QString& cause)> before,
                 std::function<void()> after)
    : session_(session), messages_(messages), before_(std::move(before)), after_(std::move(after)) {}

void TRewind::Hold(bool held) {
    if (held == held_) return;
    held_ = held;
    if (held) StepBack();
    after_();
}

void TRewind::OnRefresh() {
    if (held_) StepBack();
}

bool TRewind::StepBack() {
    before_(QStringLiteral("rewind"));
    if (!session_.Path().StepBack()) return false;
    after_();
    return true;
}

void TRewind::UndoLoad() {
    if (!session_.Path().CanUndoLoad()) return;
    before_(QStringLiteral("state load"));
    session_.Path().UndoLoadState();
    after_();
    messages_.Say(QStringLiteral("Load undone"));
}

}  // namespace varnox
