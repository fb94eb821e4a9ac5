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
    // The dialog answers with an absolute path; a relative one would need
    // the current folder, which may have been removed.
    const std::filesystem::path folder = std::filesystem::path(answer.toStdString()).lexically_normal();
    if (!folder.is_absolute()) {
        warnings_.Show(QStringLiteral("%1: not an absolute folder").arg(answer));
        return;
    }
    if (SameFile(folder, current_)) return;
    if (const auto problem = UnusableDirectory(folder)) {
        warnings_.Show(QString::fromStdString(*problem));
        return;
    }
    const SaveResult saved = save_();
    QStringList lines;
    for (const std::string& message : saved.Messages) lines << QString::fromStdString(message);
    if (saved.Failed) {
        // One box: the files that failed, where, and that the window stays.
        lines.prepend(QStringLiteral("%1 was not opened: the memory could not be saved in %2, so the window stays there.")
                          .arg(QString::fromStdString(folder.string()), QString::fromStdString(current_.string())));
        warnings_.ShowTogether(lines, QString());
        return;
    }
    if (!lines.isEmpty()) warnings_.ShowTogether(lines, QString());
    chosen_ = folder;
    close_();
}

}  // namespace varnox
