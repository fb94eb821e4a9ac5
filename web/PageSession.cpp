#include "web/PageSession.h"

#include "system/DisplayPicture.h"
#include "system/Recording.h"
#include "system/RunLoop.h"
#include "system/RunPath.h"
#include "system/SaveState.h"
#include "system/StateLine.h"

namespace varnox::web {

PageSession::PageSession(std::filesystem::path dir) : dir_(std::move(dir)), path_(std::make_unique<InputPath>(*machine_)) {}

std::vector<std::string> PageSession::PowerOn() {
    // A machine of its own for the path, so nothing of the last run stays.
    auto fresh = std::make_unique<Machine>();
    LoadResult loaded = LoadMachine(*fresh, dir_);
    path_ = std::make_unique<InputPath>(*fresh);
    path_->StartMachine();
    machine_ = std::move(fresh);
    guard_ = loaded.Guard;
    // A firmware file that failed stops the start before the memory files:
    // what would be saved then never came from them. Once ram.bin was
    // reached, the save keeps a copy of whatever was not read in full.
    keepsMemory_ = loaded.OutcomeOf(RamFileName) != FileOutcome::NotRead;
    holds_.clear();
    steps_ = 0;
    ranSinceSave_ = false;
    paused_ = true;
    powered_ = true;
    return loaded.Messages;
}

void PageSession::RunTick() {
    ApplyKeyHolds(*path_, holds_, path_->Tick());
    path_->RunTick();
    ranSinceSave_ = true;
}

long long PageSession::Frame(double elapsedMs, HostClock clock, void* context, double untilMs) {
    if (paused_ || !powered_) return 0;
    long long made = 0;
    if (pace_.Speed() != FramePace::Unlimited) {
        // A host too slow for the speed falls behind rather than running
        // the frame past its end: the ticks left over are not owed.
        for (long long due = pace_.TicksDue(elapsedMs); made < due; ++made) {
            if (made > 0 && clock && clock(context) > untilMs) break;
            RunTick();
        }
    } else {
        double last = clock(context);
        do {
            RunTick();
            ++made;
            const double now = clock(context);
            if (!AnotherTickFits(now, last, untilMs)) break;
            last = now;
        } while (path_->Control().CyclesPerTick > 0);
    }
    // Releases held back for their minimum show at once.
    path_->ApplyDue();
    return made;
}

void PageSession::RunTicks(long long count) {
    for (long long i = 0; i < count; ++i) {
        RunTick();
        steps_ += path_->LastTickSteps();
    }
    path_->ApplyDue();
}

void PageSession::MouseDown(int key) { path_->Press(HeldMouseSlot, key); }

void PageSession::MouseUp() { path_->Release(HeldMouseSlot); }

void PageSession::KeyDown(int virtualKey) {
    if (const int key = keys_.KeyOfVirtualKey(virtualKey)) path_->Press(HeldPcKeySlot, key);
}

void PageSession::KeyTyped(char32_t character) {
    const CharacterKey found = keys_.KeyOfCharacter(character);
    if (found.key != 0) path_->Press(HeldPcKeySlot, found.key, found.scan);
}

void PageSession::PressKey(int key) { path_->Press(HeldPcKeySlot, key); }

void PageSession::KeyUp() { path_->Release(HeldPcKeySlot); }

void PageSession::ReleaseKeys() { path_->ReleaseKeys(); }

void PageSession::SetPrintSwitch(bool hd) { path_->SetPrintSwitch(hd); }

void PageSession::SetPower(bool on) {
    if (!path_->TakesUserInput()) return;
    path_->Reset();
    powered_ = on;
}

void PageSession::Reset() { path_->Reset(); }

void PageSession::Hold(int key, long long from, long long until) { holds_.push_back({key, from, until}); }

std::optional<SaveResult> PageSession::SaveMemory() {
    if (!ranSinceSave_ || !keepsMemory_) return std::nullopt;
    ranSinceSave_ = false;
    return SaveFiles(*machine_, dir_, guard_);
}

std::vector<uint8_t> PageSession::SaveState() const { return EncodeState(*machine_); }

std::optional<std::string> PageSession::LoadState(const std::filesystem::path& file) {
    auto failure = path_->LoadState(file);
    // A calculator switched off is switched on without a reset, as the
    // window does.
    if (!failure) powered_ = true;
    return failure;
}

std::optional<std::string> PageSession::StartReplay(const std::filesystem::path& file) {
    Recording recording;
    auto failure = LoadRecordingFile(file, recording);
    if (!failure) failure = path_->StartReplay(recording, file);
    if (!failure) powered_ = true;
    return failure;
}

std::string PageSession::StateLine() const { return varnox::StateLine(machine_->Cpu, steps_, path_->Tick()); }

std::string PageSession::Screen() const {
    // Composed aside, as varnox-tool writes it: looking changes nothing.
    const std::vector<uint8_t> picture = EncodePbm(PictureOf(machine_->Lcd), 1);
    return {picture.begin(), picture.end()};
}

}  // namespace varnox::web
