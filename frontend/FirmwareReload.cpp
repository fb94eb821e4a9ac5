#include "frontend/FirmwareReload.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QWidget>

#include <cstdio>

#include "frontend/ScreenMessages.h"
#include "frontend/WarningQueue.h"
#include "frontend/WindowSettings.h"
#include "frontend/debugger/DebugController.h"
#include "system/Files.h"

namespace varnox {

TFirmwareReload::TFirmwareReload(QWidget* window, Machine& machine, std::filesystem::path dir,
                                 TDebugController& debugger, TScreenMessages& messages, TWarningQueue& warnings)
    : QObject(window), machine_(machine), dir_(std::move(dir)), debugger_(debugger), messages_(messages), warnings_(warnings) {
    reload_ = new QAction(QStringLiteral("Reload firmware"), window);
    reload_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    window->addAction(reload_);
    connect(reload_, &QAction::triggered, this, [this] { Reload(); });
    watch_ = new QAction(QStringLiteral("Reload when the ROM files change"), window);
    watch_->setCheckable(true);
    window->addAction(watch_);
    connect(watch_, &QAction::toggled, this, [this](bool on) {
        TWindowSettings::StoreReloadOnChange(on);
        SetWatching(on);
    });
    settle_.setSingleShot(true);
    settle_.setInterval(SettleMs);
    connect(&settle_, &QTimer::timeout, this, &TFirmwareReload::Settled);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &TFirmwareReload::FilesChanged);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &TFirmwareReload::FilesChanged);
    watch_->setChecked(TWindowSettings::ReloadOnChange());
}

void TFirmwareReload::AddToFileMenu(QMenuBar* bar) const {
    for (QAction* item : bar->actions()) {
        QMenu* menu = item->menu();
        if (!menu || menu->title() != QStringLiteral("&File")) continue;
        const QList<QAction*> items = menu->actions();
        QAction* last = items.isEmpty() ? nullptr : items.back();
        menu->insertAction(last, reload_);
        menu->insertAction(last, watch_);
        menu->insertSeparator(last);
        return;
    }
}

void TFirmwareReload::SetWatching(bool on) {
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
    settle_.stop();
    if (!on) return;
    // What is there now is what runs: only a later change reloads.
    seen_ = StampRomFiles(dir_);
    FilesChanged();
    settle_.stop();
}

// A build writes several files, and may replace them: the folder is
// watched, and the files named anew after each change.
void TFirmwareReload::FilesChanged() {
    watcher_.addPath(QString::fromStdString(dir_.string()));
    for (const char* name : {Rom0FileName, Rom1FileName, SymbolFileName}) {
        const QString file = QString::fromStdString((dir_ / name).string());
        if (!watcher_.files().contains(file) && std::filesystem::exists(dir_ / name)) watcher_.addPath(file);
    }
    settle_.start();
}

// A stamp seen before, loaded or refused, is not tried again.
void TFirmwareReload::Settled() {
    const RomFilesStamp stamp = StampRomFiles(dir_);
    if (stamp == seen_) return;
    seen_ = stamp;
    Reload();
}

ReloadResult TFirmwareReload::Reload() {
    seen_ = StampRomFiles(dir_);
    // A restart as at power-on lets the run loop go: the debugger keeps
    // the machine while it is up.
    RunControl& run = debugger_.Control();
    const bool held = run.DebugActive != 0;
    ReloadResult result = ReloadFirmware(machine_, debugger_.Session(), dir_);
    const QString folder = QString::fromStdString(dir_.string());
    if (!result.Loaded) {
        const QString text = QString::fromStdString(result.Refused) +
                             (watch_->isChecked() ? QStringLiteral("\nThe firmware was not reloaded; the next change of the files is awaited.")
                                                  : QStringLiteral("\nThe firmware was not reloaded."));
        std::fprintf(stderr, "%s\n", qPrintable(text));
        debugger_.SetStatus(text);
        warnings_.Show(text);
        return result;
    }
    if (held) {
        run.DebugActive = 1;
        debugger_.ShowInListing(machine_.Cpu.PC);
    }
    messages_.Say(QStringLiteral("Firmware reloaded"));
    QStringList lines;
    for (const std::string& message : result.Messages) lines << QString::fromStdString(message);
    if (!result.Lost.empty()) {
        lines << QStringLiteral("Not found in the new build, so removed:");
        for (const std::string& lost : result.Lost) lines << QString::fromStdString(lost);
    }
    debugger_.SetStatus(QStringLiteral("Firmware reloaded from ") + folder +
                        (lines.isEmpty() ? QString() : QLatin1Char('\n') + lines.join(QLatin1Char('\n'))));
    debugger_.Changed();
    if (!lines.isEmpty()) warnings_.Show(QStringLiteral("Firmware reloaded from ") + folder + QLatin1Char('\n') + lines.join(QLatin1Char('\n')));
    return result;
}

}  // namespace varnox
