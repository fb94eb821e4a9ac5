#include "frontend/WindowSettings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

namespace varnox {
namespace {

const QString ViewSizeKey = QStringLiteral("window/viewSize");
const QString PositionKey = QStringLiteral("window/position");
const QString ScreenshotKey = QStringLiteral("window/screenshotScale");

}  // namespace

int TWindowSettings::ViewSize(int fallback) { return QSettings().value(ViewSizeKey, fallback).toInt(); }

void TWindowSettings::StoreViewSize(int size) { QSettings().setValue(ViewSizeKey, size); }

int TWindowSettings::ScreenshotScale(int fallback) { return QSettings().value(ScreenshotKey, fallback).toInt(); }

void TWindowSettings::StoreScreenshotScale(int scale) { QSettings().setValue(ScreenshotKey, scale); }

std::optional<QPoint> TWindowSettings::Position() {
    const QSettings settings;
    if (!settings.contains(PositionKey)) return std::nullopt;
    const QPoint at = settings.value(PositionKey).toPoint();
    if (!QGuiApplication::screenAt(at)) return std::nullopt;
    return at;
}

void TWindowSettings::StorePosition(QPoint at) { QSettings().setValue(PositionKey, at); }

}  // namespace varnox
