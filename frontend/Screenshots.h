// Pictures of the display, one pixel per dot times a scale of 1, 2 or 4:
// saved as PNG files or copied to the clipboard. The scale chosen is kept
// for the next start.
#pragma once

#include <QImage>

#include <filesystem>

#include "frontend/FileChooser.h"

namespace varnox {

class TWarningQueue;

class TScreenshots {
public:
    static constexpr int Scales[] = {1, 2, 4};

    // `displayBitmap`: the window's picture of the display, each dot a 2 x 2
    // block. Files are offered in `dir`.
    TScreenshots(const QImage& displayBitmap, std::filesystem::path dir, const TChooseFile& chooseFile,
                 TWarningQueue& warnings);

    QImage Screenshot(int scale) const;
    int Scale() const { return scale_; }
    void SetScale(int scale);  // one of Scales; others are ignored

    void Save();
    void Copy() const;

private:
    const QImage& displayBitmap_;
    std::filesystem::path dir_;
    const TChooseFile& chooseFile_;
    TWarningQueue& warnings_;
    int scale_ = 2;
};

}  // namespace varnox
