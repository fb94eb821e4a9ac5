#include "frontend/Rewind.h"

#include "system/InputPath.h"

namespace varnox {

TRewind::TRewind(InputPath& path, std::function<void()> before, std::function<void()> after)
    : path_(path), before_(std::move(before)), after_(std::move(after)) {}

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
    before_();
    if (!path_.StepBack()) return false;
    after_();
    return true;
}

void TRewind::UndoLoad() {
    if (!path_.CanUndoLoad()) return;
    before_();
    path_.UndoLoadState();
    after_();
}

}  // namespace varnox
