// File > Record screen: the display as an animated GIF while the machine
// runs, a frame each time the picture changes, each as long as it stood in
// emulated time, so a clip made at 8x plays at the calculator's own speed
// and a pause or the debugger adds nothing. Saved numbered beside the
// screenshots ("varnox-0001.gif"), never replacing a file; when that fails
// (the folder is gone) another file is offered, so the clip is not lost.
#pragma once

#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "frontend/FileChooser.h"

namespace varnox {

class ScreenClip;
class TRecordMark;
class TScreenMessages;
class TScreenshots;
class TWarningQueue;
struct Machine;

class TScreenRecorder {
public:
    // `mark`: shown while recording, beside the display. `changed`: a clip
    // started or ended. `dir`: the calculator's folder, whose files a clip
    // saved elsewhere may not replace.
    TScreenRecorder(const Machine& m, const TScreenshots& screenshots, std::filesystem::path dir,
                    const TChooseFile& chooseFile, TWarningQueue& warnings, TScreenMessages& messages, TRecordMark& mark,
                    std::function<void()> changed);
    ~TScreenRecorder();

    // Starts a clip at the screenshot size, or ends the one under way and
    // saves it.
    void Toggle();
    // Saves the clip under way; one that cannot be saved in the folder is
    // offered another file, unless the window is closing.
    enum class TOnFailure { OfferAnotherFile, Say };
    void Stop(TOnFailure onFailure = TOnFailure::OfferAnotherFile);
    bool Recording() const { return clip_ != nullptr; }
    // After each run tick of the machine.
    void AfterRunTick();

private:
    // The next free numbered name in the screenshot folder, written whole
    // or not at all; returns the name, or empty after a warning.
    QString SaveNumbered(const std::vector<uint8_t>& bytes) const;
    void Save(ScreenClip& clip, TOnFailure onFailure);
    // Under a name the user picks, until one is written or none is chosen.
    QString SaveElsewhere(const std::vector<uint8_t>& bytes) const;

    const Machine& m_;
    const TScreenshots& screenshots_;
    std::filesystem::path dir_;
    const TChooseFile& chooseFile_;
    TWarningQueue& warnings_;
    TScreenMessages& messages_;
    TRecordMark& mark_;
    std::function<void()> changed_;
    std::unique_ptr<ScreenClip> clip_;
};

}  // namespace varnox
