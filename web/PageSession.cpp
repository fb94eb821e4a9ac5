#include "web/PageSession.h"

#include "system/DisplayPicture.h"

namespace varnox::web {

std::vector<std::string> PageSession::PowerOn() {
    LoadResult loaded = session_.Load();
    // A firmware file that failed stops the start before the memory files:
    // what would be saved then never came from them. Once ram.bin was
    // reached, the save keeps a copy of whatever was not read in full.
    keepsMemory_ = loaded.OutcomeOf(RamFileName) != FileOutcome::NotRead;
    session_.Start();
    session_.SetPaused(true);
    return loaded.Messages;
}

long long PageSession::Frame(double elapsedMs, PageClock clock, void* context, double untilMs) {
    if (!session_.PoweredOn()) return 0;
    const HostClock host = [clock, context] { return clock(context); };
    return session_.Pace({elapsedMs, untilMs}, clock ? host : HostClock{}).ticks;
}

void PageSession::RunTicks(long long count) {
    session_.RunTicks(count);
    session_.Path().ApplyDue();
}

std::optional<SaveResult> PageSession::SaveMemory() {
    if (!session_.RanSinceSave() || !keepsMemory_) return std::nullopt;
    return session_.SaveMemory();
}

std::string PageSession::Screen() const {
    // Composed aside, as varnox-tool writes it: looking changes nothing.
    const std::vector<uint8_t> picture = EncodePbm(session_.Picture(), 1);
    return {picture.begin(), picture.end()};
}

}  // namespace varnox::web
