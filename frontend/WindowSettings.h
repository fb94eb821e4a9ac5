// What the desktop keeps of the window between runs, in its per-user
// settings: the calculator's directory holds the calculator's own files,
// and "varnox.ini" is only read.
#pragma once

#include <QPoint>

#include <optional>

namespace varnox {

class TWindowSettings {
public:
    // A read gives `fallback` when nothing is stored.
    static int ViewSize(int fallback);
    static void StoreViewSize(int size);
    static int ScreenshotScale(int fallback);
    static void StoreScreenshotScale(int scale);
    // The window's last place, only while it is still on one of the screens.
    static std::optional<QPoint> Position();
    static void StorePosition(QPoint at);
};

}  // namespace varnox
