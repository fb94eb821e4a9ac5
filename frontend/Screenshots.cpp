#include "frontend/Screenshots.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSaveFile>

#include <algorithm>
#include <iterator>

#include "frontend/WarningQueue.h"
#include "frontend/WindowSettings.h"
#include "peripherals/Lcd.h"

namespace varnox {
namespace {

bool IsScale(int scale) {
    return std::find(std::begin(TScreenshots::Scales), std::end(TScreenshots::Scales), scale) != std::end(TScreenshots::Scales);
}

}  // namespace

TScreenshots::TScreenshots(const QImage& displayBitmap, std::filesystem::path dir, const TChooseFile& chooseFile,
                           TWarningQueue& warnings)
    : displayBitmap_(displayBitmap), dir_(std::move(dir)), chooseFile_(chooseFile), warnings_(warnings) {
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

void TScreenshots::Save() {
    const QImage picture = Screenshot(scale_);  // the display as it was when asked
    const QString file = chooseFile_({.Save = true,
                                      .Caption = QStringLiteral("Save screenshot"),
                                      .Folder = QString::fromStdString(dir_.string()),
                                      .Name = QStringLiteral("screen.png"),
                                      .Filter = QStringLiteral("PNG pictures (*.png)"),
                                      .DefaultSuffix = QStringLiteral("png")});
    if (file.isEmpty()) return;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || !picture.save(&out, "PNG") || !out.commit()) {
        warnings_.Show(QStringLiteral("Failed to save the file %1: %2").arg(file, out.errorString()));
    }
}

void TScreenshots::Copy() const { QGuiApplication::clipboard()->setImage(Screenshot(scale_)); }

}  // namespace varnox
