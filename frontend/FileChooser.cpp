#include "frontend/FileChooser.h"

#include <QDir>
#include <QFileDialog>

#include "asm/Symbols.h"
#include "system/OutputCheck.h"

namespace varnox {

QString AskWithFileDialog(QWidget* parent, const TFileRequest& request) {
    QFileDialog dialog(parent, request.Caption, request.Folder, request.Filter);
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.Directory ? QFileDialog::Directory
                       : request.Save    ? QFileDialog::AnyFile
                                         : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    if (!request.Name.isEmpty()) dialog.selectFile(QDir(request.Folder).filePath(request.Name));
    // A dialog ended from outside (the program told to quit) chose nothing.
    if (dialog.exec() != QDialog::Accepted) return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}

std::optional<QString> RefusedOutput(const std::filesystem::path& dir, const std::string& role,
                                     const std::filesystem::path& file) {
    static constexpr const char* Symbols[] = {SymbolFileName};
    const auto problem = CheckWindowOutput(dir, {role, file}, Symbols);
    if (!problem) return std::nullopt;
    return QStringLiteral("Cannot write %1: %2").arg(QString::fromStdString(file.string()), QString::fromStdString(*problem));
}

}  // namespace varnox
