#include "frontend/WindowSettings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include <cmath>

namespace varnox {
namespace {

const QString ViewSizeKey = QStringLiteral("window/viewSize");
const QString PositionKey = QStringLiteral("window/position");
const QString DisplayWindowKey = QStringLiteral("window/displayWindow");
const QString ScreenshotKey = QStringLiteral("window/screenshotScale");
const QString DisplayOnlyKey = QStringLiteral("window/displayOnly");
const QString ScreenshotFolderKey = QStringLiteral("screenshots/folder");
const QString SourceFolderKey = QStringLiteral("debugger/sourceFolder");
const QString ReloadOnChangeKey = QStringLiteral("firmware/reloadOnChange");
const QString KeyMapGroup = QStringLiteral("keymap");

}  // namespace

double TWindowSettings::ViewScale(double fallback) {
    bool number = false;
    const double scale = QSettings().value(ViewSizeKey, fallback).toDouble(&number);
    return number && std::isfinite(scale) ? scale : fallback;
}

void TWindowSettings::StoreViewScale(double scale) { QSettings().setValue(ViewSizeKey, scale); }

bool TWindowSettings::DisplayOnly() { return QSettings().value(DisplayOnlyKey, false).toBool(); }

void TWindowSettings::StoreDisplayOnly(bool on) { QSettings().setValue(DisplayOnlyKey, on); }

QString TWindowSettings::ScreenshotFolder() { return QSettings().value(ScreenshotFolderKey).toString(); }

void TWindowSettings::StoreScreenshotFolder(const QString& folder) { QSettings().setValue(ScreenshotFolderKey, folder); }

QString TWindowSettings::SourceFolder() { return QSettings().value(SourceFolderKey).toString(); }

void TWindowSettings::StoreSourceFolder(const QString& folder) { QSettings().setValue(SourceFolderKey, folder); }

bool TWindowSettings::ReloadOnChange() { return QSettings().value(ReloadOnChangeKey, false).toBool(); }

void TWindowSettings::StoreReloadOnChange(bool on) { QSettings().setValue(ReloadOnChangeKey, on); }

KeyMapRead TWindowSettings::StoredKeyMap() {
    QSettings settings;
    settings.beginGroup(KeyMapGroup);
    std::vector<KeyMapEntry> entries;
    for (const QString& name : settings.childKeys()) {
        const QVariant value = settings.value(name);
        // A value written by hand with commas reads as a list; one of
        // another type is named by it, which no PC key is, as is one that
        // could not be decoded at all.
        QString text = QStringLiteral("@") + QString::fromLatin1(value.isValid() ? value.typeName() : "Invalid");
        if (value.typeId() == QMetaType::QStringList) text = value.toStringList().join(' ');
        if (value.typeId() == QMetaType::QString) text = value.toString();
        entries.push_back({name.toStdString(), text.toStdString()});
    }
    KeyMapRead read = ReadKeyMap(entries);
    for (std::string& warning : read.Warnings) warning = settings.fileName().toStdString() + ": " + warning;
    return read;
}

void TWindowSettings::StoreKeyMap(const varnox::KeyMap& map) {
    QSettings settings;
    settings.remove(KeyMapGroup);
    settings.beginGroup(KeyMapGroup);
    for (const KeyMapEntry& entry : KeyMapEntries(map)) {
        settings.setValue(QString::fromStdString(entry.Name), QString::fromStdString(entry.Value));
    }
}

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

std::optional<QRect> TWindowSettings::DisplayWindowPlace() {
    const QRect place = QSettings().value(DisplayWindowKey).toRect();
    if (place.isEmpty() || !QGuiApplication::screenAt(place.center())) return std::nullopt;
    return place;
}

void TWindowSettings::StoreDisplayWindowPlace(QRect place) { QSettings().setValue(DisplayWindowKey, place); }

}  // namespace varnox
