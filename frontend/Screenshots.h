// Pictures of the display, one pixel per dot times a scale of 1, 2 or 4:
// saved as PNG files, numbered in a folder without asking or under a name
// the user picks, or copied to the clipboard. The scale and the folder
// chosen are kept for the next start.
#pragma once

#include <QImage>
#include <QStringList>

#include <filesystem>

#include "frontend/FileChooser.h"

class QDir;

namespace varnox {

// Numbered files of the display ("varnox-0001.png", "varnox-0002.gif"): one
// past the highest number of that ending in `folder` (1 when none), and
// the name of a number.
qint64 NextNumber(const QDir& folder, const QString& ending);
// Tries past the highest number there before giving up: others may be
// writing into the folder too.
constexpr int NumberTries = 100;
QString NumberedName(qint64 number, const QString& ending);

// Where numbered screenshots and clips may go when the user chose no
// folder, first choice first: a Varnox folder in the user's pictures folder
// (`xdgPictures`, as the environment's XDG_PICTURES_DIR names it, else
// `desktopPictures`, as the desktop's user folders name it, else
// HOME/Pictures), then the calculator's folder. Relative names count for
// nothing.
QStringList PictureFolderChoices(const QString& xdgPictures, const QString& desktopPictures, const QString& home,
                                 const QString& calculatorDir);
// The first of `choices` that is a writable folder, or can be made one
// (with the folders above it); the last when none can.
QString UsablePictureFolder(const QStringList& choices);

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

    // Where numbered screenshots and clips go: the folder chosen, else the
    // first of PictureFolderChoices that can be used, made when missing.
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
