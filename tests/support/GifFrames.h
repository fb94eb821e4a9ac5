// Animated GIFs read back with giflib as a viewer shows them: each frame
// drawn over the ones before, with its delay.
#pragma once

#include <gif_lib.h>

#include <filesystem>
#include <vector>

namespace varnox::test {

struct GifFrame {
    std::vector<int> pixels;  // 1 for a black pixel, row by row
    int delay = 0;            // in hundredths of a second
};

inline std::vector<GifFrame> DecodeGif(const std::filesystem::path& file) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(file.c_str(), &error);
    std::vector<GifFrame> frames;
    if (!gif) return frames;
    if (DGifSlurp(gif) == GIF_OK) {
        std::vector<int> canvas(static_cast<size_t>(gif->SWidth * gif->SHeight), 0);
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            const GifImageDesc& at = image.ImageDesc;
            for (int y = 0; y < at.Height; ++y) {
                for (int x = 0; x < at.Width; ++x) {
                    const GifColorType colour = gif->SColorMap->Colors[image.RasterBits[y * at.Width + x]];
                    canvas[static_cast<size_t>((at.Top + y) * gif->SWidth + at.Left + x)] = colour.Red == 0 ? 1 : 0;
                }
            }
            GraphicsControlBlock control{};
            DGifSavedExtensionToGCB(gif, i, &control);
            frames.push_back({canvas, control.DelayTime});
        }
    }
    DGifCloseFile(gif, &error);
    return frames;
}

}  // namespace varnox::test
