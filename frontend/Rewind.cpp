#include "frontend/Rewind.h"

#include "frontend/ScreenMessages.h"
#include "system/InputPath.h"

namespace varnox {

TRewind::TRewind(InputPath& path, TScreenMessages& messages, std::function<void(const QString& cause)> before,
                 std::function<void()> after)
    : path_(path), messages_(messages), before_(std::move(before)), after_(std::move(after)) {}

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
    if (!path_.StepBack()) return false;
    after_();
    return true;
}

void TRewind::UndoLoad() {
    if (!path_.CanUndoLoad()) return;
    before_(QStringLiteral("state load"));
    path_.UndoLoadState();
    after_();
    messages_.Say(QStringLiteral("Load undone"));
}

}  // namespace varnox
