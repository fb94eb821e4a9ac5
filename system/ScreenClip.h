// The display as a moving picture: an animated GIF of two colours, one
// frame per change of the picture, each shown as long as it stood in
// emulated time (a run tick is 10 ms, one unit of GIF delay), looping.
// The window's clips and varnox-tool run --gif are made here alike.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/Def.h"
#include "peripherals/Lcd.h"
#include "system/DisplayPicture.h"

namespace varnox {

class ScreenClip {
public:
    // Each dot `scale` pixels square (1..32).
    explicit ScreenClip(int scale);
    ~ScreenClip();
    ScreenClip(const ScreenClip&) = delete;
    ScreenClip& operator=(const ScreenClip&) = delete;

    // After each run tick of the clip. The picture is taken at the first
    // one and at the machine's refresh ticks, where the display changes;
    // between them the tick shows what the last refresh showed.
    void AfterRunTick(const Machine& m);

    // The clip's last tick shows the display as it stands now (what a
    // screenshot would show; a clip without ticks is that one picture).
    // Returns the GIF file's bytes, or empty when encoding failed.
    std::vector<uint8_t> Finish(const LcdController& lcd);

    long long Ticks() const { return ticks_; }
    // Bytes of the file so far, without the frame still under way.
    size_t Bytes() const;

private:
    struct Frame {
        DisplayPicture picture{};
        long long ticks = 0;
    };
    // Writes the pending frame, the changes since the last one written.
    void WritePending();
    void Begin(const DisplayPicture& picture);

    struct Encoder;
    std::unique_ptr<Encoder> encoder_;
    int scale_ = 1;
    long long ticks_ = 0;
    bool started_ = false;
    Frame pending_;
    std::optional<DisplayPicture> written_;  // the picture the viewer shows
};

}  // namespace varnox
