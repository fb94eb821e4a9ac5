#include "frontend/FolderSwitch.h"

#include "frontend/WarningQueue.h"
#include "system/AtomicReplace.h"
#include "system/CommandLine.h"

namespace varnox {

TFolderSwitch::TFolderSwitch(const std::filesystem::path& current, TChooseFile& chooseFile, TWarningQueue& warnings,
                             std::function<SaveResult()> save, std::function<void()> close)
    : current_(current), chooseFile_(chooseFile), warnings_(warnings), save_(std::move(save)), close_(std::move(close)) {}

void TFolderSwitch::Choose() {
    TFileRequest request;
    request.Caption = QStringLiteral("Open folder");
    request.Folder = QString::fromStdString(current_.string());
    request.Directory = true;
    const QString answer = chooseFile_(request);
    if (answer.isEmpty()) return;
    const std::filesystem::path folder = std::filesystem::absolute(answer.toStdString()).lexically_normal();
    if (SameFile(folder, current_)) return;
    if (const auto problem = UnusableDirectory(folder)) {
        warnings_.Show(QString::fromStdString(*problem));
        return;
    }
    const SaveResult saved = save_();
    for (const std::string& message : saved.Messages) warnings_.Show(QString::fromStdString(message));
    if (saved.Failed) return;
    chosen_ = folder;
    close_();
}

}  // namespace varnox
