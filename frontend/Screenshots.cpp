#include "frontend/Screenshots.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <iterator>

#include "frontend/ScreenMessages.h"
#include "frontend/WarningQueue.h"
#include "frontend/WindowSettings.h"
#include "peripherals/Lcd.h"

namespace varnox {
namespace {

bool IsScale(int scale) {
    return std::find(std::begin(TScreenshots::Scales), std::end(TScreenshots::Scales), scale) != std::end(TScreenshots::Scales);
}

const QString Png = QStringLiteral("png");

}  // namespace

qint64 NextNumber(const QDir& folder, const QString& ending) {
    const QRegularExpression numbered(QStringLiteral("^varnox-(\\d{1,9})\\.%1$").arg(QRegularExpression::escape(ending)));
    qint64 highest = 0;
    for (const QString& name : folder.entryList({QStringLiteral("varnox-*.") + ending}, QDir::Files | QDir::System | QDir::Hidden)) {
        if (const QRegularExpressionMatch match = numbered.match(name); match.hasMatch()) {
            highest = std::max(highest, match.captured(1).toLongLong());
        }
    }
    return highest + 1;
}

QString NumberedName(qint64 number, const QString& ending) {
    return QStringLiteral("varnox-%1.%2").arg(number, 4, 10, QLatin1Char('0')).arg(ending);
}

TScreenshots::TScreenshots(const QImage& displayBitmap, std::filesystem::path dir, const TChooseFile& chooseFile,
                           TWarningQueue& warnings, TScreenMessages& messages)
    : displayBitmap_(displayBitmap), dir_(std::move(dir)), chooseFile_(chooseFile), warnings_(warnings), messages_(messages) {
    if (const int stored = TWindowSettings::ScreenshotScale(scale_); IsScale(stored)) scale_ = stored;
}

QImage TScreenshots::Screenshot(int scale) const {
    // One pixel of each 2 x 2 block, repeated `scale` times each way.
    QImage picture(DisplayColumns * scale, DisplayRows * scale, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(displayBitmap_.constScanLine(2 * (y / scale)));
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) line[x] = source[2 * (x / scale)];
    }
    return picture;
}

void TScreenshots::SetScale(int scale) {
    if (!IsScale(scale)) return;
    scale_ = scale;
    TWindowSettings::StoreScreenshotScale(scale);
}

QStringList PictureFolderChoices(const QString& xdgPictures, const QString& desktopPictures, const QString& home,
                                 const QString& calculatorDir) {
    const auto absolute = [](const QString& path) { return !path.isEmpty() && QDir::isAbsolutePath(path); };
    QStringList choices;
    QString pictures;
    if (absolute(xdgPictures)) {
        pictures = xdgPictures;
    } else if (absolute(desktopPictures)) {
        pictures = desktopPictures;
    } else if (absolute(home)) {
        pictures = QDir(home).filePath(QStringLiteral("Pictures"));
    }
    // A folder of their own, not the user's pictures strewn with numbers.
    if (!pictures.isEmpty()) choices << QDir::cleanPath(QDir(pictures).filePath(QStringLiteral("Varnox")));
    choices << QDir::cleanPath(calculatorDir);
    return choices;
}

QString UsablePictureFolder(const QStringList& choices) {
    for (const QString& folder : choices) {
        const QFileInfo info(folder);
        if (info.isDir() ? info.isWritable() : QDir().mkpath(folder) && QFileInfo(folder).isWritable()) return folder;
    }
    return choices.isEmpty() ? QString() : choices.last();
}

QString TScreenshots::Folder() const {
    // The one chosen as it is: gone, a save there says so.
    if (const QString chosen = TWindowSettings::ScreenshotFolder(); !chosen.isEmpty()) return chosen;
    return UsablePictureFolder(PictureFolderChoices(qEnvironmentVariable("XDG_PICTURES_DIR"),
                                                    QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
                                                    QDir::homePath(), QString::fromStdString(dir_.string())));
}

void TScreenshots::ChooseFolder() {
    TFileRequest request;
    request.Caption = QStringLiteral("Screenshot folder");
    request.Folder = Folder();
    request.Directory = true;
    const QString folder = chooseFile_(request);
    if (folder.isEmpty()) return;
    TWindowSettings::StoreScreenshotFolder(folder);
    messages_.Say(QStringLiteral("Screenshots go to %1").arg(folder));
}

void TScreenshots::SaveNumbered() {
    const QImage picture = Screenshot(scale_);
    const QDir folder(Folder());
    qint64 number = NextNumber(folder, Png);
    for (int tries = 0; tries < NumberTries; ++tries, ++number) {
        const QString name = NumberedName(number, Png);
        const QString path = folder.filePath(name);
        QFile out(path);
        // Created here or not at all: a file of that name, or a link,
        // stays as it is and the next number is tried.
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) continue;
            warnings_.Show(QStringLiteral("Failed to save the file %1: %2").arg(path, out.errorString()));
            return;
        }
        const bool written = picture.save(&out, "PNG") && out.flush();
        const QString error = out.errorString();
        out.close();
        if (!written || out.error() != QFileDevice::NoError) {
            out.remove();  // ours, and not a picture
            warnings_.Show(QStringLiteral("Failed to save the file %1: %2").arg(path, error));
            return;
        }
        // In full: the folder is found by it.
        messages_.Say(QStringLiteral("Screenshot %1").arg(QDir::toNativeSeparators(path)));
        return;
    }
    warnings_.Show(QStringLiteral("Failed to save a screenshot in %1: the next %2 numbers are taken").arg(folder.path()).arg(NumberTries));
}

void TScreenshots::Save() {
    const QImage picture = Screenshot(scale_);  // the display as it was when asked
    // Offered where and as the next numbered one would go.
    const QString folder = Folder();
    const QString file = chooseFile_({.Save = true,
                                      .Caption = QStringLiteral("Save screenshot"),
                                      .Folder = folder,
                                      .Name = NumberedName(NextNumber(QDir(folder), Png), Png),
                                      .Filter = QStringLiteral("PNG pictures (*.png)"),
                                      .DefaultSuffix = QStringLiteral("png")});
    if (file.isEmpty()) return;
    if (const auto refused = RefusedOutput(dir_, "the screenshot", file.toStdString())) {
        warnings_.Show(*refused);
        return;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || !picture.save(&out, "PNG") || !out.commit()) {
        warnings_.Show(QStringLiteral("Failed to save the file %1: %2").arg(file, out.errorString()));
        return;
    }
    messages_.Say(QStringLiteral("Screenshot %1").arg(QDir::toNativeSeparators(file)));
}

void TScreenshots::Copy() const { QGuiApplication::clipboard()->setImage(Screenshot(scale_)); }

}  // namespace varnox
