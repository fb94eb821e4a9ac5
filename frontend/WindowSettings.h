// What the desktop keeps of the window between runs, in its per-user
// settings: the calculator's directory holds the calculator's own files,
// and "varnox.ini" is only read.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

#include "system/KeyMap.h"

namespace varnox {

class TWindowSettings {
public:
    // A read gives `fallback` when nothing is stored.
    // The face's scale: a whole-number size, 0 for fit to screen, or what
    // the window was resized to by hand.
    static double ViewScale(double fallback);
    static void StoreViewScale(double scale);
    static bool DisplayOnly();
    static void StoreDisplayOnly(bool on);
    static int ScreenshotScale(int fallback);
    static void StoreScreenshotScale(int scale);
    // Where screenshots go without asking; empty when never chosen.
    static QString ScreenshotFolder();
    static void StoreScreenshotFolder(const QString& folder);
    // The key map stored, and a warning for each entry not used (which
    // names the settings file); the default map when none is stored.
    static KeyMapRead StoredKeyMap();
    static void StoreKeyMap(const varnox::KeyMap& map);
    // Where the debugger finds the firmware's source files; empty when
    // never chosen.
    static QString SourceFolder();
    static void StoreSourceFolder(const QString& folder);
    // Whether the firmware is loaded again when its ROM files change.
    static bool ReloadOnChange();
    static void StoreReloadOnChange(bool on);
    // The window's last place, only while it is still on one of the screens.
    static std::optional<QPoint> Position();
    static void StorePosition(QPoint at);
    // The display-only window's client area, only while it is still on one
    // of the screens.
    static std::optional<QRect> DisplayWindowPlace();
    static void StoreDisplayWindowPlace(QRect place);
};

}  // namespace varnox
