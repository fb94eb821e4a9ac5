#include "system/FramePace.h"

#include <algorithm>
#include <cmath>

namespace varnox {

void FramePace::SetSpeed(int speed) {
    speed_ = speed;
    owedMs_ = 0;
}

long long FramePace::TicksDue(double elapsedMs) {
    if (speed_ == Unlimited || !(elapsedMs > 0)) return 0;
    owedMs_ += std::min(elapsedMs, MaxCatchUpMs) * speed_;
    const double ticks = std::floor(owedMs_ / RunTickMs);
    owedMs_ -= ticks * RunTickMs;
    return static_cast<long long>(ticks);
}

}  // namespace varnox
