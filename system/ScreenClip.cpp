// The animated GIF of the display, written frame by frame through giflib
// into memory, so that a clip reaches its file whole or not at all.
#include "system/ScreenClip.h"

#include <gif_lib.h>

#include <algorithm>

namespace varnox {
namespace {

constexpr long long LongestDelay = 65535;  // GIF delays are 16-bit hundredths

// Palette entries: white for a clear dot, black for a set one.
constexpr GifColorType Palette[] = {{0xFF, 0xFF, 0xFF}, {0x00, 0x00, 0x00}};

int AppendBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(gif->UserData);
    bytes->insert(bytes->end(), data, data + length);
    return length;
}

// The dots that differ, as left, top, right, bottom (inclusive); the
// whole display when nothing was shown before, its first dot when nothing
// differs (a frame holds at least one pixel).
std::array<int, 4> ChangedDots(const std::optional<DisplayPicture>& before, const DisplayPicture& after) {
    if (!before) return {0, 0, DisplayColumns - 1, DisplayRows - 1};
    std::array<int, 4> box{DisplayColumns, DisplayRows, -1, -1};
    for (int row = 0; row < DisplayRows; ++row) {
        for (int column = 0; column < DisplayColumns; ++column) {
            if (before->Dot(column, row) == after.Dot(column, row)) continue;
            box = {std::min(box[0], column), std::min(box[1], row), std::max(box[2], column), std::max(box[3], row)};
        }
    }
    return box[2] < 0 ? std::array<int, 4>{0, 0, 0, 0} : box;
}

}  // namespace

struct ScreenClip::Encoder {
    std::vector<uint8_t> bytes;
    GifFileType* gif = nullptr;
    bool failed = false;

    void Check(int result) { failed = failed || result != GIF_OK; }
    ~Encoder() {
        int error = 0;
        if (gif) EGifCloseFile(gif, &error);
    }
};

ScreenClip::ScreenClip(int scale) : encoder_(std::make_unique<Encoder>()), scale_(std::clamp(scale, 1, 32)) {
    Encoder& e = *encoder_;
    int error = 0;
    e.gif = EGifOpen(&e.bytes, AppendBytes, &error);
    if (!e.gif) {
        e.failed = true;
        return;
    }
    EGifSetGifVersion(e.gif, true);
    ColorMapObject* map = GifMakeMapObject(2, Palette);
    e.failed = !map;
    if (map) e.Check(EGifPutScreenDesc(e.gif, DisplayColumns * scale_, DisplayRows * scale_, 8, 0, map));
    GifFreeMapObject(map);
    // Played over and over, as a clip to show is watched.
    static constexpr GifByteType Netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static constexpr GifByteType LoopForEver[] = {1, 0, 0};
    if (e.failed) return;
    e.Check(EGifPutExtensionLeader(e.gif, APPLICATION_EXT_FUNC_CODE));
    e.Check(EGifPutExtensionBlock(e.gif, sizeof Netscape, Netscape));
    e.Check(EGifPutExtensionBlock(e.gif, sizeof LoopForEver, LoopForEver));
    e.Check(EGifPutExtensionTrailer(e.gif));
}

ScreenClip::~ScreenClip() = default;

size_t ScreenClip::Bytes() const { return encoder_->bytes.size(); }

void ScreenClip::Begin(const DisplayPicture& picture) {
    started_ = true;
    pending_ = {picture, 0};
}

void ScreenClip::AfterRunTick(const Machine& m) {
    ++ticks_;
    if (!started_) {
        Begin(PictureOf(m.Lcd));
    } else if (m.Clock.RefreshPhase == 0) {
        const DisplayPicture picture = PictureOf(m.Lcd);
        if (picture.Dots != pending_.picture.Dots) {
            WritePending();
            pending_ = {picture, 0};
        }
    }
    ++pending_.ticks;
}

void ScreenClip::WritePending() {
    Encoder& e = *encoder_;
    long long remaining = pending_.ticks;
    // A picture longer than a delay can hold is the same frame again.
    for (bool first = true; !e.failed && (first || remaining > 0); first = false) {
        const long long delay = std::min(remaining, LongestDelay);
        remaining -= delay;
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.DelayTime = static_cast<int>(delay);
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        e.Check(EGifPutExtension(e.gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension));

        const auto [left, top, right, bottom] = first ? ChangedDots(written_, pending_.picture) : std::array<int, 4>{};
        const int width = (right - left + 1) * scale_;
        const int height = (bottom - top + 1) * scale_;
        e.Check(EGifPutImageDesc(e.gif, left * scale_, top * scale_, width, height, false, nullptr));
        std::vector<GifPixelType> line(static_cast<size_t>(width));
        for (int y = 0; y < height && !e.failed; ++y) {
            for (int x = 0; x < width; ++x) {
                line[static_cast<size_t>(x)] = pending_.picture.Dot(left + x / scale_, top + y / scale_) ? 1 : 0;
            }
            e.Check(EGifPutLine(e.gif, line.data(), width));
        }
    }
    written_ = pending_.picture;
}

std::vector<uint8_t> ScreenClip::Finish(const LcdController& lcd) {
    if (!encoder_->gif) return {};  // finished before, or never opened
    const DisplayPicture last = PictureOf(lcd);
    if (!started_) {
        Begin(last);
    } else if (last.Dots != pending_.picture.Dots) {
        // The last tick becomes a frame of its own.
        if (pending_.ticks > 1) {
            --pending_.ticks;
            WritePending();
            pending_ = {last, 0};
            ++pending_.ticks;
        } else {
            pending_.picture = last;
        }
    }
    WritePending();
    Encoder& e = *encoder_;
    int error = 0;
    if (e.gif && EGifCloseFile(e.gif, &error) != GIF_OK) e.failed = true;
    e.gif = nullptr;
    if (e.failed) return {};
    return std::move(e.bytes);
}

}  // namespace varnox
