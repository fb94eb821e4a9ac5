#include "frontend/FileChooser.h"

#include <QDir>
#include <QFileDialog>

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

}  // namespace varnox
