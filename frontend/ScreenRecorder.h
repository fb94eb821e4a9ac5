// File > Record screen: the display as an animated GIF while the machine
// runs, a frame each time the picture changes, each as long as it stood in
// emulated time, so a clip made at 8x plays at the calculator's own speed
// and a pause or the debugger adds nothing. Saved numbered beside the
// screenshots ("varnox-0001.gif"), never replacing a file.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

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
    // started or ended.
    TScreenRecorder(const Machine& m, const TScreenshots& screenshots, TWarningQueue& warnings,
                    TScreenMessages& messages, TRecordMark& mark, std::function<void()> changed);
    ~TScreenRecorder();

    // Starts a clip at the screenshot size, or ends the one under way and
    // saves it.
    void Toggle();
    void Stop();
    bool Recording() const { return clip_ != nullptr; }
    // After each run tick of the machine.
    void AfterRunTick();

private:
    // The next free numbered name in the screenshot folder, written whole
    // or not at all; returns the name, or empty after a warning.
    QString SaveNumbered(const std::vector<uint8_t>& bytes) const;

    const Machine& m_;
    const TScreenshots& screenshots_;
    TWarningQueue& warnings_;
    TScreenMessages& messages_;
    TRecordMark& mark_;
    std::function<void()> changed_;
    std::unique_ptr<ScreenClip> clip_;
};

}  // namespace varnox
