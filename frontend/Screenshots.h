// Pictures of the display, one pixel per dot times a scale of 1, 2 or 4:
// saved as PNG files, numbered in a folder without asking or under a name
// the user picks, or copied to the clipboard. The scale and the folder
// chosen are kept for the next start.
#pragma once

#include <QImage>

#include <filesystem>

#include "frontend/FileChooser.h"

namespace varnox {

class TScreenMessages;
class TWarningQueue;

class TScreenshots {
public:
    static constexpr int Scales[] = {1, 2, 4};

    // `displayBitmap`: the window's picture of the display, each dot a 2 x 2
    // block. `dir`: the calculator's folder, where files are offered.
    TScreenshots(const QImage& displayBitmap, std::filesystem::path dir, const TChooseFile& chooseFile,
                 TWarningQueue& warnings, TScreenMessages& messages);

    QImage Screenshot(int scale) const;
    int Scale() const { return scale_; }
    void SetScale(int scale);  // one of Scales; others are ignored

    // Where numbered screenshots go: the folder chosen, else the user's
    // pictures folder, else the calculator's.
    QString Folder() const;
    void ChooseFolder();
    // The next free "varnox-0001.png" in the folder, never replacing a
    // file, and says its name on screen.
    void SaveNumbered();
    // Under a name the user picks.
    void Save();
    void Copy() const;

private:
    const QImage& displayBitmap_;
    std::filesystem::path dir_;
    const TChooseFile& chooseFile_;
    TWarningQueue& warnings_;
    TScreenMessages& messages_;
    int scale_ = 2;
};

}  // namespace varnox
