#include "frontend/StateSlots.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTime>

#include "frontend/ScreenMessages.h"
#include "frontend/WarningQueue.h"
#include "system/SaveState.h"

namespace varnox {

TStateSlots::TStateSlots(Machine& machine, std::filesystem::path dir, const TChooseFile& chooseFile,
                         TWarningQueue& warnings, TScreenMessages& messages, TLoad load,
                         std::function<void()> afterLoaded)
    : machine_(machine),
      dir_(std::move(dir)),
      chooseFile_(chooseFile),
      warnings_(warnings),
      messages_(messages),
      load_(std::move(load)),
      afterLoaded_(std::move(afterLoaded)) {}

bool TStateSlots::SaveTo(const std::filesystem::path& file) {
    if (const auto refused = RefusedOutput(dir_, "the state file", file)) {
        warnings_.Show(*refused);
        return false;
    }
    if (const auto failure = SaveStateFile(machine_, file)) {
        warnings_.Show(QString::fromStdString(*failure));
        return false;
    }
    return true;
}

bool TStateSlots::LoadFrom(const std::filesystem::path& file) {
    if (const auto failure = load_(file)) {
        warnings_.Show(QString::fromStdString(*failure));
        return false;
    }
    afterLoaded_();
    return true;
}

void TStateSlots::SaveSlot(int slot) {
    if (SaveTo(StateSlotPath(dir_, slot))) {
        messages_.Say(QStringLiteral("State %1 saved %2").arg(slot).arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))));
    }
}

void TStateSlots::LoadSlot(int slot) {
    // Nothing went wrong: the slot was never saved, as its menu item says.
    if (SlotEmpty(slot)) {
        messages_.Say(QStringLiteral("Slot %1 is empty").arg(slot));
        return;
    }
    if (LoadFrom(StateSlotPath(dir_, slot))) messages_.Say(QStringLiteral("State %1 loaded").arg(slot));
}

bool TStateSlots::SlotEmpty(int slot) const {
    std::error_code error;
    const std::filesystem::path path = StateSlotPath(dir_, slot);
    return !std::filesystem::exists(path, error) && !std::filesystem::is_symlink(path, error);
}

TFileRequest TStateSlots::Request(bool save) const {
    return {.Save = save,
            .Caption = save ? QStringLiteral("Save state") : QStringLiteral("Load state"),
            .Folder = QString::fromStdString(dir_.string()),
            .Name = save ? QStringLiteral("state.vxs") : QString(),
            .Filter = QStringLiteral("Varnox states (*.vxs)"),
            .DefaultSuffix = QStringLiteral("vxs")};
}

void TStateSlots::SaveToChosenFile() {
    const QString file = chooseFile_(Request(true));
    if (!file.isEmpty() && SaveTo(file.toStdString())) messages_.Say(QStringLiteral("State saved as %1").arg(QFileInfo(file).fileName()));
}

void TStateSlots::LoadFromChosenFile() {
    const QString file = chooseFile_(Request(false));
    if (!file.isEmpty() && LoadFrom(file.toStdString())) messages_.Say(QStringLiteral("State loaded from %1").arg(QFileInfo(file).fileName()));
}

QString TStateSlots::SlotText(int slot) const {
    const QFileInfo info(QString::fromStdString(StateSlotPath(dir_, slot).string()));
    const QString when =
        info.isFile() ? info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : QStringLiteral("empty");
    return QStringLiteral("Slot %1 (%2)").arg(slot).arg(when);
}

}  // namespace varnox
