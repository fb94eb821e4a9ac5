// Reloading the firmware after a rebuild, from the window: File > Reload
// firmware, and "Reload when the ROM files change", which watches the
// machine's folder and reloads once the files have stood still for a
// moment. The machine restarts as at power-on with its RAM kept; the
// debugger's breakpoints are found again in the new build. A reload says
// "Firmware reloaded" over the display, and in a warning lists the
// breakpoints that no longer resolve, or why a pair half written was not
// loaded (the next change is then awaited). A recording or a replay ends
// at a reload: what follows it runs other code than they were made with.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <filesystem>

#include "core/Def.h"
#include "debugger/RomReload.h"

class QAction;
class QMenuBar;

namespace varnox {

class TDebugController;
class TMainForm;
class TScreenMessages;
class TWarningQueue;

class TFirmwareReload : public QObject {
    Q_OBJECT
public:
    // The actions go on `window`, so their keys work without a menu open.
    TFirmwareReload(TMainForm* window, Machine& machine, std::filesystem::path dir, TDebugController& debugger,
                    TScreenMessages& messages, TWarningQueue& warnings);

    // The two items in the window's File menu, above its last group.
    void AddToFileMenu(QMenuBar* bar) const;
    QAction* ReloadAction() const { return reload_; }
    QAction* WatchAction() const { return watch_; }
    // Loads the build in the folder now; what came of it is said.
    ReloadResult Reload();
    // How long the files must stand still before a watched change reloads.
    static constexpr int SettleMs = 700;

private:
    void SetWatching(bool on);
    void FilesChanged();
    void Settled();

    TMainForm& window_;
    Machine& machine_;
    std::filesystem::path dir_;
    TDebugController& debugger_;
    TScreenMessages& messages_;
    TWarningQueue& warnings_;
    QAction* reload_ = nullptr;
    QAction* watch_ = nullptr;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    RomFilesStamp seen_;
};

}  // namespace varnox
